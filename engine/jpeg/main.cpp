// lumenpage-jpeg: the page images of one Ghostscript run of ps/pdf2tiff.sh, which starts it as
// Ghostscript's output pipe. The raw pages (PPM, one after another) come on standard input;
// each becomes currentNNNNN.jpg in the current folder, as `cjpeg -quality 100 -rgb` writes it
// (byte for byte: the same library with the same settings), under its name only once complete,
// and "page N FILE" is said on standard output (see shared/common.sh).
//
//   lumenpage-jpeg OFFSET [GS]   page k of the run is PDF page OFFSET + k
//   lumenpage-jpeg pick [GS]     page k is the k-th number of LUMENPAGE_PICKED
//
// GS, Ghostscript's process id, lets it hold the time cap per page (LUMENPAGE_PAGE_SECONDS):
// when nothing comes for that long while it reads, Ghostscript is stopped and "timecap" said.
//
// A page is taken off the pipe into a raw file beside it and compressed on a second thread, so
// that Ghostscript draws the next page meanwhile instead of waiting for the compression; one
// process does what a shell, cat, cjpeg, mv and rm did for every page. With
// LUMENPAGE_MAX_PENDING=K (a reader takes the page images while the document is drawn) a page
// is taken only while fewer than K wait for the reader or are being compressed: Ghostscript
// then waits on its pipe, and scratch space holds at most K page images and two raw pages.
// Nobody takes pages once LUMENPAGE_READER (a process id) is gone: the run then ends.
// With LUMENPAGE_KEEP_PIXELS=1 as well, each page image comes with the pixels Ghostscript drew
// beside it, currentNNNNN.jpg.rgb (8-bit RGB rows, no header), and the page's line names them
// with their size and checksum (pixelsum.h): "page N FILE PIXELS BYTES SUM". The reader takes
// them instead of decoding the page image again only when they are still what was said, and
// removes both. A page whose pixels could not be kept is said without them. Scratch space then
// holds the K page images with their pixels, and the two raw pages.
// Exit status 0 when every page that came was written; a page cut short (Ghostscript ended
// inside it) leaves nothing.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "pipeinput.h"
#include "pixelsum.h"

#include <condition_variable>
#include <csetjmp>
#include <cinttypes>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Page {
    long number = 0;
    std::string name; // currentNNNNN.jpg
    int width = 0;
    int height = 0;
};

// Beside a page's name, the raw page and its pixels carry a name nobody can guess ahead, drawn
// when the process starts: another process of the user that plants or truncates files under
// the names it expects hits none of them (a file truncated under a mapping would end this
// one with SIGBUS), and what it finds by looking is still checked against the page's line.
std::string token;
std::string rawOf(const Page &page) { return page.name + "." + token + ".raw"; }
std::string pixelsOf(const Page &page) { return page.name + "." + token + ".rgb"; }

// The reader takes each page's drawn pixels with its page image.
bool keepPixels = false;

std::string nameOf(long number)
{
    char name[40];
    std::snprintf(name, sizeof name, "current%05ld.jpg", number);
    return name;
}

// Moves the page's pixels off the pipe into its raw file; false when the stream ends inside it
// or the file cannot be written (the raw file is then removed).
bool takeRaw(Input &in, const Page &page)
{
    const std::string raw = rawOf(page);
    const int out = ::open(raw.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool ok = out >= 0 && in.moveTo(out, size_t(3) * size_t(page.width) * size_t(page.height));
    if (out >= 0 && ::close(out) != 0)
        ok = false;
    if (!ok)
        std::remove(raw.c_str());
    return ok;
}

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void failJpeg(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegFailure *>(info->err)->jump, 1);
}

