#!/bin/bash
# Installs what is missing, builds into build/ and then either starts the program (run) or runs
# every test (test). Safe to run again: packages already there are not installed twice.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
case "$mode" in run|test) ;; *) echo "usage: $0 run|test" >&2; exit 2 ;; esac

packages=(g++ make cmake pkg-config qt6-base-dev qt6-image-formats-plugins libpoppler-qt6-dev
          ghostscript libjpeg-turbo-progs libjpeg62-turbo-dev libgif-dev libcgif-dev libimagequant-dev xvfb xauth fonts-dejavu-core
          qt6-l10n-tools qt6-translations-l10n)
# Only the tests need these: the validators of the desktop entry and the AppStream file, what
# `cpack -G DEB` needs to find the package's library dependencies, GNU parallel, whose use
# the README shows, with what its many-machines recipe runs on the second machine the test
# starts (an ssh server on a loopback port, rsync), and qpdf, which locks the tests' PDFs with
# 256-bit AES.
if [ "$mode" = test ]; then
  packages+=(desktop-file-utils appstream dpkg-dev file parallel openssh-server openssh-client rsync qpdf)
  # The sanitizer build and the fuzz targets: clang with its runtime libraries (libFuzzer,
  # AddressSanitizer, UndefinedBehaviorSanitizer), and ccache if it is there.
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The window needs a display. Without one, say how to get one before spending minutes on a
# build it cannot show; what the suggestions need (Xvfb, the compiler, CMake) is installed above.
if [ "$mode" = run ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "lumenpage: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run it from a desktop session, or under a virtual display (a window nobody sees; Ctrl-C ends it):" >&2
  echo "  xvfb-run -a bash setup.sh run" >&2
  echo "For conversions without a window, build and use the console tool:" >&2
  echo "  cmake -S . -B build && cmake --build build -j2 --target lumenpage-batch && build/lumenpage-batch --help" >&2
  exit 1
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "$mode" = test ]; then
  cmake --build build -j2
  (cd build && ctest --output-on-failure -j2)
  # The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer, in a tree of its
  # own built by clang, with the fuzz targets; then each fuzz target for a minute from the seeds
  # the project makes itself.
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENPAGE_FUZZ=ON "${launcher[@]}"
  cmake --build build-asan -j2
  (cd build-asan && ctest --output-on-failure -j2)
  exec fuzz/run.sh build-asan "${LUMENPAGE_FUZZ_SECONDS:-60}"
fi

# Only what the window needs: the program (its AppFolder comes with it), no tests or benchmarks.
cmake --build build -j2 --target lumenpage
exec build/lumenpage
