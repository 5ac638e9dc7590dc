// The page image writer's reading of Ghostscript's pipe (lumenpage-jpeg), on any bytes that
// could come down it: headers, pages cut short, pages one after another. Through a real pipe,
// as standard input, so that the splice into a page's raw file is the one the writer makes;
// never a crash, a hang or a read out of bounds, whatever the stream holds.
#include "engine/jpeg/pipeinput.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The stream's bytes as standard input: a pipe that holds them all, its writing end closed.
bool asStandardInput(const uint8_t *data, size_t size)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(ends[1], data + done, size - done);
        if (put <= 0)
            break;
        done += size_t(put);
    }
    ::close(ends[1]);
    const bool ok = done == size && ::dup2(ends[0], 0) == 0;
    ::close(ends[0]);
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // More than the pipe holds would block the write: the writer never sees that either, as
    // Ghostscript waits for it.
    if (size > (1 << 20) || !asStandardInput(data, size))
        return 0;
    // The raw file of a page: in memory, as a file the splice can move into.
    static const int raw = ::memfd_create("fuzz_ppmstream", MFD_CLOEXEC);
    if (raw < 0)
        std::abort();
    Input in(0, 0);
    std::vector<char> row;
    for (int k = 1;; ++k) {
        int width = 0, height = 0;
        bool atEnd = false;
        if (!readHeader(in, width, height, atEnd))
            break;
        const size_t rowBytes = size_t(width) * 3;
        if (k == 1) {
            // The first page is read row by row, as the writer compresses it off the pipe.
            row.resize(rowBytes);
            for (int y = 0; y < height && in.read(row.data(), rowBytes) == rowBytes; ++y) {
            }
        } else {
            ::ftruncate(raw, 0);
            ::lseek(raw, 0, SEEK_SET);
            if (!in.moveTo(raw, rowBytes * size_t(height)))
                break;
        }
    }
    return 0;
}
