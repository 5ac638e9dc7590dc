#!/bin/bash
# Proves the Debian package on a fresh minimal Debian 12: installs it with apt into a copy of a
# debootstrap'd root, converts the samples with the console tool (every method, every format),
# starts the window on a virtual display, then removes the package and checks that its files
# went with it.
#
#   debootstrap --variant=minbase bookworm /srv/deb12 && tar -C /srv/deb12 -cf deb12.tar .
#   bash packaging/check-deb.sh deb12.tar build/lumenpage_*.deb
#
# Run as root (chroot, mounts). The copy of the root is made in a temporary folder and removed.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 ROOT.tar PACKAGE.deb" >&2; exit 2; }
tarball=$(realpath "$1")
deb=$(realpath "$2")

root=$(mktemp -d /var/tmp/lumenpage-deb-check.XXXXXX)
cleanup() {
  for m in sys dev/pts dev proc; do
    mountpoint -q "$root/$m" && umount -l "$root/$m"
  done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

tar -C "$root" -xf "$tarball"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind /sys "$root/sys"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
                    DEBIAN_FRONTEND=noninteractive "$@"; }

step() { printf '\n==== %s\n' "$*"; }

step "apt-get install --no-install-recommends ./$(basename "$deb")"
in_root apt-get update -q
in_root sh -c "cd /tmp && apt-get install -y -q --no-install-recommends ./$(basename "$deb")"

step "installed files"
in_root dpkg -L lumenpage | grep -E 'bin/|libexec/lumenpage/|share/lumenpage/[^/]*$|\.desktop|metainfo|man1'

step "lumenpage --version; lumenpage-batch --version"
in_root lumenpage --version
in_root lumenpage-batch --version

step "convert the samples (ghostscript, bw, gflax)"
in_root mkdir -p /tmp/out-gs /tmp/out-bw /tmp/out-gflax
in_root sh -c 'cd /usr/share/lumenpage/Samples && lumenpage-batch -o /tmp/out-gs *.pdf'
in_root sh -c 'cd /usr/share/lumenpage/Samples && lumenpage-batch -o /tmp/out-bw -m bw *.pdf'
in_root sh -c 'cd /usr/share/lumenpage/Samples && lumenpage-batch -o /tmp/out-gflax -m gflax --pages 2 *.pdf'
in_root sh -c 'ls -l /tmp/out-gs /tmp/out-bw /tmp/out-gflax'

step "every format with what the package depends on alone, and a PDF on standard input"
for format in png tiff jpeg webp; do
  in_root mkdir -p "/tmp/out-$format"
  in_root sh -c "cd /usr/share/lumenpage/Samples && lumenpage-batch -o /tmp/out-$format --format $format *.pdf"
done
in_root mkdir -p /tmp/out-stdin
in_root sh -c 'lumenpage-batch -o /tmp/out-stdin - < "/usr/share/lumenpage/Samples/Quillfern Letter.pdf"'
in_root sh -c 'ls -l /tmp/out-png /tmp/out-tiff /tmp/out-jpeg /tmp/out-webp /tmp/out-stdin'

step "the window on a virtual display (xvfb, for this check only), a sample given on its command line"
in_root apt-get install -y -q --no-install-recommends xvfb xauth x11-apps >/dev/null
status=0
in_root sh -c 'cd /tmp && xvfb-run -a -s "-screen 0 1100x400x24" sh -c "
    lumenpage \"/usr/share/lumenpage/Samples/Quillfern Letter.pdf\" & pid=\$!
    sleep 5; xwd -root -silent > /tmp/window.xwd
    kill -0 \$pid && echo \"lumenpage is running\"; kill \$pid"' || status=$?
[ -s "$root/tmp/window.xwd" ] && cp "$root/tmp/window.xwd" "${WINDOW_XWD:-/tmp/lumenpage-deb-window.xwd}" \
  && echo "screenshot: ${WINDOW_XWD:-/tmp/lumenpage-deb-window.xwd}"
[ "$status" -eq 0 ] || { echo "the window did not run (status $status)" >&2; exit 1; }

step "apt-get remove lumenpage"
in_root apt-get remove -y -q lumenpage
left=$(in_root sh -c 'ls -d /usr/bin/lumenpage /usr/bin/lumenpage-batch /usr/share/lumenpage \
         /usr/share/applications/org.lumenpage.Lumenpage.desktop 2>/dev/null' || true)
if [ -n "$left" ]; then
  echo "left behind after removal:" >&2; echo "$left" >&2; exit 1
fi
in_root dpkg -s lumenpage 2>&1 | head -2 || true
echo "removed: no program, AppFolder or desktop entry left"
echo
echo "PASS: the package installs, both programs work, and it removes cleanly"
