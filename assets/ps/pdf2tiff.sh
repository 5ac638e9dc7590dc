#!/bin/sh
# Renders every page of current.pdf in this folder as current00001.jpg, current00002.jpg, ...
# (144 dpi, anti-aliased text and graphics), then removes current.pdf whatever happened.
cd "$(dirname "$0")" || exit 1
status=0
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -r144 -dJPEGQ=92 \
   -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
   -sOutputFile=current%05d.jpg -f current.pdf </dev/null || status=$?
rm -f current.pdf
exit $status