// Rows, one `readRow(row)` at a time (the row, in `row` or elsewhere; null when it is missing),
// to JPEG on `out`; false when a row is missing or libjpeg failed. (Only plain values live
// across the setjmp.)
template <typename ReadRow>
bool writeJpeg(const ReadRow &readRow, std::FILE *out, int width, int height, JSAMPLE *row)
{
    jpeg_compress_struct info;
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = failJpeg;
    if (setjmp(failure.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_RGB);
    jpeg_set_quality(&info, 100, FALSE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const JSAMPLE *const next = readRow(row);
        if (!next) {
            jpeg_destroy_compress(&info);
            return false;
        }
        JSAMPROW rows[1] = {const_cast<JSAMPLE *>(next)}; // only read
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// The page, its rows read by `readRow`, as its page image, complete under its name and said
// on standard output with its pixels when `pixels` (asked once the page image is complete,
// before it takes its name: they lie beside it before it appears) says they were kept, summed
// as `sum`; false when it could not be written (the pixels are then removed).
template <typename ReadRow, typename Kept>
bool writePage(const Page &page, const ReadRow &readRow, const Kept &pixels, const PixelSum &sum)
{
    const std::string part = page.name + ".part";
    std::FILE *out = std::fopen(part.c_str(), "wb");
    std::vector<JSAMPLE> row(size_t(page.width) * 3);
    bool ok = out && writeJpeg(readRow, out, page.width, page.height, row.data());
    if (out && (std::fflush(out) != 0 || std::ferror(out)))
        ok = false;
    if (out && std::fclose(out) != 0)
        ok = false;
    const bool withPixels = ok && pixels();
    ok = ok && std::rename(part.c_str(), page.name.c_str()) == 0;
    if (!ok) {
        std::remove(part.c_str());
        if (withPixels)
            std::remove(pixelsOf(page).c_str());
        return false;
    }
    if (withPixels)
        std::printf("page %ld %s %s %zu %016" PRIx64 "\n", page.number, page.name.c_str(), pixelsOf(page).c_str(),
                    size_t(page.width) * 3 * size_t(page.height), sum.value());
    else
        std::printf("page %ld %s\n", page.number, page.name.c_str());
    std::fflush(stdout);
    return true;
}

// The raw page as its page image, its rows read where the file lies in memory; the raw page is
// removed either way.
bool compress(const Page &page)
{
    const std::string raw = rawOf(page);
    const size_t rowBytes = size_t(page.width) * 3;
    const size_t size = rowBytes * size_t(page.height);
    const int fd = ::open(raw.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    // A file shorter than the page would fault when read past its end: never mapped.
    void *const map = fd >= 0 && ::fstat(fd, &info) == 0 && size_t(info.st_size) == size
                              ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                              : MAP_FAILED;
    bool ok = false, kept = false;
    if (map != MAP_FAILED) {
        ::madvise(map, size, MADV_SEQUENTIAL);
        const auto *rows = static_cast<const JSAMPLE *>(map);
        const size_t pageSize = size_t(::sysconf(_SC_PAGESIZE));
        size_t at = 0, dropped = 0;
        PixelSum sum;
        ok = writePage(page, [&](JSAMPLE *) {
            // The rows compressed leave this process's memory as it goes (they stay in the
            // file): it holds a few hundred kilobytes of the page, not all of it.
            if (at - dropped >= (size_t(1) << 18)) {
                const size_t upTo = at / pageSize * pageSize;
                ::madvise(const_cast<JSAMPLE *>(rows) + dropped, upTo - dropped, MADV_DONTNEED);
                dropped = upTo;
            }
            const JSAMPLE *const next = rows + at;
            at += rowBytes;
            if (keepPixels)
                sum.addRow(next, rowBytes);
            return next;
        }, [&] {
            // Every row read: nothing faults on the mapping once the file has left its name.
            kept = keepPixels && std::rename(raw.c_str(), pixelsOf(page).c_str()) == 0;
            return kept;
        }, sum);
        ::munmap(map, size);
    }
    if (fd >= 0)
        ::close(fd);
    if (!kept)
        std::remove(raw.c_str());
    return ok;
}

// The page straight off the pipe as its page image, Ghostscript waiting: for a run's first
// page, which nothing else is there to overlap, so that its page image (and GIF) come first.
// The pixels kept go to the raw file as they pass, and are the page's once all are there; a
// write that fails only costs the reader the shortcut.
bool compressStreamed(Input &input, const Page &page)
{
    const size_t rowBytes = size_t(page.width) * 3;
    const std::string raw = rawOf(page);
    int pixels = keepPixels ? ::open(raw.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600) : -1;
    int rows = 0;
    bool kept = false;
    PixelSum sum;
    const bool ok = writePage(page, [&](JSAMPLE *row) -> const JSAMPLE * {
        if (input.read(reinterpret_cast<char *>(row), rowBytes) != rowBytes)
            return nullptr;
        if (pixels >= 0 && ::write(pixels, row, rowBytes) != ssize_t(rowBytes)) {
            ::close(pixels);
            pixels = -1;
            std::remove(raw.c_str());
        }
        if (pixels >= 0)
            sum.addRow(row, rowBytes);
        if (pixels >= 0 && ++rows == page.height) {
            const bool closed = ::close(pixels) == 0;
            pixels = -1;
            kept = closed && std::rename(raw.c_str(), pixelsOf(page).c_str()) == 0;
            if (!kept)
                std::remove(raw.c_str());
        }
        return row;
    }, [&] { return kept; }, sum);
    if (pixels >= 0) {
        ::close(pixels);
        std::remove(raw.c_str());
    }
    if (!ok)
        std::remove(pixelsOf(page).c_str());
    return ok;
}

// Page images in the folder that the reader has not taken.
int waiting()
{
    int count = 0;
    if (DIR *dir = opendir(".")) {
        while (const dirent *entry = readdir(dir)) {
            const size_t n = std::strlen(entry->d_name);
            if (n > 11 && std::strncmp(entry->d_name, "current", 7) == 0 && std::strcmp(entry->d_name + n - 4, ".jpg") == 0)
                ++count;
        }
        closedir(dir);
    }
    return count;
}

// The compressing thread: one page at a time, in the order they came.
class Compressor {
public:
    Compressor() : m_thread([this] { work(); }) {}
    ~Compressor()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ending = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    // Waits until the page before is compressed, then hands this one over.
    void hand(const Page &page)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_page; });
        m_page = page;
        m_changed.notify_all();
    }
    // Waits until the page it holds is compressed; whether every page was.
    bool finish()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_page; });
        return !m_failed;
    }
    bool busy()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_page.has_value();
    }

