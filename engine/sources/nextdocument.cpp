#include "engine/sources/nextdocument.h"

void NextDocument::fill(const QString &pdf, const QString &key, std::unique_ptr<Prepared> prepared)
{
    drop();
    m_preparedPdf = pdf;
    m_preparedKey = key;
    m_prepared = std::move(prepared);
}

std::unique_ptr<Prepared> NextDocument::takeAny(const QString &pdf, const QString &key)
{
    if (!m_prepared || pdf.isEmpty() || m_preparedPdf != pdf || m_preparedKey != key) {
        drop();
        return nullptr;
    }
    return std::move(m_prepared);
}

void NextDocument::drop()
{
    m_prepared.reset();
    m_preparedPdf.clear();
    m_preparedKey.clear();
}

void NextDocument::keepSpare(const QString &key, std::unique_ptr<Prepared> spare)
{
    if (spare && spareCount() < MaxSpare)
        m_spares.push_back({key, std::move(spare)});
}

void NextDocument::dropAll()
{
    drop();
    m_spares.clear();
}
