# Sourced, not run (so it has no interpreter line), by the shell of Ghostscript's pipe for each
# page that pdf2tiff.sh renders, with the arguments OFFSET N (as "sh compress.sh OFFSET N" would
# give them): the page, PDF page OFFSET + N, comes as PPM on standard input and leaves as
# currentNNNNN.jpg, which appears under that name only when complete, and "page N
# currentNNNNN.jpg" on standard output (for pdf2tiff.sh's relay, see common.sh).
#
# With LUMENPAGE_MAX_PENDING=K (a reader takes the page images away while the document is still
# being rendered), a page waits until fewer than K are left in the folder: Ghostscript waits for
# this script, so scratch space and memory stay bounded by K, not by the number of pages.
# (No process is started that a built-in can replace: this runs once a page.)
# OFFSET "pick": page N is the N-th of LUMENPAGE_PICKED (pdf2tiff.sh's -sPick, see pages.ps).
if [ "$1" = pick ]; then
    n=$2
    set -- $LUMENPAGE_PICKED
    shift $((n - 1))
    page=$1
else
    page=$(($1 + $2))
fi
name=$((100000 + page))
if [ "$page" -lt 100000 ]; then name=current${name#1}.jpg; else name=current$page.jpg; fi
limit=${LUMENPAGE_MAX_PENDING:-0}
case "$limit" in '' | *[!0-9]*) limit=0 ;; esac
if [ "$limit" -gt 0 ]; then
    while :; do
        set -- current*.jpg
        [ -e "$1" ] || set --
        [ "$#" -lt "$limit" ] && break
        # Nobody takes pages any more once the program that started pdf2tiff.sh is gone (killed,
        # crashed): the page is dropped instead of waiting for ever.
        if [ -n "${LUMENPAGE_READER:-}" ] && ! kill -0 "$LUMENPAGE_READER" 2>/dev/null; then
            cat >/dev/null
            exit 1
        fi
        sleep 0.05
    done
fi
cjpeg -quality 100 -rgb -outfile "$name.part" && mv -f "$name.part" "$name" && echo "page $page $name"
