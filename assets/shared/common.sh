# Sourced by ps/pdf2tiff.sh and bw/convert.sh (the program copies this folder's files beside
# each): what both need to tell the program what happened, to plan the pages, and to hold the
# time cap per page.
#
# What the program learns comes on the script's standard output, one line an event, as it
# happens (standard error carries only the renderers' own words, which the program shows as
# detail):
#   pages N N ...       a page range only: the pages that will be drawn, just before "count"
#   count N             the number of pages that will be drawn, before the first page
#   page N FILE         PDF page N is complete as FILE (relative to the script's folder)
#   page N FILE PIXELS BYTES SUM
#                       ... and Ghostscript's own pixels of it are PIXELS, BYTES long, whose
#                       checksum (lumenpage-jpeg's pixelsum.h) is SUM, in hex
#   drawn N             Ghostscript has drawn page N (progress; its FILE may follow)
#   failed N KIND       page N will not come: timecap, memory, crash, damaged, pagetree
#                       (the document's page tree does not lead to it), nopixels (at the
#                       resolution asked a side of it would have no pixels), toolarge (at the
#                       size asked it would be past the pixel limits) or nofit (it fits the
#                       box asked only below the lowest resolution)
#   document KIND [ARG] the document gives no page: password (none given), wrongpassword,
#                       norange COUNT (none of its COUNT pages is in LUMENPAGE_PAGES),
#                       damaged, missingtool NAME..., or not every page as the folder the
#                       script works in is full: nospace
# Any other line is not an event. The script's own standard output is fd 3 from here on;
# what the programs it starts print goes to standard error unless they are given fd 3.

exec 3>&1 1>&2

say() {
    echo "$*" >&3
}

# page_done N FILE [PIXELS BYTES SUM]: FILE is page N, complete (with its drawn pixels).
page_done() {
    say page "$@"
    [ -n "${LUMENPAGE_PAGE_LOG:-}" ] && echo "$1" >>"$LUMENPAGE_PAGE_LOG"
    return 0
}

# needs PROGRAM...: stops the script when one of them is not installed.
needs() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "${0##*/}: needs $*" >&2
            say document missingtool "$@"
            exit 127
        fi
    done
}

# What the program chose: the password (in a file, never on a command line), the resolution or
# a box to fit.
password=
[ -f password.ps ] && password=password.ps
size=-r${LUMENPAGE_RESOLUTION:-144}
set -- ${LUMENPAGE_FIT:-}
[ "$#" = 2 ] && size="-dFitWidth=$1 -dFitHeight=$2"
set --
cap=${LUMENPAGE_PAGE_SECONDS:-0}
case "$cap" in '' | *[!0-9]*) cap=0 ;; esac

# count_pages: the number of pages in $last, 0 when Ghostscript cannot tell (then
# document_failed says why). A reader of the whole document (READER=yes) learns it from the
# first Ghostscript that draws pages, which says "count" itself before its first page
# (counted=no); a page range and a password need it first. Page 1 alone needs no count.
count_pages() {
    last=0
    counted=yes
    count_status=0
    if [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] && [ -z "$password" ]; then
        last=1
    elif [ "$READER" != yes ] || [ -n "${LUMENPAGE_PAGES:-}" ] || [ -n "$password" ]; then
        last=$(gs -q -dNODISPLAY -dSAFER -dBATCH -dNOPAUSE --permit-file-read=current.pdf $password \
                  -c "(current.pdf) (r) file runpdfbegin pdfpagecount = quit" </dev/null)
        count_status=$?
        case "$last" in '' | *[!0-9]*) last=0 ;; esac
        [ "${LUMENPAGE_FIRST_PAGE_ONLY:-}" = 1 ] && last=1
    else
        counted=no
    fi
}

