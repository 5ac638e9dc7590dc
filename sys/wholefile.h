#pragma once

#include <QByteArray>
#include <QString>

// A file written a piece at a time that appears under its name only when it is complete: the
// pieces go into a new hidden file beside the name (made with O_EXCL and O_NOFOLLOW, so nothing
// planted there is opened), every write checked, and commit() renames it over the name. A link
// at the name is replaced, never written through; whatever fails, or when the object goes
// without commit(), the new file is removed and an earlier file of the name stays as it was.
// A FIFO, a device or a socket at the name is never replaced, whoever runs the program: that
// is checked when the file is made and again just before the rename, and fails with why.
// Every failure throws Failure with the system's reason ("No space left on device").
class WholeFile {
public:
    explicit WholeFile(const QString &path);
    ~WholeFile(); // discards what was not committed

    WholeFile(const WholeFile &) = delete;
    WholeFile &operator=(const WholeFile &) = delete;

    void write(const QByteArray &bytes);
    // Overwrites bytes already written (a length known only at the end).
    void patch(qint64 offset, const QByteArray &bytes);
    // Reads back what was written from `offset`, up to `length` bytes (fewer only at the end).
    QByteArray read(qint64 offset, qint64 length) const;
    qint64 size() const { return m_size; }

    // Closes the file (checked: some file systems report a full disk only then), synced first
    // when `sync` is set, and renames it over the name.
    void commit(bool sync = false);
    // Removes the new file; the name is left as it was. Safe to call more than once.
    void discard();

private:
    [[noreturn]] void fail(int error);

    QString m_path;
    QByteArray m_temporary;
    int m_fd = -1;
    qint64 m_size = 0;
};