private:
    void work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_page || m_ending; });
            if (!m_page)
                return;
            const Page page = *m_page;
            lock.unlock();
            const bool ok = compress(page);
            lock.lock();
            m_failed = m_failed || !ok;
            m_page.reset();
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Page> m_page;
    bool m_ending = false;
    bool m_failed = false;
    std::thread m_thread;
};

long envNumber(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : 0;
}

// The pages of LUMENPAGE_PICKED, in its order.
std::vector<long> pickedPages()
{
    std::vector<long> picked;
    const char *list = std::getenv("LUMENPAGE_PICKED");
    for (char *end = nullptr; list && *list; list = end) {
        const long n = std::strtol(list, &end, 10);
        if (end == list)
            break;
        picked.push_back(n);
    }
    return picked;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: lumenpage-jpeg OFFSET|pick [GHOSTSCRIPT-PID] < pages.ppm\n");
        return 2;
    }
    const bool pick = std::strcmp(argv[1], "pick") == 0;
    const long offset = pick ? 0 : std::strtol(argv[1], nullptr, 10);
    const std::vector<long> picked = pick ? pickedPages() : std::vector<long>();
    // A pipe that holds a megabyte: Ghostscript writes a page in a few large steps, not in a
    // thousand small ones each waiting for this program to read. (Not a pipe: nothing to do.)
    ::fcntl(0, F_SETPIPE_SZ, 1 << 20);
    const long limit = envNumber("LUMENPAGE_MAX_PENDING");
    const long reader = envNumber("LUMENPAGE_READER");
    keepPixels = limit > 0 && envNumber("LUMENPAGE_KEEP_PIXELS") == 1;
    unsigned char random[8] = {};
    if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random))
        return 1;
    for (const unsigned char byte : random) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        token += hex;
    }
    // The time cap per page is held here when the Ghostscript to stop is named.
    Input input(int(envNumber("LUMENPAGE_PAGE_SECONDS")), argc == 3 ? pid_t(std::strtol(argv[2], nullptr, 10)) : 0);
    bool ok = true;
    Compressor compressor;
    for (size_t k = 1;; ++k) {
        // Room for one more: the reader has taken enough, or is gone.
        while (limit > 0 && waiting() + (compressor.busy() ? 1 : 0) >= limit) {
            if (reader > 1 && ::kill(pid_t(reader), 0) != 0 && errno == ESRCH)
                return 1;
            ::usleep(2000);
            input.rest();
        }
        Page page;
        bool atEnd = false;
        if (!readHeader(input, page.width, page.height, atEnd)) {
            ok = atEnd;
            break;
        }
        page.number = pick ? (k <= picked.size() ? picked[k - 1] : 0) : offset + long(k);
        page.name = nameOf(page.number);
        if (page.number <= 0 || !(k == 1 ? compressStreamed(input, page) : takeRaw(input, page))) {
            ok = false;
            break;
        }
        if (k > 1)
            compressor.hand(page);
        input.rest();
    }
    // The page before a cut one is still written.
    return compressor.finish() && ok ? 0 : 1;
}
