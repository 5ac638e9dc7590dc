#!/bin/sh
# Renders every page of current.pdf in this folder in black and white at 144 dpi as
# current/page00001.jpg, current/page00002.jpg, ... then removes current.pdf whatever happened.
#
# Black and white is a threshold in the transfer function (ink darker than half grey is black,
# the rest white) with anti-aliasing off, so no page pixel is grey before JPEG. Quality 100
# keeps the JPEG ringing around edges to a few pixels in ten thousand.
cd "$(dirname "$0")" || exit 1
status=0
mkdir -p current || status=$?
# The sub-folder must hold this document's pages and nothing else.
rm -f current/*.jpg
if [ "$status" -eq 0 ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeggray -r144 -dJPEGQ=100 \
       -dTextAlphaBits=1 -dGraphicsAlphaBits=1 \
       -sOutputFile=current/page%05d.jpg \
       -c "{0.5 lt {0} {1} ifelse} settransfer" -f current.pdf </dev/null || status=$?
fi
# A page gs abandoned half-written would fail later as an undecodable image.
for f in current/*.jpg; do
    [ -f "$f" ] && [ ! -s "$f" ] && rm -f "$f"
done
# No pages, no sub-folder: the program tells a document that gave nothing by its absence.
rmdir current 2>/dev/null
rm -f current.pdf
exit "$status"
