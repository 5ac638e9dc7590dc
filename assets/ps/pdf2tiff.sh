#!/bin/sh
# Renders the pages of current.pdf in this folder as current00001.jpg, current00002.jpg, ...
# (144 dpi, anti-aliased text and graphics) and removes current.pdf whatever happens.
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
# - LUMENPAGE_MAX_PENDING=K: at most K finished page images wait in the folder (compress.sh).
# - LUMENPAGE_JPEG_WRITER=PROGRAM: the program's page image writer (lumenpage-jpeg) instead of
#   cjpeg: the same page images, made beside Ghostscript instead of in its way.
# - LUMENPAGE_KEEP_PIXELS=1 (with LUMENPAGE_MAX_PENDING and the writer): each page image comes
#   with the pixels Ghostscript drew, FILE.TOKEN.rgb beside it, named on the page's line with their
#   size and checksum ("page N FILE PIXELS BYTES SUM", common.sh) for the reader to check.
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
# the page's true colours. Each page goes through a pipe as soon as it is drawn: to compress.sh
# (no raw page touches the disk) or, with LUMENPAGE_JPEG_WRITER, to that program, which holds at
# most two raw pages in the folder while it compresses one and Ghostscript draws the next. On
# two or more cores, without a reader, two Ghostscripts draw the two halves of the document.
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
finish() {
    remove current.pdf password.ps current*.jpg.part current*.jpg.*raw relay.out
}
trap finish EXIT
trap 'exit 1' HUP INT TERM
remove current*.jpg current*.jpg.part current*.jpg.*raw current*.jpg.*rgb

READER=no
[ -n "${LUMENPAGE_MAX_PENDING:-}" ] && READER=yes
. ./common.sh
if [ -n "${LUMENPAGE_JPEG_WRITER:-}" ]; then needs gs "$LUMENPAGE_JPEG_WRITER"; else needs gs cjpeg; fi

count_pages
plan_pages

# output_to OFFSET: Ghostscript's output, its pages' pipe. LUMENPAGE_JPEG_WRITER (the program's
# lumenpage-jpeg) takes them all through one pipe and compresses each beside Ghostscript, which
# draws on meanwhile, and holds the time cap per page itself (told Ghostscript's process id, its
# pipe's parent); without it, each page's compress.sh runs cjpeg while Ghostscript waits.
# (Ghostscript then opens the pipe when it starts, not at its first page: a first page that
# takes too long is watched too.)
writer_watches=no open_early=
[ -n "${LUMENPAGE_JPEG_WRITER:-}" ] && writer_watches=yes open_early=-dOpenOutputFile
output_to() {
    if [ -n "${LUMENPAGE_JPEG_WRITER:-}" ]; then
        echo "%pipe%exec \"\$LUMENPAGE_JPEG_WRITER\" $1 \$PPID"
    else
        echo "%pipe%set -- $1 %d; . ./compress.sh"
    fi
}

# render OFFSET FIRST LAST [count]: pages FIRST to LAST (0: to the end), each piped as soon as
# it is drawn to output_to's program; with "count", the count is said first. Run in the
# background only: Ghostscript takes the place of the subshell, and compress.sh or the writer
# runs in the shell popen starts (one process less, and no second start of a shell a page).
# What they say goes to relay (common.sh) on standard output.
render() {
    to=
    [ "$3" -gt 0 ] && to=-dToPage=$3
    count=
    [ "${4:-}" = count ] && count=-dCountPages
    exec gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw $size $open_early -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
       -dFromPage="$2" $to -sPDFFile=current.pdf --permit-file-read=current.pdf $count \
       -sOutputFile="$(output_to "$1")" $password pages.ps </dev/null
}

# render_pick PAGES: those pages (a page range's, in its order), as render does. compress.sh
# learns from LUMENPAGE_PICKED which page each output is.
render_pick() {
    LUMENPAGE_PICKED=$1 exec gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw $size $open_early -dTextAlphaBits=4 \
       -dGraphicsAlphaBits=4 -sPick="$1" -sPDFFile=current.pdf --permit-file-read=current.pdf \
       -sOutputFile="$(output_to pick)" $password pages.ps </dev/null
}

