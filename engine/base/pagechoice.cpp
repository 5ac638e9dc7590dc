#include "engine/base/pagechoice.h"

#include "engine/render/pdfpages.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

bool PageChoice::contains(int page) const
{
    if (ranges.isEmpty())
        return page >= 1;
    return std::any_of(ranges.begin(), ranges.end(),
                       [page](const Range &r) { return page >= r.first && (r.last == 0 || page <= r.last); });
}

QList<int> PageChoice::pagesOf(int pageCount) const
{
    QList<int> pages;
    for (int page = 1; page <= pageCount; ++page)
        if (contains(page))
            pages << page;
    return pages;
}

QByteArray PageChoice::scriptRanges() const
{
    // In page order, items that overlap or touch made one: a script starts a Ghostscript a
    // span, so "1,2,3,...,12000" must cost one, not twelve thousand. Each page is drawn once,
    // as the other methods draw the chosen pages.
    constexpr qint64 End = std::numeric_limits<qint64>::max();
    QList<std::pair<qint64, qint64>> spans;
    for (const Range &r : ranges)
        spans.append({r.first, r.last > 0 ? r.last : End});
    std::sort(spans.begin(), spans.end());
    QList<QByteArray> items;
    for (qsizetype i = 0; i < spans.size();) {
        const qint64 first = spans[i].first;
        qint64 last = spans[i].second;
        for (++i; i < spans.size() && last != End && spans[i].first <= last + 1; ++i)
            last = std::max(last, spans[i].second);
        // A page alone as "N": thousands of them still fit the environment a script is given.
        if (first == last)
            items << QByteArray::number(first);
        else
            items << QByteArray::number(first) + '-' + (last != End ? QByteArray::number(last) : QByteArray());
        while (last == End && i < spans.size())
            ++i;
    }
    return items.join(' ');
}

bool PageChoice::parseRanges(const QString &text, PageChoice *choice)
{
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d{1,9})\\s*(?:(-)\\s*(\\d{1,9})?)?\\s*$"));
    QList<Range> ranges;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &i : items) {
        const QRegularExpressionMatch m = item.match(i);
        if (!m.hasMatch())
            return false;
        Range r;
        r.first = m.captured(1).toInt();
        r.last = m.captured(2).isEmpty() ? r.first : m.captured(3).toInt();
        if (r.first < 1 || (r.last != 0 && r.last < r.first) || (!m.captured(3).isEmpty() && r.last < 1))
            return false;
        ranges << r;
    }
    if (ranges.isEmpty())
        return false;
    choice->ranges = ranges;
    choice->rangeText = text.trimmed();
    return true;
}

bool PageChoice::parseDpi(const QString &text, double *dpi)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < MinDpi || value > MaxDpi)
        return false;
    *dpi = value;
    return true;
}

bool PageChoice::parseFit(const QString &text, QSize *box)
{
    // W, WxH or xH; also an upper-case X.
    static const QRegularExpression form(QStringLiteral("^(\\d{1,9})?(?:[xX](\\d{1,9}))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty()))
        return false;
    const int w = m.captured(1).isEmpty() ? 0 : m.captured(1).toInt();
    const int h = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    if ((!m.captured(1).isEmpty() && (w < 1 || w > MaxFitSide)) || (!m.captured(2).isEmpty() && (h < 1 || h > MaxFitSide)))
        return false;
    *box = QSize(w, h);
    return true;
}

QString PageChoice::tooLargeText(double width, double height)
{
    if (width > 0 && height > 0)
        return QCoreApplication::translate("Engine", "at the size asked it would be more than %1 pixels a side or %2 million pixels in all "
                                                     "(%3 x %4). Choose a lower resolution or a smaller box")
            .arg(PdfPages::MaxSide).arg(PdfPages::MaxPixels / 1000000).arg(width, 0, 'f', 0).arg(height, 0, 'f', 0);
    return QCoreApplication::translate("Engine", "at the size asked it would be more than %1 pixels a side or %2 million pixels in all. "
                                                 "Choose a lower resolution or a smaller box")
        .arg(PdfPages::MaxSide).arg(PdfPages::MaxPixels / 1000000);
}

QString PageChoice::noFitText()
{
    return QCoreApplication::translate("Engine", "it would fit the box asked only below the lowest resolution, %1 dpi. Choose a larger box")
        .arg(MinDpi);
}
