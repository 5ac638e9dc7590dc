#!/bin/sh
# Run by Ghostscript for each page that pdf2tiff.sh renders, as "sh compress.sh OFFSET N": the
# page, PDF page OFFSET + N, comes as PPM on standard input and leaves as currentNNNNN.jpg, which
# appears under that name only when complete. A page that could not be drawn (named in
# render.log) is dropped.
page=$(($1 + $2))
name=current$(printf '%05d' "$page").jpg
if grep -q "current.pdf: page $page could not" render.log 2>/dev/null; then
    cat >/dev/null
    exit 1
fi
cjpeg -quality 100 -rgb -outfile "$name.part" && mv -f "$name.part" "$name"