# relayed FUNCTION ARGS...: FUNCTION's Ghostscript under the watch, what it says passed on by
# relay (common.sh), whose summary line is left in $summary. (Through a file rather than a
# command substitution: one shell less beside every Ghostscript.)
relayed() {
    { "$@" & watch $! 'current*.jpg*' 'current*.jpg'; echo ended $?; } | relay >relay.out
    # A line that could not be written (the folder full) counts as a Ghostscript that crashed
    # before its first page.
    read -r summary <relay.out || summary="- 0 crash 1 0"
}

# draw_picked: the pages of $batch, by one Ghostscript under the watch; one that ends before the
# last costs only the page it was drawing, and the next takes over after it. False once nobody
# takes pages any more.
draw_picked() {
    while [ -n "$batch" ]; do
        relayed render_pick "$batch"
        set -- $summary
        [ "$4" = 0 ] || status=1
        finished=$((finished + $5))
        reached=$2 why=$3 rest= seen=no
        [ "$reached" = 0 ] && seen=yes
        for picked in $batch; do
            if [ "$seen" = yes ]; then rest="$rest $picked"; fi
            [ "$picked" = "$reached" ] && seen=yes
        done
        batch=
        if [ -n "$rest" ]; then
            set -- $rest
            say failed "$1" "$why"
            status=1
            shift
            batch=$*
        fi
        if [ -n "$LUMENPAGE_READER" ] && ! kill -0 "$LUMENPAGE_READER" 2>/dev/null; then
            status=1
            return 1
        fi
    done
    return 0
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
if [ "$last" -ge 4 ] && [ "$READER" = no ]; then
    cores=$(nproc 2>/dev/null || echo 1)
    [ "$cores" -ge 2 ] && half=$(( (last + 1) / 2 ))
fi
# A Ghostscript's memory grows with the pages it has drawn (about 45 MB after 50 pages, 57 MB
# after 400 of the same document), so for a reader, which takes pages while they are drawn, a
# long document is drawn by one Ghostscript after another, Chunk pages each: its memory stays
# that of a short one. A new Ghostscript costs about 50 ms, 1 ms a page. The first one also
# counts the pages; until it has, the document is taken to be one chunk long.
chunk=50
finished=0

# A reader's document, a page range and page 1 alone are drawn span by span, chunk by chunk,
# each Ghostscript under the watch. Until the first Ghostscript has counted the pages
# (counted=no), the document is taken to be one chunk long.
[ "$counted" = no ] && spans=1-$chunk
if [ "$counted" = yes ] && [ "${spans#* }" != "$spans" ]; then
    # A page range of more than one span: Chunk pages a Ghostscript.
    in_batches "$chunk" draw_picked
elif [ "$READER" = yes ] || [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] || [ "$spans" != "1-$last" ]; then
    for span in $spans; do
    from=${span%-*}
    end=${span#*-}
    while [ "$from" -le "$end" ]; do
        to=$((from + chunk - 1))
        [ "$to" -gt "$end" ] && to=$end
        if [ "$counted" = no ]; then
            relayed render 0 1 "$to" count
            set -- $summary
            counted=yes
            last=$1
            case "$last" in '' | *[!0-9]*) last=0 ;; esac
            end=$last
            wanted=$last
            [ "$to" -gt "$end" ] && to=$end
        else
            relayed render $((from - 1)) "$from" "$to"
            set -- $summary
        fi
        [ "$4" = 0 ] || status=1
        finished=$((finished + $5))
        # A Ghostscript that ended before its last page (it crashed, was killed, or reached the
        # time cap) costs only the page it was drawing: the next one takes over after it.
        reached=$2
        [ "$reached" -lt "$from" ] && reached=$((from - 1))
        if [ "$reached" -lt "$to" ]; then
            say failed $((reached + 1)) "$3"
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
    set -- $( {
        render 0 1 "$half" &
        pids=$!
        [ "$half" -lt "$last" ] && { render "$half" $((half + 1)) "$last" & pids="$pids $!"; }
        code=0
        for pid in $pids; do wait "$pid" || code=1; done
        echo ended $code
    } | relay)
    [ "$4" = 0 ] || status=1
    finished=$5
    # Nothing to draw: the document could not be opened.
    [ "$1" = 0 ] && last=0
fi
end_document
