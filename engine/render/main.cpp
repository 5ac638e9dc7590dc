// lumenpage-render: renders the pages of PDF files, one open at a time, for the GflAx and Acrobat
// stand-ins, in a process of its own. The program starts it under a memory cap and ends it when a page takes
// longer than the time cap, so a hostile file costs at most what the caps allow, and a crash in
// the PDF parser ends this process only. The conversation is described in renderprotocol.h.

#include "pdfpages.h"
#include "engine/base/pagechoice.h"
#include "renderprotocol.h"
#include "sys/sanitizers.h"
#include "engine/jpeg/pixelsum.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QSize>
#include <QString>

#include <poppler-qt6.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <new>
#include <utility>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#ifdef LP_ADDRESS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#include <sys/resource.h>
#endif

namespace {

// Set when an allocation failed. Poppler answers one by leaving part of the page undrawn or by
// aborting, Qt by a null image: this flag, not what they print about it, tells the memory cap.
volatile std::sig_atomic_t g_allocationFailed = 0;

} // namespace

#ifndef LP_ADDRESS_SANITIZER
// Every allocation of the process, poppler's and Qt's too, passes here first.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);

void *malloc(size_t size) noexcept
{
    void *p = __libc_malloc(size);
    if (!p && size)
        g_allocationFailed = 1;
    return p;
}

void *calloc(size_t count, size_t size) noexcept
{
    void *p = __libc_calloc(count, size);
    if (!p && count && size)
        g_allocationFailed = 1;
    return p;
}

void *realloc(void *old, size_t size) noexcept
{
    void *p = __libc_realloc(old, size);
    if (!p && size)
        g_allocationFailed = 1;
    return p;
}
}
#endif

namespace {

// Poppler aborts on an allocation it cannot do without.
void aborted(int)
{
    if (g_allocationFailed)
        ::_exit(RenderProtocol::OutOfMemoryExit);
    ::signal(SIGABRT, SIG_DFL);
    ::raise(SIGABRT);
}

#ifdef LP_ADDRESS_SANITIZER
// A sanitizer build has no address-space cap but the sanitizer's own on the resident memory
// (LUMENPAGE_RSS_LIMIT_MB, given with it): dying at or past it is the memory cap.
void sanitizerDied()
{
    const long long cap = qgetenv("LUMENPAGE_RSS_LIMIT_MB").toLongLong();
    rusage usage{};
    if (cap > 0 && ::getrusage(RUSAGE_SELF, &usage) == 0 && usage.ru_maxrss / 1024 >= cap)
        ::_exit(RenderProtocol::OutOfMemoryExit);
}
#endif

void writeAll(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n <= 0)
            ::_exit(3); // the program is gone; nobody to answer
        data += n;
        size -= size_t(n);
    }
}

void answer(const QByteArray &line)
{
    writeAll(line.constData(), size_t(line.size()));
}

void error(RenderProtocol::Kind kind, QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    answer("error " + QByteArray::number(int(kind)) + ' ' + text.toUtf8() + '\n');
}

// A failed operator new ends the process with the status the program takes for the memory cap
// (the words are for a person reading --verbose only).
void outOfMemory()
{
    static const char text[] = "lumenpage-render: out of memory\n";
    (void)!::write(STDERR_FILENO, text, sizeof text - 1);
    ::_exit(RenderProtocol::OutOfMemoryExit);
}

// LUMENPAGE_PAGE_LOG names a file that gets the number of every page drawn, one a line: how a
// test, or a user, sees which pages were drawn at all.
void logPage(int page)
{
    const QByteArray log = qgetenv("LUMENPAGE_PAGE_LOG");
    if (log.isEmpty())
        return;
    if (FILE *f = std::fopen(log.constData(), "a")) {
        std::fprintf(f, "%d\n", page);
        std::fclose(f);
    }
}

// The page's rows as they go into the JPEG, into a file of their own in the folder the program
// named, under a name nobody can guess ahead and that nothing else had (a file planted there, or
// a link, is never written through), with the checksum that binds them to this page's answer.
class PixelFile {
public:
    explicit PixelFile(const QByteArray &folder)
    {
        if (folder.isEmpty())
            return;
        m_name = "render-" + QByteArray::number(QRandomGenerator::system()->generate64(), 16) + ".rgb";
        m_path = folder + '/' + m_name;
        m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            m_buffer.reserve(BufferBytes);
    }
    ~PixelFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept && m_fd >= 0)
            ::unlink(m_path.constData());
    }
    PixelFile(const PixelFile &) = delete;
    PixelFile &operator=(const PixelFile &) = delete;

    bool open() const { return m_fd >= 0; }
    void addRow(const unsigned char *row, size_t bytes)
    {
        if (m_failed)
            return;
        m_sum.addRow(row, bytes);
        m_bytes += qint64(bytes);
        if (m_buffer.size() + qsizetype(bytes) > BufferBytes)
            flush();
        m_buffer.append(reinterpret_cast<const char *>(row), qsizetype(bytes));
    }
    // The words the answer gives of them ("NAME BYTES SUM"); empty, and the file gone, when they
    // could not all be written.
    QByteArray finish()
    {
        flush();
        if (m_failed || ::close(std::exchange(m_fd, -1)) != 0) {
            ::unlink(m_path.constData());
            return {};
        }
        m_kept = true;
        return m_name + ' ' + QByteArray::number(m_bytes) + ' ' + QByteArray::number(quint64(m_sum.value()));
    }

