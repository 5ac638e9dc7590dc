#pragma once

#include "engine/base/runoptions.h"
#include "engine/base/runreport.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// The record of a run for batch systems (--report): JSON Lines, one object a line, each line
// written whole with one write(2) as soon as what it tells has happened, so that whatever ends
// the run (SIGKILL and the out-of-memory killer included) leaves every line up to its end.
// Lines come in the order the run met what they tell; a resume's record starts with the lines
// it kept from the earlier record.
//
// A line per page, written or failed; a line per file that failed as a whole (no "page"); a
// line per name refused before the run; a line per file whose every page was written, when
// the file is done. Keys: "file" (the PDF's absolute path), "page" (from 1, when known), "gif"
// (its path), "bytes" and "blake2b256" (of a written GIF, PNG or TIFF: its size and its
// BLAKE2b-256 in hex, as `b2sum -l 256` gives it, read back once it was written; BLAKE2b rather
// than SHA-256 as Qt's is six times faster), "status" ("written", "failed" or "done") and for a
// failure "kind" (one of the words below, for machines) and "reason" (for people, in the
// user's language); a page not drawn also has "fault", why in one word ("time-cap",
// "memory-cap", "crash", "password", "damaged", "not-pdf", "missing", "too-large", "no-pixels",
// "outside-document" or "unknown"). A "done" line has "gifs" (how many "written" lines the file
// has) and "options" (the options that shape the files' bytes and names, see OutputShape).
// A watched folder's file has on its "done" or "file-failed" line "source", the version that
// was read: "bytes", "mtime" (nanoseconds since 1970, as text), "inode" (as text) and
// "blake2b256".
//
// One record has one writer at a time: a run holds a lock (flock) on it from before its first
// page until it ends, and a second run given the same record is refused before any work.
namespace RecordKind {
inline constexpr char PageImageUnreadable[] = "page-image-unreadable"; // drawn, but not readable
inline constexpr char GifNotWritten[] = "gif-not-written";             // the disk refused it
inline constexpr char PageNotDrawn[] = "page-not-drawn";               // the renderer gave none
inline constexpr char FileFailed[] = "file-failed";                    // not every page came out
inline constexpr char Interrupted[] = "interrupted";                   // the run ended meanwhile
inline constexpr char NameRefused[] = "name-refused";                  // never passed on
} // namespace RecordKind

// A line longer than this is not one this program writes (its reasons are cut well below it):
// reading a record never holds more of one line than this.
inline constexpr qint64 MaxRecordLineBytes = 64 * 1024;

// The options that shape what a file's pages become (their bytes and their names): method,
// pages chosen, size, format, grey, animation, name pattern. A resume converts a file again
// when they differ from those its "done" line holds. (The caps and the password decide only
// whether a page comes out, not what it is.)
QJsonObject OutputShape(const RunOptions &run, const QString &namePattern);

// The record's file, held by one run: taken (locked) before any work, read back for a resume a
// line at a time, then started anew beside its name and renamed over it, and written to a line
// at a time until the run ends. A link at the name is replaced by the record, never written
// through; a FIFO, a device or a socket there is never opened for writing nor replaced.
class RecordFile {
public:
    enum class Outcome {
        Taken,
        Busy,     // another run holds the record
        Unusable, // it cannot be read, locked or written: why in the error
    };

    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Locks the record at `path` for this run: a second run on it is Busy until this one ends.
    Outcome take(const QString &path, QString *error);

    // Each line of the record that was there when it was taken (nothing when none was), in
    // order, read a line at a time: false and why at the first line that is not a line of a
    // record of this program or is longer than MaxRecordLineBytes.
    bool readEarlier(const std::function<void(const QByteArray &line, const QJsonObject &object)> &take,
                     QString *error) const;

    // Starts the record of this run: the lines of the earlier record that `keep` keeps (none
    // when `keep` is empty), then `first`, in a new file renamed over the name. Busy when
    // another run put something at the name since it was taken.
    Outcome begin(const std::function<bool(const QJsonObject &)> &keep, const QByteArray &first, QString *error);

