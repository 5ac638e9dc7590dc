#!/bin/sh
# JPEG and WebP pages: lumenpage-batch --format jpeg|webp against pdftoppm's JPEG (poppler-utils)
# and libvips's WebP (vips copy, libvips-tools), every page of one PDF at 144 dpi, at each tool's
# own default quality and all at quality 90, the tools taking turns round after round. For each
# run: the bytes of all its pages, wall and CPU time (user + system of the whole process tree,
# from /usr/bin/time), and the load average just before it, as other work on the machine
# lengthens wall times. The last lines are each tool's median over the rounds, then, where
# ImageMagick's compare is installed, each setting's median PSNR a page against the lossless
# render of its own renderer (Ghostscript's png16m as ps/pdf2tiff.sh draws, pdftoppm -png, vips
# to PNG), so that the bytes are read beside what they buy.
#   bench/formats.sh build/lumenpage-batch DOCUMENT.pdf [ROUNDS]
# DOCUMENT.pdf: the 24-page document.pdf that bench_endtoend --work DIR keeps, or any PDF.
# vips draws one page a call ("in.pdf[page=N,dpi=144]"), so it runs once a page, all pages in
# one timed shell.
set -u
batch=$1 pdf=$2 rounds=${3:-3}
[ -x "$batch" ] && [ -f "$pdf" ] || { echo "usage: $0 LUMENPAGE-BATCH DOCUMENT.pdf [ROUNDS]" >&2; exit 2; }
for tool in pdftoppm vips vipsheader /usr/bin/time; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (poppler-utils, libvips-tools, time)" >&2; exit 2; }
done
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
pages=$(vipsheader -f n-pages "$pdf") || exit 1

# One run of one tool into a fresh folder: prints "tool bytes wall cpu load".
run() {
    name=$1; shift
    rm -rf "$work/out" && mkdir "$work/out" || exit 1
    [ -z "${keep:-}" ] || mkdir "$work/$name" || exit 1
    read -r load _ < /proc/loadavg
    /usr/bin/time -o "$work/time" -f "%e %U %S" "$@" || { echo "$name failed" >&2; exit 1; }
    bytes=$(find "$work/out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    files=$(find "$work/out" -type f | wc -l)
    [ "$files" -eq "$pages" ] || { echo "$name wrote $files files for $pages pages" >&2; exit 1; }
    read -r wall user sys < "$work/time"
    [ -z "${keep:-}" ] || cp "$work"/out/* "$work/$name/" || exit 1
    echo "$name $bytes $wall $user $sys $load" | awk '{ printf "%-22s %10d bytes  wall %6.2f s  CPU %6.2f s  load %s\n", $1, $2, $3, $4 + $5, $6 }'
}

# vips, every page in one timed shell; QUALITY empty: vips's default.
vipsPages='pdf=$1 pages=$2 out=$3 q=$4 i=0
           while [ "$i" -lt "$pages" ]; do
               vips copy "$pdf[page=$i,dpi=144]" "$out/p-$i.webp${q:+[Q=$q]}" || exit 1
               i=$((i + 1))
           done'

# The last round keeps every tool's pages for the PSNR pass.
r=1
while [ "$r" -le "$rounds" ]; do
    [ "$r" -lt "$rounds" ] || keep=1
    run lumenpage-jpeg "$batch" -q --format jpeg -o "$work/out" "$pdf"
    run pdftoppm-jpeg pdftoppm -jpeg -r 144 "$pdf" "$work/out/p"
    run pdftoppm-jpeg-q90 pdftoppm -jpeg -jpegopt quality=90 -r 144 "$pdf" "$work/out/p"
    run lumenpage-webp "$batch" -q --format webp -o "$work/out" "$pdf"
    run vips-webp sh -c "$vipsPages" sh "$pdf" "$pages" "$work/out" ""
    run vips-webp-q90 sh -c "$vipsPages" sh "$pdf" "$pages" "$work/out" 90
    run lumenpage-jpeg-q75 "$batch" -q --format jpeg --quality 75 -o "$work/out" "$pdf"
    run lumenpage-webp-q75 "$batch" -q --format webp --quality 75 -o "$work/out" "$pdf"
    r=$((r + 1))
done | tee "$work/runs"
echo "medians over $rounds rounds ($pages pages):"
awk '
    function median(list,   v, k, n, i, j, x) {
        n = split(list, v, " ")
        for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] + 0 > x + 0; j--) v[j + 1] = v[j]; v[j + 1] = x }
        return v[int((n + 1) / 2)]
    }
    !($1 in seen) { seen[$1] = 1; order[++tools] = $1 }
    { b[$1] = b[$1] " " $2; w[$1] = w[$1] " " $5; c[$1] = c[$1] " " $8 }
    END { for (k = 1; k <= tools; k++) { t = order[k]
              printf "%-22s %10d bytes  wall %6.2f s  CPU %6.2f s\n", t, median(b[t]), median(w[t]), median(c[t]) } }' "$work/runs"

command -v compare >/dev/null 2>&1 || { echo "ImageMagick's compare is missing: no PSNR"; exit 0; }
mkdir "$work/ref-gs" "$work/ref-poppler" "$work/ref-vips" || exit 1
gs -q -dSAFER -dBATCH -dNOPAUSE -r144 -sDEVICE=png16m -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
   -sOutputFile="$work/ref-gs/p-%03d.png" -f "$pdf" || exit 1
pdftoppm -png -r 144 "$pdf" "$work/ref-poppler/p" || exit 1
sh -c "$(printf '%s' "$vipsPages" | sed 's/\.webp/.png/')" sh "$pdf" "$pages" "$work/ref-vips" "" || exit 1
# The median over the pages of PSNR (dB) of a setting's pages against its renderer's.
psnr() { # NAME REFERENCE
    ls "$work/$1" | sort -V > "$work/a" && ls "$work/$2" | sort -V > "$work/b" || exit 1
    paste "$work/a" "$work/b" | while read -r a b; do
        compare -metric PSNR "$work/$1/$a" "$work/$2/$b" null: 2>&1; echo
    done | awk 'NF { v[++n] = ($1 == "inf" ? 999 : $1) } END {
        for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
        printf "%.1f", v[int((n + 1) / 2)] }'
}
echo "median PSNR a page against the lossless render of the same renderer:"
for pair in lumenpage-jpeg:ref-gs lumenpage-jpeg-q75:ref-gs lumenpage-webp:ref-gs lumenpage-webp-q75:ref-gs \
            pdftoppm-jpeg:ref-poppler pdftoppm-jpeg-q90:ref-poppler vips-webp:ref-vips vips-webp-q90:ref-vips; do
    printf '%-22s %s dB\n' "${pair%%:*}" "$(psnr "${pair%%:*}" "${pair#*:}")"
done
