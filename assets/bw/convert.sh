#!/bin/sh
# Renders the pages of current.pdf in this folder in black and white at 144 dpi as
# current/page00001.jpg, current/page00002.jpg, ... and removes current.pdf whatever happens.
#
# - The number in a name is the PDF page number, also when an earlier page could not be drawn
#   (that page's number is then missing and the page is named on standard error).
# - A page image appears under its name only once it is complete.
# - Exit status 0 only when every page was rendered.
# - LUMENPAGE_FIRST_PAGE_ONLY=1 renders page 1 alone.
# - LUMENPAGE_MAX_PENDING=K: at most about 16K finished page images wait in the folder (see below).
# - The number of pages it will render is written to "pagecount" before the first page.
# - LUMENPAGE_PAGE_SECONDS=T: a page that takes longer than T seconds is abandoned and named; a
#   new Ghostscript takes over after it, as after one that crashed or was killed, so that only the
#   page it was drawing is lost.
#
# Pages are first rendered to 1-bit bitmaps, so every pixel is pure black or white: a threshold
# in the transfer function makes ink darker than half grey black and the rest white. (Thresholding
# straight into an 8-bit device leaves colours at the threshold grey, as the transfer function is
# interpolated.) Each bitmap is then drawn pixel for pixel onto a greyscale JPEG page at quality
# 100 (a grey JPEG has no colour to subsample): decoded, a page is within a level or two of its
# bitmap, on a few pixels along the edges.
case "$0" in */*) cd "${0%/*}" || exit 1 ;; esac

status=0
finish() {
    [ -s render.log ] && cat render.log >&2
    rm -f current.pdf render.log rendered.log timedout bitmaps.ps pagecount pagecount.part current/*.pbm current/*.part
    # No pages, no sub-folder: the program tells a document that gave nothing by its absence.
    rmdir current 2>/dev/null
}
trap finish EXIT
trap 'exit 1' HUP INT TERM
rm -f render.log bitmaps.ps
: > render.log

mkdir -p current || exit 1
# The sub-folder must hold this document's pages and nothing else.
rm -f current/*.jpg current/*.pbm current/*.part

limit=${LUMENPAGE_MAX_PENDING:-0}
case "$limit" in '' | *[!0-9]*) limit=0 ;; esac
# The number of pages: 0 when Ghostscript cannot tell (the render then reports why). With a
# reader (limit, below) the Ghostscript that draws the first batch writes "pagecount" itself
# before its first page; a Ghostscript of its own counts them only when all are drawn at once.
last=0
if [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ]; then
    last=1
    { echo 1 > pagecount.part && mv -f pagecount.part pagecount; } || exit 1
elif [ "$limit" -eq 0 ]; then
    last=$(gs -q -dNODISPLAY -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current.pdf \
              -c "(current.pdf) (r) file runpdfbegin pdfpagecount = quit" 2>>render.log </dev/null)
    case "$last" in '' | *[!0-9]*) last=0 ;; esac
    { echo "$last" > pagecount.part && mv -f pagecount.part pagecount; } || exit 1
fi

cap=${LUMENPAGE_PAGE_SECONDS:-0}
case "$cap" in '' | *[!0-9]*) cap=0 ;; esac

# watch PID: waits for the Ghostscript PID. When it finishes no bitmap for the time cap, it is
# killed and the file "timedout" says so.
watch() {
    watcher=
    if [ "$cap" -gt 0 ]; then
        (
            gs=$1 seen= idle=0
            while kill -0 "$gs" 2>/dev/null; do
                sleep 1
                now=$(ls current | wc -l)
                if [ "$now" != "$seen" ]; then seen=$now idle=0; else idle=$((idle + 1)); fi
                [ "$idle" -ge "$cap" ] && { : >timedout; kill -9 "$gs"; exit 0; }
            done
        ) &
        watcher=$!
    fi
    wait "$1"
    code=$?
    [ -n "$watcher" ] && { kill "$watcher" 2>/dev/null; wait "$watcher" 2>/dev/null; }
    return "$code"
}

# draw FIRST LAST [count]: the pages FIRST to LAST (LAST 0: to the end) as
# current/pageNNNNN.jpg; with "count", "pagecount" is written first (and LAST is then at most
# the document's last page).
draw() {
    # pages.ps gives exactly one bitmap per PDF page, so bitsSSSSS_%05d.pbm is PDF page
    # SSSSS - 1 + %d. A Ghostscript that ended before LAST (it crashed, was killed, or reached
    # the time cap) costs only the page it was drawing: the next one starts after it.
    from=$1
    upto=$2
    to=
    [ "$upto" -gt 0 ] && to=-dToPage=$upto
    count=
    [ "${3:-}" = count ] && count="-sCountFile=pagecount.part --permit-file-write=pagecount.part --permit-file-control=pagecount.part --permit-file-write=pagecount --permit-file-control=pagecount"
    while [ "$from" -le "$upto" ] || [ "$upto" -eq 0 ]; do
        rm -f timedout
        start=$(printf '%05d' "$from")
        gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r144 -dFromPage="$from" $to $count \
           -sPDFFile=current.pdf --permit-file-read=current.pdf -sOutputFile="current/bits${start}_%05d.pbm" \
           -c "{0.5 lt {0} {1} ifelse} settransfer" -f pages.ps >>render.log 2>&1 </dev/null &
        watch $! || status=1
        if [ -n "$count" ]; then
            count=
            pages=0
            [ -f pagecount ] && read -r pages < pagecount
            case "$pages" in '' | *[!0-9]*) pages=0 ;; esac
            [ "$upto" -gt "$pages" ] && upto=$pages
        fi
        made=$(ls current/bits${start}_*.pbm 2>/dev/null | wc -l)
        reached=$((from + made - 1))
        if [ "$reached" -lt "$upto" ] && [ "$upto" -gt 0 ]; then
            # A bitmap is written once its page is drawn, in one go: the page after the last
            # one written is the one it was drawing.
            why="Ghostscript ended while drawing it"
            [ -e timedout ] && why="the time cap of $cap seconds per page was reached"
            echo "current.pdf: page $((reached + 1)) could not be drawn: $why" >>render.log
            status=1
            from=$((reached + 2))
        else
            break
        fi
    done

    # One Ghostscript draws the bitmaps, in page order (their names are zero-padded); the blank
    # bitmap of a page that could not be drawn is left out. Its k-th output is the k-th listed page.
    numbers=
    printf '/Bitmaps [\n' > bitmaps.ps
    for bitmap in current/bits*.pbm; do
        [ -f "$bitmap" ] || continue
        n=${bitmap#current/bits}
        start=${n%%_*}
        n=${n#*_}
        n=${n%.pbm}
        while [ "${n#0}" != "$n" ]; do n=${n#0}; done
        while [ "${start#0}" != "$start" ]; do start=${start#0}; done
        n=$((n + start - 1))
        if grep -q "current.pdf: page $n could not" render.log; then
            rm -f "$bitmap"
            status=1
            continue
        fi
        printf '(%s)\n' "$bitmap" >> bitmaps.ps
        numbers="$numbers $n:$bitmap"
    done
    printf '] def\n' >> bitmaps.ps
    drawn=0
    if [ -n "$numbers" ]; then
        drawn=1
        gs -q -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current/ \
           -sDEVICE=jpeggray -r144 -dJPEGQ=100 \
           -sOutputFile=current/draw%05d.part bitmaps.ps pbm2jpeg.ps >>render.log 2>&1 </dev/null || { status=1; drawn=0; }
    fi
    # After a failed run the last page written may be cut short: only those before it are kept.
    written=$(ls current/draw*.part 2>/dev/null | wc -l)
    [ "$drawn" = 1 ] || written=$((written - 1))
    k=1
    for entry in $numbers; do
        n=${entry%%:*}
        part=current/draw$(printf '%05d' "$k").part
        if [ "$k" -le "$written" ] && [ -s "$part" ] && ! grep -q "cannot read ${entry#*:}" render.log; then
            mv -f "$part" "current/page$(printf '%05d' "$n").jpg" && echo "$n" >>rendered.log
        fi
        k=$((k + 1))
    done
    rm -f current/*.pbm current/*.part
}

# With LUMENPAGE_MAX_PENDING=K (a reader takes the page images away while the document is
# still being rendered), pages are drawn in batches of 8K, each once fewer than 8K page images
# wait: scratch space stays bounded by two batches, not by the number of pages. (Each batch
# starts two Ghostscripts, about 50 ms each, so batches are not made smaller.)
: > rendered.log
if [ "$limit" -gt 0 ] && [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" != 1 ]; then
    batch=$((limit * 8))
    reader=$PPID
    first=1
    # Until the first batch has counted the pages, the document is taken to be one batch long.
    last=$batch
    while [ "$first" -le "$last" ]; do
        # The next batch is drawn while the reader still takes the last one.
        while :; do
            set -- current/*.jpg
            [ -e "$1" ] || set --
            [ "$#" -lt "$batch" ] && break
            # Nobody takes pages any more once the program that started this script is gone
            # (killed, crashed): the rest of the document is not drawn.
            if [ "$reader" -gt 1 ] && ! kill -0 "$reader" 2>/dev/null; then
                exit 1
            fi
            sleep 0.05
        done
        end=$((first + batch - 1))
        [ "$end" -gt "$last" ] && end=$last
        if [ "$first" -eq 1 ]; then
            draw 1 "$end" count
            last=0
            [ -f pagecount ] && read -r last < pagecount
            case "$last" in '' | *[!0-9]*) last=0 ;; esac
        else
            draw "$first" "$end"
        fi
        first=$((end + 1))
    done
else
    draw 1 "$last"
fi

[ "$last" -gt 0 ] || status=1
[ "$(sort -u rendered.log | wc -l)" -eq "$last" ] || status=1
exit "$status"
