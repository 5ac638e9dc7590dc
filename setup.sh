#!/bin/bash
# Installs what is missing, builds into build/ and then either starts the program (run), builds
# the console tool alone for a machine without a display (console), runs the test suite of that
# build (check, a few minutes) or runs every test (test: also a sanitizer build and the fuzz
# targets, about half an hour on two cores). Safe to run again: packages already there
# are not installed twice. Installing never enables or starts a service (see install_packages).
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
case "$mode" in run|console|check|test) ;; *) echo "usage: $0 run|console|check|test" >&2; exit 2 ;; esac

SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
policy=/usr/sbin/policy-rc.d
policy_saved=$policy.lumenpage-setup

installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | LC_ALL=C sort -u
}

# The packages the tests pull in that ship a daemon: the ssh server of the many-machines test,
# rsync (which carries an rsync server beside its client) and sysstat (GNU parallel's dependency,
# whose service and timers collect the system's activity every ten minutes). Their postinst enables the
# daemon's units and init script on first installation; that is undone the way an administrator
# would (so an upgrade keeps them off), and only for these, only when this command installed
# them: the boot scripts of ordinary tools pulled in with them (procps, x11-common, ...) stay as
# their packages set them, and units a package did not enable are left as they are.
daemon_packages=(openssh-server rsync sysstat)

disable_services_of() {
  local package=$1 file
  while read -r file; do
    case "$file" in
      /lib/systemd/system/*@.*|/usr/lib/systemd/system/*@.*) ;;
      /lib/systemd/system/*.service|/lib/systemd/system/*.socket|/lib/systemd/system/*.timer|\
      /usr/lib/systemd/system/*.service|/usr/lib/systemd/system/*.socket|/usr/lib/systemd/system/*.timer)
        [ -f "$file" ] && grep -q '^\[Install\]' "$file" || continue
        $SUDO env DPKG_MAINTSCRIPT_PACKAGE="$package" deb-systemd-helper disable "${file##*/}" ;;
      /etc/init.d/*)
        [ -x "$file" ] && ls /etc/rc[S2-5].d/S??"${file##*/}" >/dev/null 2>&1 || continue
        $SUDO update-rc.d "${file##*/}" disable >/dev/null ;;
    esac
  done < <(dpkg-query -L "$package" 2>/dev/null)
}

# While packages are installed, a policy-rc.d refuses every start (a server pulled in for the
# tests, openssh-server, must not begin listening), and afterwards what the daemons' packages
# enabled is disabled again. Both also when apt-get fails or is interrupted; a policy-rc.d the
# machine already has is put back as it was.
policy=/usr/sbin/policy-rc.d
policy_saved=$policy.lumenpage-setup
packages_before=""

forbid_service_starts() {
  packages_before=$(installed_packages)
  if [ -e "$policy" ] && [ ! -e "$policy_saved" ]; then
    $SUDO mv "$policy" "$policy_saved"
  fi
  printf '#!/bin/sh\n# lumenpage setup.sh: no service starts while it installs packages.\nexit 101\n' \
    | $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  trap end_of_installing EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}

end_of_installing() {
  local package
  # Of what apt-get installed just now, the daemons' packages.
  while read -r package; do
    [ -n "$package" ] && disable_services_of "$package"
  done < <(LC_ALL=C comm -12 <(LC_ALL=C comm -13 <(echo "$packages_before") <(installed_packages)) \
                             <(printf '%s\n' "${daemon_packages[@]}" | LC_ALL=C sort -u))
  if [ -e "$policy_saved" ]; then
    $SUDO mv -f "$policy_saved" "$policy"
  else
    $SUDO rm -f "$policy"
  fi
  trap - EXIT INT TERM HUP
}

install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  forbid_service_starts
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "$@"
  end_of_installing
}

packages=(g++ make cmake pkg-config qt6-base-dev qt6-image-formats-plugins libpoppler-qt6-dev
          ghostscript libjpeg-turbo-progs libjpeg62-turbo-dev zlib1g-dev libgif-dev libcgif-dev libimagequant-dev xvfb xauth fonts-dejavu-core
          qt6-l10n-tools qt6-translations-l10n)
# Only the tests need these: the validators of the desktop entry and the AppStream file, what
# `cpack -G DEB` needs to find the package's library dependencies, lintian (the package's
# checker, which the package test runs on the .deb), GNU parallel, whose use
# the README shows, with what its many-machines recipe runs on the second machine the test
# starts (an ssh server on a loopback port, rsync), and qpdf, which locks the tests' PDFs with
# 256-bit AES.
# The console tool needs no display.
if [ "$mode" = console ]; then
  kept=()
  for p in "${packages[@]}"; do
    case "$p" in xvfb|xauth) ;; *) kept+=("$p") ;; esac
  done
  packages=("${kept[@]}")
fi
if [ "$mode" = check ] || [ "$mode" = test ]; then
  packages+=(desktop-file-utils appstream dpkg-dev file lintian parallel openssh-server openssh-client rsync qpdf)
fi
# The sanitizer build and the fuzz targets: clang with its runtime libraries (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer), and ccache if it is there.
if [ "$mode" = test ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  install_packages "${missing[@]}"
fi

# The window needs a display. Without one, say how to get one before spending minutes on a
# build it cannot show; what the suggestions need (Xvfb, the compiler, CMake) is installed above.
if [ "$mode" = run ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "lumenpage: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run it from a desktop session, or under a virtual display (a window nobody sees; Ctrl-C ends it):" >&2
  echo "  xvfb-run -a bash setup.sh run" >&2
  echo "For conversions without a window, build and use the console tool:" >&2
  echo "  bash setup.sh console" >&2
  exit 1
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "$mode" = console ]; then
  # The console tool and what it starts (the page renderer, the page image writer, the scripts):
  # no window, no tests.
  cmake --build build -j2 --target lumenpage-batch
  echo "Built: $(pwd)/build/lumenpage-batch. Convert a PDF with:"
  echo "  build/lumenpage-batch -o OUTPUT_FOLDER FILE.pdf"
  exit 0
fi

if [ "$mode" != run ]; then
  cmake --build build -j2
  (cd build && ctest --output-on-failure -j2)
  [ "$mode" = check ] && exit 0
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
