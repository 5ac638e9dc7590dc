#!/bin/sh
# Renders every page of current.pdf in this folder in black and white at 144 dpi as
# current/page00001.jpg, current/page00002.jpg, ... then removes current.pdf whatever happened.
#
# Pages are first rendered to 1-bit bitmaps, so every pixel is pure black or white: a threshold
# in the transfer function makes ink darker than half grey black and the rest white. (Thresholding
# straight into an 8-bit device leaves colours at the threshold grey, as the transfer function is
# interpolated.) Each bitmap is then drawn pixel for pixel onto a JPEG page; quality 100 keeps the
# JPEG ringing around edges to a few pixels in ten thousand.
cd "$(dirname "$0")" || exit 1
status=0
mkdir -p current || status=$?
# The sub-folder must hold this document's pages and nothing else.
rm -f current/*.jpg current/*.pbm
if [ "$status" -eq 0 ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r144 \
       -sOutputFile=current/page%05d.pbm \
       -c "{0.5 lt {0} {1} ifelse} settransfer" -f current.pdf </dev/null || status=$?
fi
# One Ghostscript for all pages: the bitmaps in page order (their names are zero-padded).
bitmaps=0
printf '/Bitmaps [\n' > bitmaps.ps
for bitmap in current/page*.pbm; do
    [ -f "$bitmap" ] || continue
    printf '(%s)\n' "$bitmap" >> bitmaps.ps
    bitmaps=$((bitmaps + 1))
done
printf '] def\n' >> bitmaps.ps
if [ "$bitmaps" -gt 0 ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current/ \
       -sDEVICE=jpeggray -r144 -dJPEGQ=100 \
       -sOutputFile=current/page%05d.jpg bitmaps.ps pbm2jpeg.ps </dev/null || status=$?
fi
rm -f current/*.pbm bitmaps.ps
# A page abandoned half-written would fail later as an undecodable image.
for page in current/*.jpg; do
    [ -f "$page" ] && [ ! -s "$page" ] && rm -f "$page"
done
# No pages, no sub-folder: the program tells a document that gave nothing by its absence.
rmdir current 2>/dev/null
rm -f current.pdf
exit "$status"
