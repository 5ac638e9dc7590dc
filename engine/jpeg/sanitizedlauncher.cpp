// lumenpage-jpeg of a sanitizer build: starts the sanitized writer beside it
// (lumenpage-jpeg-sanitized), so that the program that splices raw pixels runs under the
// sanitizers like the rest. The scripts start the writer under the run's cap on address space,
// which the sanitizers' shadow memory (terabytes reserved) cannot start under: this launcher,
// built plain, lifts that cap for the writer alone and gives the sanitizer's own cap on the
// resident memory the same size, as the program does for its page renderer.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

int main(int, char **argv)
{
    rlimit space{};
    if (::getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
        const char *given = std::getenv("ASAN_OPTIONS");
        const std::string options = std::string(given ? given : "") + ":hard_rss_limit_mb="
                                    + std::to_string(static_cast<unsigned long long>(space.rlim_cur >> 20));
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
        space.rlim_cur = space.rlim_max;
        ::setrlimit(RLIMIT_AS, &space);
    }
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::perror("lumenpage-jpeg: /proc/self/exe");
        return 127;
    }
    self[n] = '\0';
    std::string writer(self);
    writer = writer.substr(0, writer.rfind('/') + 1) + "lumenpage-jpeg-sanitized";
    ::execv(writer.c_str(), argv);
    std::fprintf(stderr, "lumenpage-jpeg: %s: %s\n", writer.c_str(), std::strerror(errno));
    return 127;
}
