#pragma once

#include <QList>
#include <QString>

// A name the user gave for the files of a run's pages, as in "{name}_p{page:04}": literal text
// and fields. The page's file is named <pattern applied><extension of its format>.
//   {name}      the PDF's base name, as every method's page name rule takes it (up to its first
//               full stop)
//   {page}      the page number; {page:03} pads it with zeros to 3 digits
//   {n}         the file's position in the run's list, from 1; {n:04} pads it too
// There is no escape for a brace: "{" and "}" only ever enclose a field.
//
// Every page of a file must get a name of its own, so {page} is required. Two files may still
// meet on one name (a pattern without {name} and {n}, or two "doc.pdf"): the run's " (2)" rule
// renames the later file's pages then, as it does without a pattern.
class NamePattern {
public:
    // Why a text cannot be a pattern; the words are the host's.
    enum class Problem {
        None,
        Empty,           // nothing at all
        NoPage,          // no {page}: the pages of a file would share a name
        LeavesFolder,    // a "/" or ".." in it: a name, not a path
        UnknownField,    // "{...}" that is not one of the fields above (`field` says which)
        UnbalancedBrace, // a "{" without its "}", or a "}" without its "{"
        Hidden,          // it starts with ".": every file would be hidden
        Blank,           // it starts or ends with a blank, which nobody sees in a listing
        Wildcard,        // a "*", "?" or "[": a shell would take the name for a pattern
    };

    // A field's zero padding is at most this wide.
    static constexpr int MaxWidth = 12;

    NamePattern() = default; // none: the pages keep the names their method gives them

    // The pattern in `text`; when it cannot be one, an unset pattern, the problem, and for an
    // unknown field the field as written (braces included) in `field`.
    static NamePattern parse(const QString &text, Problem *problem, QString *field = nullptr);

    bool isSet() const { return !m_parts.isEmpty(); }

    // The name (without extension) of page `page` of the file `baseName` at list position `n`.
    QString apply(const QString &baseName, int page, int n) const;

private:
    struct Part {
        enum class Kind { Text, Name, Page, Position } kind;
        QString text; // of a Text part
        int width = 0; // zero padding of a number
    };
    QList<Part> m_parts;
};
