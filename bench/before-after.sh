#!/bin/sh
# Two builds of lumenpage-batch taking turns on the same inputs, with their CPU time (the
# whole process tree, from /usr/bin/time) beside the wall time: CPU stays meaningful when other
# work shares the cores. The inputs are those bench_endtoend keeps with --work DIR.
#   bench/before-after.sh OLD/lumenpage-batch NEW/lumenpage-batch DIR [ROUNDS]
# LUMENPAGE_BENCH_METHOD=gflax (or bw, acrobat) times that method instead of the default one;
# gflax is told to convert every page of the document.
# Prints one line per run: build, workload, wall ms and CPU ms per page (document) or per file.
set -u
old=$1 new=$2 work=$3 rounds=${4:-3}
[ -f "$work/document.pdf" ] && [ -d "$work/files" ] || { echo "no document.pdf and files/ in $work" >&2; exit 1; }
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
pages=$(gs -q -dNODISPLAY -dSAFER --permit-file-read="$work/document.pdf" \
           -c "($work/document.pdf) (r) file runpdfbegin pdfpagecount = quit")
method=${LUMENPAGE_BENCH_METHOD:-}
set -- "$work"/files/*.pdf
files=$#
r=1
while [ "$r" -le "$rounds" ]; do
    for build in old new; do
        batch=$old
        [ "$build" = new ] && batch=$new
        for load in document files; do
            rm -rf "$out/gif" && mkdir "$out/gif" || exit 1
            if [ "$load" = document ]; then
                n=$pages
                if [ "$method" = gflax ]; then
                    set -- -m gflax --pages "$pages"
                elif [ -n "$method" ]; then
                    set -- -m "$method"
                else
                    set --
                fi
                /usr/bin/time -o "$out/time" -f "%e %U %S" "$batch" -q "$@" -o "$out/gif" "$work/document.pdf" || exit 1
            else
                n=$files
                set -- "$work"/files/*.pdf
                /usr/bin/time -o "$out/time" -f "%e %U %S" "$batch" -q ${method:+-m "$method"} -o "$out/gif" "$@" || exit 1
            fi
            read -r wall user sys < "$out/time"
            echo "$build $load $wall $user $sys $n" | awk '{printf "%s %-8s wall %6.1f ms  CPU %6.1f ms a %s\n", $1, $2, $3 * 1000 / $6, ($4 + $5) * 1000 / $6, $2 == "document" ? "page" : "file"}'
        done
    done
    r=$((r + 1))
done
