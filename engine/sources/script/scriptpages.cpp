#include "engine/sources/script/scriptpages.h"

#include <QFile>

QList<int> ScriptPages::pages()
{
    QList<int> numbers = m_events.pageList; // a page range: the pages to come
    if (numbers.size() != m_events.count) {
        numbers.clear();
        for (int n = 1; n <= m_events.count; ++n)
            numbers << n;
    }
    return numbers;
}

std::optional<SourcePage> ScriptPages::next()
{
    // The script completes its pages in page order.
    if (m_events.arrived.isEmpty())
        return m_scriptEnded ? std::optional<SourcePage>(SourcePage::end()) : std::nullopt;
    const ScriptEvents::Arrived said = m_events.arrived.takeFirst();
    SourcePage complete;
    complete.page = said.page;
    if (const QString why = m_changed(); !why.isEmpty()) {
        // Taken off the folder all the same: the script waits for room for its next page.
        QFile::remove(m_folder + QLatin1Char('/') + said.file);
        if (!said.pixels.isEmpty())
            QFile::remove(m_folder + QLatin1Char('/') + said.pixels);
        return SourcePage::failed(said.page, Fault::Changed, why);
    }
    complete.file = m_folder + QLatin1Char('/') + said.file;
    if (!said.pixels.isEmpty())
        complete.pixels = {m_folder + QLatin1Char('/') + said.pixels, said.bytes, said.sum};
    return complete;
}
