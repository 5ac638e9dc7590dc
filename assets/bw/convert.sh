#!/bin/sh
# Renders the pages of current.pdf in this folder in black and white at 144 dpi as
# current/page00001.jpg, current/page00002.jpg, ... and removes current.pdf whatever happens.
#
# - The number in a name is the PDF page number, also when an earlier page could not be drawn
#   (that page's number is then missing and the page is named on standard error).
# - A page image appears under its name only once it is complete.
# - Exit status 0 only when every page was rendered.
# - LUMENPAGE_FIRST_PAGE_ONLY=1 renders page 1 alone.
# - LUMENPAGE_PAGES="2-3 5-5 10-" renders those pages alone (clamped to the document); none in
#   the document: nothing is drawn, it says so and fails. "pagelist" then names the pages to come.
# - LUMENPAGE_RESOLUTION=DPI instead of 144; LUMENPAGE_FIT="W H": each page at the resolution
#   that makes it fit W x H pixels (0: that side unbounded), its shape kept (see pages.ps).
# - A file password.ps beside it (written by the program, only this user can read the folder)
#   gives Ghostscript the password; it is removed with current.pdf.
# - LUMENPAGE_PAGE_LOG=FILE: the number of each page drawn is added to FILE at the end.
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
    [ -n "${LUMENPAGE_PAGE_LOG:-}" ] && [ -s rendered.log ] && cat rendered.log >>"$LUMENPAGE_PAGE_LOG"
    rm -f current.pdf password.ps render.log rendered.log timedout bitmaps.ps pagecount pagecount.part pagelist current/*.pbm current/*.part
    # No pages, no sub-folder: the program tells a document that gave nothing by its absence.
    rmdir current 2>/dev/null
}
trap finish EXIT
trap 'exit 1' HUP INT TERM
rm -f render.log bitmaps.ps pagelist
: > render.log

mkdir -p current || exit 1
# The sub-folder must hold this document's pages and nothing else.
rm -f current/*.jpg current/*.pbm current/*.part

# What the program chose: the password (in a file, never on a command line), the resolution or
# a box to fit.
password=
[ -f password.ps ] && password=password.ps
size=-r${LUMENPAGE_RESOLUTION:-144}
set -- ${LUMENPAGE_FIT:-}
[ "$#" = 2 ] && size="-dFitWidth=$1 -dFitHeight=$2"
set --

limit=${LUMENPAGE_MAX_PENDING:-0}
case "$limit" in '' | *[!0-9]*) limit=0 ;; esac
# The number of pages: 0 when Ghostscript cannot tell (the render then reports why). With a
# reader (limit, below) of the whole document the Ghostscript that draws the first batch writes
# "pagecount" itself before its first page (counted=no); all pages drawn at once, a page range
# and a password need a Ghostscript of its own to count them first.
last=0
counted=yes
if [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] && [ -z "$password" ]; then
    last=1
elif [ "$limit" -eq 0 ] || [ -n "${LUMENPAGE_PAGES:-}" ] || [ -n "$password" ]; then
    last=$(gs -q -dNODISPLAY -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current.pdf $password \
              -c "(current.pdf) (r) file runpdfbegin pdfpagecount = quit" 2>>render.log </dev/null)
    # Ghostscript 10.00 crashes on a wrong password for a 256-bit AES file, where it should say so.
    [ $? -gt 128 ] && [ -n "$password" ] && echo "current.pdf: Password did not work (Ghostscript crashed trying it)" >&2
    case "$last" in '' | *[!0-9]*) last=0 ;; esac
    [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] && last=1
else
    counted=no
fi
# The spans of pages drawn, "FIRST-LAST" each, clamped to the document; wanted: their pages.
spans=1-$last
wanted=$last
if [ -n "${LUMENPAGE_PAGES:-}" ] && [ "$last" -gt 0 ]; then
    spans=
    wanted=0
    for item in $LUMENPAGE_PAGES; do
        a=${item%-*} b=${item#*-}
        [ -z "$b" ] || [ "$b" -gt "$last" ] && b=$last
        [ "$a" -le "$b" ] || continue
        spans="$spans $a-$b"
        wanted=$((wanted + b - a + 1))
    done
    if [ "$wanted" = 0 ]; then
        echo "current.pdf: none of its $last page(s) is in the page range" >&2
        exit 1
    fi
    spans=${spans# }
    # The count is the document's claim: the names are listed only for a sane number of pages.
    if [ "$wanted" -le 100000 ]; then
        for span in $spans; do seq "${span%-*}" "${span#*-}"; done | tr '\n' ' ' > pagelist
    fi
fi
if [ "$counted" = yes ]; then
    { echo "$wanted" > pagecount.part && mv -f pagecount.part pagecount; } || exit 1
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
        gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw $size -dFromPage="$from" $to $count \
           -sPDFFile=current.pdf --permit-file-read=current.pdf -sOutputFile="current/bits${start}_%05d.pbm" \
           $password -c "{0.5 lt {0} {1} ifelse} settransfer" -f pages.ps >>render.log 2>&1 </dev/null &
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
# A page range is drawn span by span, each as a document of its own.
if [ "$spans" != "1-$last" ]; then
    for span in $spans; do
        draw "${span%-*}" "${span#*-}"
    done
elif [ "$limit" -gt 0 ] && [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" != 1 ]; then
    batch=$((limit * 8))
    reader=$PPID
    first=1
    # Until the first batch has counted the pages, the document is taken to be one batch long.
    [ "$counted" = no ] && last=$batch
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
        if [ "$counted" = no ]; then
            counted=yes
            draw 1 "$end" count
            last=0
            [ -f pagecount ] && read -r last < pagecount
            case "$last" in '' | *[!0-9]*) last=0 ;; esac
            wanted=$last
        else
            draw "$first" "$end"
        fi
        first=$((end + 1))
    done
else
    draw 1 "$last"
fi

[ "$last" -gt 0 ] || status=1
[ "$(sort -u rendered.log | wc -l)" -eq "$wanted" ] || status=1
exit "$status"
