#include "engine/base/namepattern.h"

namespace {

// "page", "page:03", "n:2" ... into its kind and width; false for anything else.
template <typename Kind>
bool readField(const QString &inside, Kind *kind, int *width)
{
    const QString key = inside.section(QLatin1Char(':'), 0, 0);
    const bool padded = inside.contains(QLatin1Char(':'));
    if (key == QLatin1String("name") && !padded) {
        *kind = Kind::Name;
        return true;
    }
    if (key == QLatin1String("page"))
        *kind = Kind::Page;
    else if (key == QLatin1String("n"))
        *kind = Kind::Position;
    else
        return false;
    if (!padded)
        return true;
    const QString digits = inside.section(QLatin1Char(':'), 1);
    bool number = !digits.isEmpty() && digits.size() <= 3;
    for (const QChar c : digits)
        number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    *width = number ? digits.toInt() : 0;
    return *width >= 1 && *width <= NamePattern::MaxWidth;
}

} // namespace

NamePattern NamePattern::parse(const QString &text, Problem *problem, QString *field)
{
    NamePattern pattern;
    *problem = Problem::None;
    if (text.isEmpty()) {
        *problem = Problem::Empty;
        return {};
    }
    if (text.contains(QLatin1Char('/')) || text.contains(QLatin1String(".."))) {
        *problem = Problem::LeavesFolder;
        return {};
    }
    // Names a user would lose, or could not type back: a hidden file, a blank at either end, a
    // name a shell expands instead of taking as it is.
    if (text.startsWith(QLatin1Char('.'))) {
        *problem = Problem::Hidden;
        return {};
    }
    if (text.front().isSpace() || text.back().isSpace()) {
        *problem = Problem::Blank;
        return {};
    }
    if (text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('['))) {
        *problem = Problem::Wildcard;
        return {};
    }
    bool hasPage = false;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), i);
        const QString literal = text.mid(i, open < 0 ? -1 : open - i);
        if (literal.contains(QLatin1Char('}'))) {
            *problem = Problem::UnbalancedBrace;
            return {};
        }
        if (!literal.isEmpty())
            pattern.m_parts.append({Part::Kind::Text, literal, 0});
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('}'), open);
        const qsizetype nextOpen = text.indexOf(QLatin1Char('{'), open + 1);
        if (close < 0 || (nextOpen >= 0 && nextOpen < close)) {
            *problem = Problem::UnbalancedBrace;
            return {};
        }
        Part part{Part::Kind::Text, QString(), 0};
        if (!readField(text.mid(open + 1, close - open - 1), &part.kind, &part.width)) {
            *problem = Problem::UnknownField;
            if (field)
                *field = text.mid(open, close - open + 1);
            return {};
        }
        hasPage = hasPage || part.kind == Part::Kind::Page;
        pattern.m_parts.append(part);
        i = close + 1;
    }
    if (!hasPage) {
        *problem = Problem::NoPage;
        return {};
    }
    return pattern;
}

QString NamePattern::apply(const QString &baseName, int page, int n) const
{
    QString name;
    for (const Part &part : m_parts) {
        switch (part.kind) {
        case Part::Kind::Text:
            name += part.text;
            break;
        case Part::Kind::Name:
            name += baseName;
            break;
        case Part::Kind::Page:
        case Part::Kind::Position:
            name += QStringLiteral("%1").arg(part.kind == Part::Kind::Page ? page : n, part.width, 10, QLatin1Char('0'));
            break;
        }
    }
    return name;
}