private:
    static constexpr qsizetype BufferBytes = qsizetype(1) << 18;
    void flush()
    {
        const char *at = m_buffer.constData();
        qsizetype left = m_buffer.size();
        while (!m_failed && left > 0) {
            const ssize_t n = ::write(m_fd, at, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                m_failed = true;
            else
                at += n, left -= n;
        }
        m_buffer.clear();
    }

    QByteArray m_name, m_path, m_buffer;
    int m_fd = -1;
    bool m_failed = false, m_kept = false;
    qint64 m_bytes = 0;
    PixelSum m_sum;
};

void renderPage(const Poppler::Document &document, const QString &path, int page, double dpi, bool fit,
                const QSize &box = QSize(), const QByteArray &pixelFolder = QByteArray())
{
    using namespace RenderProtocol;
    if (page < 1 || page > document.numPages()) {
        error(NoSuchPage, QStringLiteral("Page %1 is past the end of %2, which has %3 page(s)")
                              .arg(page).arg(path).arg(document.numPages()));
        return;
    }
    if (!std::isfinite(dpi) || dpi <= 0) {
        error(BadRequest, QStringLiteral("The resolution %1 cannot be used").arg(dpi));
        return;
    }
    const int index = page - 1;
    // Counted, but not found by its number: the page tree loops or has lost a branch. Without
    // a page there is no size either, and "no pixels" would blame the resolution.
    if (!document.page(index)) {
        error(PageTree, QStringLiteral("Page %1 of %2 cannot be found in its page tree").arg(page).arg(path));
        return;
    }
    if (box.width() > 0 || box.height() > 0) {
        dpi = PdfPages::boxDpi(document, index, box, dpi);
        if (dpi < PageChoice::MinDpi) {
            error(NoFit, QStringLiteral("Page %1 of %2 fits %3 x %4 pixels only at %5 dpi").arg(page).arg(path)
                             .arg(box.width()).arg(box.height()).arg(dpi));
            return;
        }
    } else if (fit) {
        dpi = PdfPages::fittingDpi(document, index, dpi);
    }
    const QSizeF pixels = PdfPages::pixelSize(document, index, dpi);
    if (PdfPages::tooLarge(pixels)) {
        error(TooLarge, QStringLiteral("%1 %2 Page %3 of %4 at %5 dpi would be %1 x %2 pixels; at most %6 pixels "
                                       "a side and %7 million pixels can be rendered. Choose a lower "
                                       "resolution.")
                            .arg(pixels.width(), 0, 'f', 0).arg(pixels.height(), 0, 'f', 0)
                            .arg(page).arg(path).arg(dpi)
                            .arg(PdfPages::MaxSide).arg(PdfPages::MaxPixels / 1000000));
        return;
    }
    if (pixels.width() < 1 || pixels.height() < 1) {
        error(NoPixels, QStringLiteral("Page %1 of %2 at %3 dpi would have no pixels. Choose a higher "
                                       "resolution.").arg(page).arg(path).arg(dpi));
        return;
    }
    g_allocationFailed = 0;
    logPage(page);
    QByteArray jpeg, pixelWords;
    QSize size;
    {
        const QImage image = PdfPages::render(document, index, dpi);
        if (image.isNull()) {
            if (g_allocationFailed)
                error(OutOfMemory, QStringLiteral("Page %1 of %2 needs more memory than allowed").arg(page).arg(path));
            else
                error(RenderFailed, QStringLiteral("Page %1 of %2 could not be rendered at %3 dpi")
                                        .arg(page).arg(path).arg(dpi));
            return;
        }
        // Poppler answers a bitmap it could not allocate with a stand-in of a pixel or so: a page
        // far smaller than it is was not drawn, and under the caps the memory cap is why. One
        // it could not allocate inside the page (a transparency group) is left undrawn.
        if (g_allocationFailed || image.width() < pixels.width() / 2 || image.height() < pixels.height() / 2) {
            error(OutOfMemory, QStringLiteral("Page %1 of %2 needs more memory than allowed").arg(page).arg(path));
            return;
        }
        size = image.size();
        QString why;
        // A pixel file that cannot be made or written costs the page nothing: it goes as its
        // JPEG alone, as when none was asked for.
        PixelFile pixels(pixelFolder);
        jpeg = PdfPages::encodeJpeg(image, &why, [&pixels](const unsigned char *row, size_t bytes) {
            if (pixels.open())
                pixels.addRow(row, bytes);
        });
        if (jpeg.isEmpty()) {
            error(g_allocationFailed ? OutOfMemory : RenderFailed,
                  QStringLiteral("Page %1 of %2 could not be encoded: %3").arg(page).arg(path, why));
            return;
        }
        if (pixels.open())
            pixelWords = pixels.finish();
    }
    answer("image " + QByteArray::number(jpeg.size()) + ' ' + QByteArray::number(size.width()) + ' '
           + QByteArray::number(size.height()) + ' ' + QByteArray::number(dpi, 'g', 17)
           + (pixelWords.isEmpty() ? QByteArray() : ' ' + pixelWords) + '\n');
    writeAll(jpeg.constData(), size_t(jpeg.size()));
}

