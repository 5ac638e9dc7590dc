#!/bin/sh
# Renders the pages of current.pdf in this folder in black and white at 144 dpi as
# current/page00001.jpg, current/page00002.jpg, ... and removes current.pdf whatever happens.
#
# - The number in a name is the PDF page number, also when an earlier page could not be drawn
#   (that page's number is then missing).
# - A page image appears under its name only once it is complete.
# - What happens is told on standard output as it happens, one event a line: the page count,
#   each page completed, each page that could not be drawn and why, or why the document gave
#   none. The events are listed in common.sh, which both page scripts share.
# - Exit status 0 only when every page was rendered.
# - LUMENPAGE_FIRST_PAGE_ONLY=1 renders page 1 alone.
# - LUMENPAGE_PAGES="2-3 5 10-" renders those pages alone (clamped to the document); none in
#   the document: nothing is drawn, it says so and fails.
# - LUMENPAGE_RESOLUTION=DPI instead of 144; LUMENPAGE_FIT="W H": each page at the resolution
#   that makes it fit W x H pixels (0: that side unbounded), its shape kept (see pages.ps).
# - A file password.ps beside it (written by the program, only this user can read the folder)
#   gives Ghostscript the password; it is removed with current.pdf.
# - LUMENPAGE_PAGE_LOG=FILE: the number of each page drawn is added to FILE.
# - LUMENPAGE_MAX_PENDING=K: at most about 16K finished page images wait in the folder (see below).
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
    rm -f current.pdf password.ps bitmaps.ps current/*.pbm current/*.part
    # No pages, no sub-folder: the program tells a document that gave nothing by its absence.
    rmdir current 2>/dev/null
}
trap finish EXIT
trap 'exit 1' HUP INT TERM
rm -f bitmaps.ps

mkdir -p current || exit 1
# The sub-folder must hold this document's pages and nothing else.
rm -f current/*.jpg current/*.pbm current/*.part

limit=${LUMENPAGE_MAX_PENDING:-0}
case "$limit" in '' | *[!0-9]*) limit=0 ;; esac
READER=no
[ "$limit" -gt 0 ] && READER=yes
. ./common.sh
needs gs

count_pages
plan_pages

# draw FIRST LAST [count]: the pages FIRST to LAST (LAST 0: to the end) as
# current/pageNNNNN.jpg; with "count", the count is said first (and LAST is then at most the
# document's last page).
draw() {
    # pages.ps gives exactly one bitmap per PDF page, so bitsSSSSS_%05d.pbm is PDF page
    # SSSSS - 1 + %d. A Ghostscript that ended before LAST (it crashed, was killed, or reached
    # the time cap) costs only the page it was drawing: the next one starts after it.
    from=$1
    upto=$2
    to=
    [ "$upto" -gt 0 ] && to=-dToPage=$upto
    count=
    [ "${3:-}" = count ] && count=-dCountPages
    failed=" "
    while [ "$from" -le "$upto" ] || [ "$upto" -eq 0 ]; do
        start=$(printf '%05d' "$from")
        set -- $( { gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw $size -dFromPage="$from" $to $count \
           -sPDFFile=current.pdf --permit-file-read=current.pdf -sOutputFile="current/bits${start}_%05d.pbm" \
           $password -c "{0.5 lt {0} {1} ifelse} settransfer" -f pages.ps </dev/null &
           watch $! 'current/*'; echo ended $?; } | relay)
        [ "$4" = 0 ] || status=1
        said=$1 why=$3
        shift 5
        failed="$failed$* "
        if [ -n "$count" ] || [ "$said" = 0 ]; then
            count=
            pages=$said
            case "$pages" in '' | *[!0-9]*) pages=0 ;; esac
            [ "$upto" -gt "$pages" ] && upto=$pages
            # Nothing to draw: the document could not be opened.
            [ "$pages" = 0 ] && last=0
        fi
        made=$(ls current/bits${start}_*.pbm 2>/dev/null | wc -l)
        reached=$((from + made - 1))
        if [ "$reached" -lt "$upto" ] && [ "$upto" -gt 0 ]; then
            # A bitmap is written once its page is drawn, in one go: the page after the last
            # one written is the one it was drawing.
            say failed $((reached + 1)) "$why"
            failed="$failed$((reached + 1)) "
            status=1
            from=$((reached + 2))
        else
            break
        fi
    done
    jpegs
}

# pick: the bitmaps of the pages of $batch (a page range's, of many spans) as
# current/pickRRRRR_%05d.pbm, the k-th of run RRRRR being the k-th page of $picked_RRRRR; then
# their JPEGs. A Ghostscript that ended early costs only the page it was drawing, as in draw.
pick() {
    failed=" "
    while [ -n "$batch" ]; do
        runs=$((runs + 1))
        run=$(printf '%05d' "$runs")
        eval "picked_$runs=\$batch"
        set -- $( { gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw $size -sPick="$batch" \
           -sPDFFile=current.pdf --permit-file-read=current.pdf -sOutputFile="current/pick${run}_%05d.pbm" \
           $password -c "{0.5 lt {0} {1} ifelse} settransfer" -f pages.ps </dev/null &
           watch $! 'current/*'; echo ended $?; } | relay)
        [ "$4" = 0 ] || status=1
        why=$3
        shift 5
        failed="$failed$* "
        made=$(ls current/pick${run}_*.pbm 2>/dev/null | wc -l)
        set -- $batch
        [ "$made" -ge "$#" ] && break
        shift "$made"
        say failed "$1" "$why"
        failed="$failed$1 "
        status=1
        shift
        batch=$*
    done
    jpegs
}

# jpegs: the JPEG pages of the bitmaps draw or pick made.
jpegs() {
    # One Ghostscript draws the bitmaps, in page order (their names are zero-padded); the blank
    # bitmap of a page that could not be drawn is left out. Its k-th output is the k-th listed page.
    numbers=
    printf '/Bitmaps [\n' > bitmaps.ps
    for bitmap in current/bits*.pbm current/pick*.pbm; do
        [ -f "$bitmap" ] || continue
        n=${bitmap#current/bits}
        [ "$n" = "$bitmap" ] && n=${bitmap#current/pick}
        start=${n%%_*}
        n=${n#*_}
        n=${n%.pbm}
        while [ "${n#0}" != "$n" ]; do n=${n#0}; done
        while [ "${start#0}" != "$start" ]; do start=${start#0}; done
        case "$bitmap" in
        current/pick*)
            eval "set -- \$picked_$start"
            [ "$n" -le "$#" ] || continue
            shift $((n - 1))
            n=$1 ;;
        *) n=$((n + start - 1)) ;;
        esac
        case "$failed" in
        *" $n "*)
            rm -f "$bitmap"
            status=1
            continue ;;
        esac
        printf '(%s)\n' "$bitmap" >> bitmaps.ps
        numbers="$numbers $n:$bitmap"
    done
    printf '] def\n' >> bitmaps.ps
    drawn=0
    unreadable=
    if [ -n "$numbers" ]; then
        drawn=1
        # pbm2jpeg.ps names a bitmap it cannot read on standard output.
        unreadable=$(gs -q -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current/ \
           -sDEVICE=jpeggray -r144 -dJPEGQ=100 \
           -sOutputFile=current/draw%05d.part bitmaps.ps pbm2jpeg.ps </dev/null) || { status=1; drawn=0; }
        [ -n "$unreadable" ] && printf '%s\n' "$unreadable" >&2
    fi
    # After a failed run the last page written may be cut short: only those before it are kept.
    written=$(ls current/draw*.part 2>/dev/null | wc -l)
    [ "$drawn" = 1 ] || written=$((written - 1))
    k=1
    for entry in $numbers; do
        n=${entry%%:*}
        part=current/draw$(printf '%05d' "$k").part
        name=current/page$(printf '%05d' "$n").jpg
        case "$unreadable" in
        *"cannot read ${entry#*:}"*) say failed "$n" damaged ;;
        *)
            if [ "$k" -le "$written" ] && [ -s "$part" ] && mv -f "$part" "$name"; then
                page_done "$n" "$name"
                finished=$((finished + 1))
            else
                say failed "$n" crash
            fi ;;
        esac
        k=$((k + 1))
    done
    rm -f current/*.pbm current/*.part
}

# wait_for_reader B: with a reader, until fewer than B page images wait for it (the next batch
# is drawn while the reader still takes the last one). Nobody takes pages any more once the
# program that started this script is gone (killed, crashed): the rest is not drawn.
wait_for_reader() {
    [ "$limit" -gt 0 ] || return 0
    most=$1
    while :; do
        set -- current/*.jpg
        [ -e "$1" ] || set --
        [ "$#" -lt "$most" ] && break
        if [ "$PPID" -gt 1 ] && ! kill -0 "$PPID" 2>/dev/null; then
            exit 1
        fi
        sleep 0.05
    done
}

# pick_when_room: pick, once the reader has room for a batch.
pick_when_room() {
    wait_for_reader "$size_of_batch"
    pick
}

# With LUMENPAGE_MAX_PENDING=K (a reader takes the page images away while the document is
# still being rendered), pages are drawn in batches of 8K, each once fewer than 8K page images
# wait: scratch space stays bounded by two batches, not by the number of pages. (Each batch
# starts two Ghostscripts, about 50 ms each, so batches are not made smaller.)
finished=0
runs=0
# A page range of one span is drawn as a document of its own; one of many spans a batch at a
# time (400 pages without a reader), each batch by one Ghostscript whichever spans its pages are
# of: a range of thousands of single pages does not start thousands of them.
if [ "${spans#* }" != "$spans" ]; then
    size_of_batch=$((limit * 8))
    [ "$limit" -gt 0 ] || size_of_batch=400
    in_batches "$size_of_batch" pick_when_room
elif [ "$spans" != "1-$last" ]; then
    draw "${spans%-*}" "${spans#*-}"
elif [ "$limit" -gt 0 ] && [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" != 1 ]; then
    batch=$((limit * 8))
    first=1
    # Until the first batch has counted the pages, the document is taken to be one batch long.
    [ "$counted" = no ] && last=$batch
    while [ "$first" -le "$last" ]; do
        wait_for_reader "$batch"
        end=$((first + batch - 1))
        [ "$end" -gt "$last" ] && end=$last
        if [ "$counted" = no ]; then
            counted=yes
            draw 1 "$end" count
            last=$pages
            wanted=$last
        else
            draw "$first" "$end"
        fi
        first=$((end + 1))
    done
else
    draw 1 "$last"
fi

end_document
