#!/bin/sh
# A burst into a watched folder against the same list on the command line: COUNT one-page PDFs
# (default 120) moved into the folder lumenpage-batch --watch watches, all at once, and the same
# PDFs named on one command line, the two taking turns round after round. For each: the time
# from the start (the command started, or the files moved in) to the first and to the last GIF
# written (their modification times), and the load average before it. The last lines are the
# medians and the ratio of the watched folder's time to the last GIF to the command line's.
#   bench/hotfolder.sh build/lumenpage-batch [ONE-PAGE.pdf] [ROUNDS] [COUNT]
# Without ONE-PAGE.pdf, the first page of the sample letter, cut out by Ghostscript.
set -u
batch=$1 one=${2:-} rounds=${3:-3} count=${4:-120}
[ -x "$batch" ] || { echo "usage: $0 LUMENPAGE-BATCH [ONE-PAGE.pdf] [ROUNDS] [COUNT]" >&2; exit 2; }
work=$(mktemp -d) || exit 1
watcher=
trap '[ -z "$watcher" ] || kill "$watcher" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/tmp" "$work/list" || exit 1
export TEMP="$work/tmp"
if [ -z "$one" ]; then
    one="$work/one.pdf"
    gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dFirstPage=1 -dLastPage=1 -o "$one" \
        "$(dirname "$batch")/Samples/Quillfern Letter.pdf" || exit 1
fi
i=1
while [ "$i" -le "$count" ]; do
    cp "$one" "$work/list/p$(printf %03d "$i").pdf" || exit 1
    i=$((i + 1))
done

# "first last" seconds from $1 to the first and the last GIF in $work/out, once there are COUNT.
gifTimes() {
    find "$work/out" -name '*.gif' -printf '%T@\n' | sort -n |
        awk -v t0="$1" 'NR == 1 { f = $1 } { l = $1 } END { printf "%.2f %.2f", f - t0, l - t0 }'
}
waitForGifs() {
    until [ "$(find "$work/out" -name '*.gif' | wc -l)" -ge "$count" ]; do sleep 0.05; done
}

commandLine() {
    rm -rf "$work/out" && mkdir "$work/out" || exit 1
    read -r load _ < /proc/loadavg
    t0=$(date +%s.%N)
    "$batch" -q -o "$work/out" "$work"/list/*.pdf || { echo "the command line failed" >&2; exit 1; }
    echo "command-line $(gifTimes "$t0") $load"
}

watched() {
    rm -rf "$work/out" "$work/in" "$work/run.jsonl" && mkdir "$work/out" "$work/in" "$work/stage" || exit 1
    cp "$work"/list/*.pdf "$work/stage/" || exit 1
    "$batch" -q --watch "$work/in" -o "$work/out" --report "$work/run.jsonl" &
    watcher=$!
    sleep 1 # watching, and idle
    read -r load _ < /proc/loadavg
    t0=$(date +%s.%N)
    mv "$work"/stage/*.pdf "$work/in/" || exit 1
    waitForGifs
    kill "$watcher" && wait "$watcher"
    watcher=
    rmdir "$work/stage"
    echo "watched-folder $(gifTimes "$t0") $load"
}

r=1
while [ "$r" -le "$rounds" ]; do
    commandLine
    watched
    r=$((r + 1))
done | tee "$work/rounds" |
    awk '{ printf "%-15s first GIF %6.2f s  last GIF %6.2f s  load %s\n", $1, $2, $3, $4 }'
sort -k1,1 -k3,3n "$work/rounds" | awk -v n="$rounds" -v c="$count" '
    { k = $1; i[k]++; if (i[k] == int((n + 1) / 2)) { last[k] = $3 } }
    END {
        for (k in last) printf "%-15s median to the last of %d GIFs %6.2f s\n", k, c, last[k]
        printf "ratio watched / command line: %.2f\n", last["watched-folder"] / last["command-line"]
    }'
sort -k1,1 -k2,2n "$work/rounds" | awk -v n="$rounds" '
    { k = $1; i[k]++; if (i[k] == int((n + 1) / 2)) printf "%-15s median to the first GIF %6.2f s\n", k, $2 }'
