#!/bin/sh
# Renders the pages of current.pdf in this folder as current00001.jpg, current00002.jpg, ...
# (144 dpi, anti-aliased text and graphics) and removes current.pdf whatever happens.
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
# - LUMENPAGE_MAX_PENDING=K: at most K finished page images wait in the folder (compress.sh).
# - The number of pages it will render is written to "pagecount" before the first page.
# - LUMENPAGE_PAGE_SECONDS=T (with LUMENPAGE_MAX_PENDING): a page that takes longer than T
#   seconds is abandoned and named; a new Ghostscript takes over after it, as after one that
#   crashed or was killed, so that only the page it was drawing is lost.
#
# Ghostscript's own JPEG writer always halves the colour resolution (4:2:0), which smears
# coloured edges and leaves speckle around glyphs. So pages are rendered raw (ppmraw) and
# compressed by cjpeg at quality 100 as an RGB JPEG: no chroma subsampling and no conversion to
# YCbCr, whose rounding shifts whole flat areas by a level (measured on plot pages: 55 dB for a
# 4:4:4 YCbCr JPEG, 73 dB for this one, against the lossless render). Flat areas then decode
# exactly and only edges carry noise of a level or two, which the GIF encoder folds back into
# the page's true colours. Each page goes through a pipe to compress.sh as soon as it is drawn
# (no raw page touches the disk), and on two or more cores two Ghostscripts draw the two halves
# of the document.
# (Shell built-ins where they serve: every process started costs a few milliseconds, and a
# one-page document is started, drawn and compressed in little more.)
case "$0" in */*) cd "${0%/*}" || exit 1 ;; esac

# remove FILE...: rm only for files that are there (a fresh folder has none).
remove() {
    for f in "$@"; do
        if [ -e "$f" ]; then
            rm -f -- "$@"
            return
        fi
    done
}

status=0
pids=
finish() {
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    [ -s render.log ] && cat render.log >&2
    [ -n "${LUMENPAGE_PAGE_LOG:-}" ] && [ -s rendered.log ] && cat rendered.log >>"$LUMENPAGE_PAGE_LOG"
    remove current.pdf password.ps render.log rendered.log drawn.log timedout pagecount pagecount.part pagelist current*.jpg.part
}
trap finish EXIT
trap 'exit 1' HUP INT TERM
remove render.log rendered.log drawn.log timedout pagecount pagelist current*.jpg current*.jpg.part
: > render.log
: > rendered.log
: > drawn.log

if ! command -v gs >/dev/null 2>&1 || ! command -v cjpeg >/dev/null 2>&1; then
    echo "pdf2tiff.sh: needs Ghostscript (gs) and cjpeg (libjpeg-turbo-progs)" >&2
    exit 127
fi

# What the program chose: the password (in a file, never on a command line), the resolution or
# a box to fit.
password=
[ -f password.ps ] && password=password.ps
size=-r${LUMENPAGE_RESOLUTION:-144}
set -- ${LUMENPAGE_FIT:-}
[ "$#" = 2 ] && size="-dFitWidth=$1 -dFitHeight=$2"
set --

# The number of pages: 0 when Ghostscript cannot tell (the render then reports why). A reader
# (LUMENPAGE_MAX_PENDING, below) of the whole document learns it from the first Ghostscript that
# draws pages, which writes "pagecount" itself before its first page (counted=no); the split in
# two halves, a page range and a password need it first. Page 1 alone needs no count.
last=0
counted=yes
if [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] && [ -z "$password" ]; then
    last=1
elif [ -z "${LUMENPAGE_MAX_PENDING:-}" ] || [ -n "${LUMENPAGE_PAGES:-}" ] || [ -n "$password" ]; then
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

# render OFFSET FIRST LAST [count]: pages FIRST to LAST (0: to the end), each piped to
# compress.sh as soon as it is drawn; with "count", "pagecount" is written first. Run in the
# background only: Ghostscript takes the place of the subshell, and each page's compress.sh runs
# in the shell popen starts (one process less each, and no second start of a shell a page).
render() {
    to=
    [ "$3" -gt 0 ] && to=-dToPage=$3
    count=
    [ "${4:-}" = count ] && count="-sCountFile=pagecount.part --permit-file-write=pagecount.part --permit-file-control=pagecount.part --permit-file-write=pagecount --permit-file-control=pagecount"
    exec gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw $size -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
       -dFromPage="$2" $to -sPDFFile=current.pdf --permit-file-read=current.pdf $count \
       -sOutputFile="%pipe%set -- $1 %d; . ./compress.sh" $password pages.ps >>render.log 2>&1 </dev/null
}

# Two Ghostscripts only when nothing else uses the second core: a reader that takes pages while
# they are rendered (LUMENPAGE_MAX_PENDING set, see compress.sh) encodes them there, and wants
# them in page order.
# compress.sh stops waiting for a reader that is gone: the reader is the program that started
# this script (none when it was started by init).
LUMENPAGE_READER=
[ "$PPID" -gt 1 ] && LUMENPAGE_READER=$PPID
export LUMENPAGE_READER
half=$last
if [ "$last" -ge 4 ] && [ -z "${LUMENPAGE_MAX_PENDING:-}" ]; then
    cores=$(nproc 2>/dev/null || echo 1)
    [ "$cores" -ge 2 ] && half=$(( (last + 1) / 2 ))
fi
# A Ghostscript's memory grows with the pages it has drawn (about 45 MB after 50 pages, 57 MB
# after 400 of the same document), so for a reader, which takes pages while they are drawn, a
# long document is drawn by one Ghostscript after another, Chunk pages each: its memory stays
# that of a short one. A new Ghostscript costs about 50 ms, 1 ms a page. The first one also
# counts the pages; until it has, the document is taken to be one chunk long.
chunk=50
cap=${LUMENPAGE_PAGE_SECONDS:-0}
case "$cap" in '' | *[!0-9]*) cap=0 ;; esac

# watch PID: waits for the Ghostscript PID. When it starts no page for the time cap while no page
# waits to be taken, it is killed and the file "timedout" says so.
watch() {
    watcher=
    if [ "$cap" -gt 0 ]; then
        (
            gs=$1 seen= idle=0
            while kill -0 "$gs" 2>/dev/null; do
                sleep 1
                now=$(wc -c <drawn.log)
                set -- current*.jpg
                if [ "$now" != "$seen" ] || [ -e "$1" ]; then
                    seen=$now idle=0
                else
                    idle=$((idle + 1))
                fi
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

# A reader's document, and a page range, are drawn span by span, chunk by chunk. Until the first
# Ghostscript has counted the pages (counted=no), the document is taken to be one chunk long.
[ "$counted" = no ] && spans=1-$chunk
if { [ -n "${LUMENPAGE_MAX_PENDING:-}" ] && [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" != 1 ]; } || [ "$spans" != "1-$last" ]; then
    for span in $spans; do
    from=${span%-*}
    end=${span#*-}
    while [ "$from" -le "$end" ]; do
        to=$((from + chunk - 1))
        [ "$to" -gt "$end" ] && to=$end
        remove timedout
        if [ "$counted" = no ]; then render 0 1 "$to" count & else render $((from - 1)) "$from" "$to" & fi
        pids=$!
        watch "$pids" || status=1
        pids=
        if [ "$counted" = no ]; then
            counted=yes
            last=0
            [ -f pagecount ] && read -r last < pagecount
            case "$last" in '' | *[!0-9]*) last=0 ;; esac
            end=$last
            wanted=$last
            [ "$to" -gt "$end" ] && to=$end
        fi
        # A Ghostscript that ended before its last page (it crashed, was killed, or reached the
        # time cap) costs only the page it was drawing: the next one takes over after it.
        reached=$((from - 1))
        while read -r page; do [ "$page" -gt "$reached" ] && reached=$page; done < drawn.log
        if [ "$reached" -lt "$to" ]; then
            why="Ghostscript ended while drawing it"
            [ -e timedout ] && why="the time cap of $cap seconds per page was reached"
            echo "current.pdf: page $((reached + 1)) could not be drawn: $why" >>render.log
            status=1
            to=$((reached + 1))
        fi
        # Nobody takes pages any more: the rest of the document is not drawn.
        if [ -n "$LUMENPAGE_READER" ] && ! kill -0 "$LUMENPAGE_READER" 2>/dev/null; then
            status=1
            break 2
        fi
        from=$((to + 1))
    done
    done
else
    render 0 1 "$half" &
    pids=$!
    [ "$half" -lt "$last" ] && { render "$half" $((half + 1)) "$last" & pids="$pids $!"; }
    for pid in $pids; do wait "$pid" || status=1; done
    pids=
fi
# A document Ghostscript could not open gives no count and no pages: that is a failure too.
# compress.sh lists every page it completed (a reader may have taken them away already).
[ "$last" -gt 0 ] || status=1
seen=" "
finished=0
while read -r page; do
    case "$seen" in *" $page "*) ;; *) seen="$seen$page " finished=$((finished + 1)) ;; esac
done < rendered.log
[ "$finished" -eq "$wanted" ] || status=1
exit "$status"
