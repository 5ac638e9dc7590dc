#!/bin/sh
# fuzz/run.sh BUILD_DIR [SECONDS]: writes the seed corpora and runs each fuzz target for SECONDS
# (default 60) from them, on a copy, so the corpus found stays in BUILD_DIR/fuzz-corpus. A
# crash, a leak or a sanitizer report ends it with a non-zero status; the last line of each run
# says how many inputs were tried.
set -eu
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
corpus="$build/fuzz-corpus"
"$build/fuzz_seeds" "$corpus/seeds"
export LSAN_OPTIONS="suppressions=$here/lsan.supp"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=1"
export QT_QPA_PLATFORM=offscreen
status=0
for target in pageimage pdfpage ppmstream scriptlines renderanswer namepattern; do
    mkdir -p "$corpus/$target" "$corpus/crashes-$target"
    echo "== fuzz_$target for ${seconds} s"
    # -rss_limit_mb: a hostile input may cost the renderer this much and no more, as in the program.
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=262144 \
           -print_final_stats=1 -artifact_prefix="$corpus/crashes-$target/" \
           "$corpus/$target" "$corpus/seeds/$target" > "$corpus/$target.log" 2>&1; then
        status=1
        echo "fuzz_$target found a problem:"
        tail -60 "$corpus/$target.log"
    fi
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$corpus/$target.log" || true
done
exit $status
