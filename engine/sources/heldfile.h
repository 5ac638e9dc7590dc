#pragma once

#include <QString>

#include <sys/stat.h>

// The file of a document a renderer was given, held open from then on: the renderers read it
// as they draw (Ghostscript and poppler alike), so a page is the document's only while that
// file is unchanged. Held, it can be watched as the renderer sees it: a document removed or
// renamed away is still the same file to a renderer that has it open, one rewritten in place is
// not.
class HeldFile {
public:
    HeldFile() = default;
    explicit HeldFile(const QString &path);
    ~HeldFile();
    HeldFile(HeldFile &&other) noexcept;
    HeldFile &operator=(HeldFile &&other) noexcept;
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    // The file held was written since it was taken: its size or modification time differ. (Not
    // its change time: a rename or a removal changes that too, and leaves the file as it was;
    // a rewrite of the same size that puts the modification time back goes unseen.)
    bool rewritten() const;
    // `path` leads to another file than the one held (one renamed over it); false when it
    // leads to none.
    bool replacedAt(const QString &path) const;

private:
    int m_fd = -1;
    struct stat m_taken {};
};