# plan_pages: $spans, the pages drawn as "FIRST-LAST" each, clamped to the document, and
# $wanted, their number; the program is told both. Items that follow on from the one before
# (the program gives them in page order) are one span: a Ghostscript is started a span, not an
# item. No page in the range: it is told so and the script ends.
plan_pages() {
    spans=1-$last
    wanted=$last
    if [ -n "${LUMENPAGE_PAGES:-}" ] && [ "$last" -gt 0 ]; then
        spans=
        wanted=0
        from=0 to=-1
        for item in $LUMENPAGE_PAGES; do
            a=${item%-*} b=${item#*-}
            [ -z "$b" ] || [ "$b" -gt "$last" ] && b=$last
            [ "$a" -le "$b" ] || continue
            if [ "$a" -ge "$from" ] && [ "$a" -le $((to + 1)) ]; then
                [ "$b" -gt "$to" ] && to=$b
                continue
            fi
            [ "$to" -ge "$from" ] && spans="$spans $from-$to" && wanted=$((wanted + to - from + 1))
            from=$a to=$b
        done
        [ "$to" -ge "$from" ] && spans="$spans $from-$to" && wanted=$((wanted + to - from + 1))
        if [ "$wanted" = 0 ]; then
            say document norange "$last"
            exit 1
        fi
        spans=${spans# }
        # The count is the document's claim: the pages are listed only for a sane number.
        # (A page alone is said by the shell itself: a range of thousands of them starts no
        # program for each.)
        if [ "$wanted" -le 100000 ]; then
            say pages $(for span in $spans; do
                if [ "${span%-*}" = "${span#*-}" ]; then echo "${span%-*}"; else seq "${span%-*}" "${span#*-}"; fi
            done)
        fi
    fi
    [ "$counted" = yes ] && say count "$wanted"
    return 0
}

# in_batches SIZE ACTION: the pages of $spans, SIZE at a time whichever spans they are of, each
# batch in $batch (" N N ...") for ACTION, so that a range of thousands of single pages does not
# start thousands of Ghostscripts. Stops, false, once ACTION is false.
in_batches() {
    batch= n=0
    for span in $spans; do
        page=${span%-*}
        while [ "$page" -le "${span#*-}" ]; do
            batch="$batch $page" n=$((n + 1)) page=$((page + 1))
            if [ "$n" -ge "$1" ]; then
                $2 || return 1
                batch= n=0
            fi
        done
    done
    [ -z "$batch" ] || $2
}

# document_failed: why a document gave no count, from what the script can see itself: a
# Ghostscript that crashed on a password (10.00 does so on a wrong one for 256-bit AES), or a
# document that is encrypted at all.
document_failed() {
    if [ -n "$password" ] && [ "$count_status" -gt 128 ]; then
        say document wrongpassword
    elif LC_ALL=C grep -q -a -e /Encrypt current.pdf 2>/dev/null; then
        if [ -n "$password" ]; then say document wrongpassword; else say document password; fi
    else
        say document damaged
    fi
}

# end_document: ends the script with its status: a failure when a page was not drawn, or when
# Ghostscript could not open the document (no count and no pages; document_failed says why),
# and after a failure "document nospace" when the folder is full (no_room).
end_document() {
    if [ "$last" -eq 0 ]; then
        [ "$finished" -eq 0 ] && document_failed
        status=1
    fi
    [ "$finished" -eq "$wanted" ] || status=1
    [ "$status" = 0 ] || no_room
    exit "$status"
}

# no_room: after a failure, "document nospace" when the file system of the script's folder has
# less room left than a large page image needs (4 MB): whatever failed, that is why.
no_room() {
    set -- $(stat -f -c '%a %S' . 2>/dev/null)
    [ "$#" = 2 ] && [ $(($1 * $2)) -lt 4194304 ] && say document nospace
    return 0
}

# watch PID LISTING [WAITING]: waits for the Ghostscript PID and gives its exit status. When the
# files LISTING (a pattern) stay the same for the time cap while none of WAITING (page images
# not yet taken) is there, it is killed and "timecap" said on standard output. (Not when the
# program Ghostscript writes its pages to holds the cap: writer_watches=yes.)
watch() {
    watcher=
    if [ "$cap" -gt 0 ] && [ "${writer_watches:-no}" != yes ]; then
        (
            gs=$1 listing=$2 waiting=${3:-} seen= idle=0 nap=
            # Its second's sleep ends with the watch: none outlives the run.
            trap '[ -n "$nap" ] && kill "$nap" 2>/dev/null; exit 0' TERM
            while kill -0 "$gs" 2>/dev/null; do
                sleep 1 </dev/null >/dev/null &
                nap=$!
                wait "$nap"
                nap=
                set -- $listing
                now=$*
                [ -n "$waiting" ] && set -- $waiting
                if [ "$now" != "$seen" ] || { [ -n "$waiting" ] && [ -e "$1" ]; }; then
                    seen=$now idle=0
                else
                    idle=$((idle + 1))
                fi
                [ "$idle" -ge "$cap" ] && { echo timecap; kill -9 "$gs"; exit 0; }
            done
        ) &
        watcher=$!
    fi
    wait "$1" 2>/dev/null
    code=$?
    [ -n "$watcher" ] && { kill "$watcher" 2>/dev/null; wait "$watcher" 2>/dev/null; }
    return "$code"
}

# relay: reads what a Ghostscript run says on its standard output (pages.ps, compress.sh, the
# watch, and a last line "ended STATUS"), passes the events on to the program, anything else to
# standard error, and ends with one line: COUNT HIGHEST WHY STATUS FINISHED FAILED...
# (COUNT "-" when none was said; HIGHEST the last page drawn or finished; WHY "timecap" when the
# watch stopped it, "crash" otherwise; FINISHED the pages completed). The image of a page named
# failed is blank: it is removed, not passed on.
relay() {
    set -f
    count=- highest=0 why=crash ended=0 finished=0 failed=" "
    while IFS= read -r line; do
        set -- $line
        case "$1 $#" in
        "page 3" | "page 6")
            shift
            case "$failed" in
            *" $1 "*) rm -f -- "$2" ${3:+"$3"} ;;
            *) page_done "$@"; finished=$((finished + 1)) ;;
            esac
            [ "$1" -gt "$highest" ] && highest=$1 ;;
        "drawn 2")
            say "$line"
            [ "$2" -gt "$highest" ] && highest=$2 ;;
        "count 2") count=$2; say "$line" ;;
        "failed 3") failed="$failed$2 "; say "$line" ;;
        "timecap 1") why=timecap ;;
        "ended 2") ended=$2 ;;
        *) printf '%s\n' "$line" >&2 ;;
        esac
    done
    echo "$count $highest $why $ended $finished$failed"
}
