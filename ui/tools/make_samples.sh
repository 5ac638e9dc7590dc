#!/bin/sh
# Renders the sample PDF files of assets/Samples from the PostScript sources beside this script.
# Run from anywhere: sh ui/tools/make_samples.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../assets/Samples"
mkdir -p "$out"
for doc in tour:"Lumenpage Tour.pdf" letter:"Quillfern Letter.pdf"; do
  src=${doc%%:*}
  name=${doc#*:}
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -dCompatibilityLevel=1.4 \
     -sOutputFile="$out/$name" "$here/samples/common.ps" "$here/samples/$src.ps"
done
ls -l "$out"
