#!/bin/sh
# Two builds must write the same GIFs, byte for byte: every method on the bench's document and
# one-page files (kept by `bench_endtoend --work DIR`), the Ghostscript method on the sample PDFs
# at three resolutions, and each build's bench_encoder worker on page images (a folder of JPEGs,
# `bench_encoder --work DIR2` keeps them in DIR2/pages) with the settings the bench can choose.
#   bench/same-gifs.sh OLD_BUILD NEW_BUILD DIR [PAGES_DIR] [SAMPLES_DIR]
# OLD_BUILD and NEW_BUILD are build folders (lumenpage-batch and bench_encoder inside). Prints
# every GIF that differs or is missing in one of them, then a count; exit status 1 on any difference.
set -u
old=$1 new=$2 work=$3 pages=${4:-} samples=${5:-}
[ -f "$work/document.pdf" ] && [ -d "$work/files" ] || { echo "no document.pdf and files/ in $work" >&2; exit 1; }
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT

run() { # BUILD-NAME BUILD-DIR CASE ARGS...
    name=$1 dir=$2 case=$3
    shift 3
    mkdir -p "$out/$name/$case" || exit 1
    "$dir/lumenpage-batch" -q -o "$out/$name/$case" "$@" || echo "$name $case: exit status $?" >&2
}
worker() { # BUILD-NAME BUILD-DIR CASE OPTIONS...
    name=$1 dir=$2 case=$3
    shift 3
    mkdir -p "$out/$name/$case" || exit 1
    "$dir/bench_encoder" --worker "$out/$name/$case" "$@" "$pages"/*.jpg > /dev/null || echo "$name $case: worker failed" >&2
}
for b in old new; do
    dir=$old
    [ "$b" = new ] && dir=$new
    for m in ghostscript bw gflax acrobat; do
        run "$b" "$dir" "document-$m" -m "$m" --pages 24 "$work/document.pdf"
    done
    run "$b" "$dir" files "$work"/files/*.pdf
    if [ -n "$samples" ]; then
        for r in 72 144 300; do
            run "$b" "$dir" "samples-$r" --resolution "$r" "$samples"/*.pdf
        done
    fi
    if [ -n "$pages" ]; then
        worker "$b" "$dir" pages
        worker "$b" "$dir" pages-dither --dither 1
        worker "$b" "$dir" pages-nofold --snap-distance 0
        worker "$b" "$dir" pages-noexact --no-exact
        worker "$b" "$dir" pages-step2 --step 2 --rounds 5
    fi
done
differ=0 same=0
{ (cd "$out/old" && find . -name '*.gif'); (cd "$out/new" && find . -name '*.gif'); } | sort > "$out/names"
while IFS= read -r f; do
    if cmp -s "$out/old/$f" "$out/new/$f"; then
        same=$((same + 1))
    else
        echo "differs: $f"
        differ=$((differ + 1))
    fi
done < "$out/names"
# Every name was visited twice, once from each side.
echo "$((same / 2)) GIFs the same, $differ differing or missing (counted from both sides)"
[ "$differ" -eq 0 ]