// The document goes, and with it the memory it held: a renderer waiting for the next document
// holds no more than one that has just started.
void closeDocument(std::unique_ptr<Poppler::Document> &document)
{
    document.reset();
    ::malloc_trim(0);
}

// Reads exactly `count` bytes of standard input; false at its end.
bool readExactly(QByteArray *bytes, qint64 count)
{
    bytes->resize(count);
    return count == 0 || std::fread(bytes->data(), 1, size_t(count), stdin) == size_t(count);
}

int serve(int argc, char **argv);

} // namespace

int main(int argc, char **argv)
{
    std::set_new_handler(outOfMemory);
    ::signal(SIGABRT, aborted);
#ifdef LP_ADDRESS_SANITIZER
    __sanitizer_set_death_callback(sanitizerDied);
#endif
    try {
        return serve(argc, argv);
    } catch (const std::bad_alloc &) {
        // Qt throws it for an allocation it cannot do without.
        return RenderProtocol::BadAllocExit;
    }
}

namespace {

int serve(int argc, char **)
{
    if (argc != 1) {
        std::fputs("usage: lumenpage-render (requests on standard input, see the program)\n", stderr);
        return 2;
    }
    std::unique_ptr<Poppler::Document> document;
    QString path;
    // A path names one file, a password is a line: anything longer is no request.
    constexpr qint64 MaxOpenBytes = 1 << 20;
    constexpr qint64 MaxFolderBytes = 1 << 16;
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        const QList<QByteArray> words = QByteArray(line).trimmed().split(' ');
        bool pageOk = false, dpiOk = false;
        if ((words.size() == 4 || words.size() == 6 || words.size() == 7) && words[0] == "render") {
            QByteArray pixelFolder;
            if (words.size() == 7) {
                bool folderOk = false;
                const qint64 folderBytes = words[6].toLongLong(&folderOk);
                if (!folderOk || folderBytes < 1 || folderBytes > MaxFolderBytes) {
                    // The bytes that follow cannot be told from the next request.
                    error(RenderProtocol::BadRequest, QStringLiteral("Not understood: %1").arg(QString::fromUtf8(line).trimmed()));
                    return 2;
                }
                if (!readExactly(&pixelFolder, folderBytes))
                    return 0; // the program is gone
            }
            const int page = words[1].toInt(&pageOk);
            const double dpi = words[2].toDouble(&dpiOk);
            QSize box;
            if (words.size() >= 6)
                box = QSize(std::max(0, words[4].toInt()), std::max(0, words[5].toInt()));
            if (pageOk && dpiOk && document) {
                renderPage(*document, path, page, dpi, words[3] == "1", box, pixelFolder);
                continue;
            }
        } else if (words.size() == 3 && words[0] == "open") {
            bool pathOk = false, passwordOk = false;
            const qint64 pathBytes = words[1].toLongLong(&pathOk);
            const qint64 passwordBytes = words[2].toLongLong(&passwordOk);
            if (!pathOk || !passwordOk || pathBytes < 1 || pathBytes > MaxOpenBytes || passwordBytes < -1
                || passwordBytes > MaxOpenBytes) {
                // The bytes that follow cannot be told from the next request.
                error(RenderProtocol::BadRequest, QStringLiteral("Not understood: %1").arg(QString::fromUtf8(line).trimmed()));
                return 2;
            }
            closeDocument(document);
            QByteArray name, password;
            if (!readExactly(&name, pathBytes) || !readExactly(&password, std::max<qint64>(passwordBytes, 0)))
                return 0; // the program is gone
            path = QFile::decodeName(name);
            QString why;
            int kind = RenderProtocol::Unreadable;
            document = PdfPages::open(path, &why, password, passwordBytes >= 0, &kind);
            password.fill('\0');
            if (document)
                answer("pages " + QByteArray::number(document->numPages()) + '\n');
            else
                error(RenderProtocol::Kind(kind), why);
            continue;
        } else if (words.size() == 1 && words[0] == "close") {
            closeDocument(document);
            answer("closed\n");
            continue;
        }
        error(RenderProtocol::BadRequest, QStringLiteral("Not understood: %1").arg(QString::fromUtf8(line).trimmed()));
    }
    return 0;
}

} // namespace