    // Writes `lines` (whole lines) at the end of the record, in one write(2).
    bool append(const QByteArray &lines, QString *error);
    // Syncs the record to the disk (the run's end).
    bool sync(QString *error);

    const QString &path() const { return m_path; }

private:
    Outcome place(int fd, const QByteArray &temporary, QString *error);

    QString m_path;
    int m_earlier = -1;       // the record there when taken, locked; -1 when there was none
    bool m_nameUsed = false;  // something was at the name when taken (a file or a link)
    qulonglong m_nameDevice = 0, m_nameInode = 0; // what, as lstat() saw it
    int m_fd = -1;            // the record being written, locked
};

// What the run tells, written into the record as it goes.
class RunRecord {
public:
    RunRecord(RecordFile &file, QJsonObject shape) : m_file(file), m_shape(std::move(shape)) {}

    void fileStarted(const QString &pdf);
    void pageEnded(const PageOutcome &page);
    void fileEnded(const FileOutcome &outcome);
    // The run ends while a file is being converted: it is told as interrupted.
    void interrupted();

    static QByteArray nameRefusedLine(const QString &name, const QString &why);

    // The version of `pdf` the next conversion of it reads (a watched folder's: its "bytes",
    // "mtime", "inode" and "blake2b256"): its "done" or "file-failed" line holds it as "source", unless
    // the file was another by the time it ended, so that this version is never converted again
    // and another one is.
    void setSource(const QString &pdf, const QJsonObject &source) { m_sources.insert(pdf, source); }
    void clearSources() { m_sources.clear(); }

    // Told each file a page was written to, as its line goes out (its size and digest as read
    // back, -1 and empty when it could not be), and each file's end: whole when its "done"
    // line went out.
    std::function<void(const QString &pdf, const QString &file, qint64 bytes, const QByteArray &digest)> written;
    std::function<void(const QString &pdf, bool whole)> ended;

    // Empty while every line was written; otherwise why the first that was not failed.
    const QString &error() const { return m_error; }

private:
    void write(const QByteArray &lines);
    QJsonObject withSource(QJsonObject line) const;

    RecordFile &m_file;
    QJsonObject m_shape;
    bool m_inFile = false;
    QString m_pdf;
    int m_written = 0;      // "written" lines of the file
    bool m_failed = false;  // a "failed" line of the file
    QHash<QString, QPair<qint64, QByteArray>> m_sums; // the file's GIFs read back: size, digest
    QHash<QString, QJsonObject> m_sources; // see setSource
    QString m_error;
};

// A record read back, for --resume: which files of this run's list it shows as done. Only the
// lines of the listed files are kept in view (a few numbers and names each), so that reading a
// large record takes little memory.
class EarlierRecord {
public:
    // The files (absolute paths) whose lines are looked at.
    void watch(const QStringList &files);
    // One line of the record, in order.
    void take(const QJsonObject &object);

    // Whether `pdf` was converted whole into `outputFolder` with the options `shape` by an
    // earlier run, and every file it wrote is still there as it was written: a regular file
    // (no link) of the size and BLAKE2b-256 recorded. A record without "done" lines, digests or
    // options (one of an earlier version) shows no file as done: they are converted again.
    bool finished(const QString &pdf, const QString &outputFolder, const QJsonObject &shape) const;
    // The files the lines of `pdf` name as written.
    QStringList gifsOf(const QString &pdf) const;

private:
    struct Written {
        QString gif;
        qint64 bytes = -1;
        QByteArray digest;
    };
    struct File {
        QList<Written> written;
        bool failed = false;
        int done = 0;      // "done" lines
        int doneGifs = 0;  // the "gifs" they count
        bool sameShape = true;
        QJsonObject shape; // of the first "done" line
    };
    QSet<QString> m_watched;      // by the PDF's clean absolute path
    QHash<QString, File> m_files; // the same
};

// The size and BLAKE2b-256 (in hex) of the regular file at `path`, read once; false when it cannot be read
// or is not a regular file (a link is not followed).
bool FileDigest(const QString &path, qint64 *size, QByteArray *digest);
