#pragma once

#include "engine/pages/methods.h"
#include "engine/run/runreport.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The record of a run for batch systems (--report): JSON Lines, one object a line, in list
// order. A line per page, written or failed; a line per file that failed as a whole (no "page");
// a line per name refused before the run. Keys: "file" (the PDF's absolute path), "page" (from 1,
// when known), "gif" (its path), "bytes" (of a written GIF), "status" ("written" or "failed"),
// and for a failure "kind" (one of the words below, for machines) and "reason" (for people,
// in the user's language).
namespace RecordKind {
inline constexpr char PageImageUnreadable[] = "page-image-unreadable"; // drawn, but not readable
inline constexpr char GifNotWritten[] = "gif-not-written";             // the disk refused it
inline constexpr char PageNotDrawn[] = "page-not-drawn";               // the renderer gave none
inline constexpr char FileFailed[] = "file-failed";                    // not every page came out
inline constexpr char Interrupted[] = "interrupted";                   // the run ended meanwhile
inline constexpr char NameRefused[] = "name-refused";                  // never passed on
} // namespace RecordKind

// What the run tells, kept as lines until the run is over. Files are kept by their position in
// the whole list, so that files the run skipped keep their place.
class RunRecord {
public:
    RunRecord(const MethodInfo &method, int files) : m_method(method), m_files(files) {}

    // The lines of a file left out of the run, as the earlier record has them.
    void carry(int position, const QList<QByteArray> &lines);
    void fileStarted(int position, const QString &pdf);
    void pageEnded(const PageOutcome &page);
    void fileEnded(const FileOutcome &outcome);
    void nameRefused(const QString &name, const QString &why);

    // The whole record; a file started and not ended is told as interrupted.
    QByteArray text() const;

private:
    const MethodInfo &m_method;
    QList<QList<QByteArray>> m_files;
    QList<QByteArray> m_refused;
    int m_current = -1; // index of the file started and not ended
    QString m_currentPdf;
};

// A record read back, for --resume: which files it shows as done.
class EarlierRecord {
public:
    // False and why when `path` holds something that is not such a record; a missing file is an
    // empty record (nothing done yet).
    bool read(const QString &path, QString *error);

    // The lines of `pdf` when every page it had was written into `outputFolder` and each of
    // those GIFs is still there, of the size recorded, and decodes; empty otherwise.
    QList<QByteArray> finished(const QString &pdf, const QString &outputFolder) const;
    // The GIFs those lines name.
    static QStringList gifsOf(const QList<QByteArray> &lines);

private:
    struct File {
        QList<QByteArray> lines;
        bool failed = false;
        QList<QPair<QString, qint64>> gifs;
    };
    QHash<QString, File> m_files; // by the PDF's clean absolute path
};
