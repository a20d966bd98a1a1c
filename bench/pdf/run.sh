#!/bin/sh
# Usage: bench/pdf/run.sh BUILD_DIR   (BUILD_DIR configured with -DTYPESTONE_BENCH=ON)
# PDF output at 300 and 600 dpi for 10 and 500 pages of the 80 x 58 text corpus, and in the
# same run Ghostscript's pdfwrite (viewpbm.ps, duplicate images not shared) on the same page
# bitmap, as many pages; each "ratio" line gives Typestone's figures against the peer's.
set -eu
build=$1
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The shared corpus maker lies beside the main checkout (worktrees included).
corpus_maker=$(git -C "$here" rev-parse --path-format=absolute --git-common-dir)/../../shared/bench/make-text-corpus.py
viewpbm=$(ls /usr/share/ghostscript/*/lib/viewpbm.ps 2>/dev/null | head -n 1 || true)
for pages in 10 500; do
    python3 "$corpus_maker" 80 58 "$pages" > "$tmp/corpus.txt"
    for dpi in 300 600; do
        line=$("$build/bench/pdf/bench_pdf" pdf "$dpi" "$tmp/corpus.txt" "$tmp/typestone.pdf")
        "$build/bench/pdf/bench_pdf" page "$dpi" "$tmp/corpus.txt" "$tmp/page.pgm"
        if [ -n "$viewpbm" ]; then
            n=$(echo "$line" | sed 's/.* pages=\([0-9]*\).*/\1/')
            files=$(i=0; while [ "$i" -lt "$n" ]; do printf '%s ' "$tmp/page.pgm"; i=$((i + 1)); done)
            scale=$(awk -v d="$dpi" 'BEGIN { printf "%.6f", 72 / d }')
            start=$(date +%s.%N)
            # shellcheck disable=SC2086
            /usr/bin/time -f "%M" -o "$tmp/gs.mem" gs -q -dNOPAUSE -dBATCH -dNOSAFER -dSCALE="$scale" \
                -dDetectDuplicateImages=false \
                -sDEVICE=pdfwrite -sOutputFile="$tmp/gs.pdf" -- "$viewpbm" $files
            end=$(date +%s.%N)
            peer=$(awk -v s="$start" -v e="$end" -v p="$n" -v m="$(cat "$tmp/gs.mem")" \
                -v b="$(stat -c %s "$tmp/gs.pdf")" -v d="$dpi" \
                'BEGIN { printf "gs-pdfwrite dpi=%d pages=%d seconds=%.3f pages_per_s=%.2f bytes_per_page=%.0f peak_kib=%d", d, p, e - s, p / (e - s), b / p, m }')
            echo "$line"
            echo "$peer"
            echo "$line $peer" | awk '{
                for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[NR, kv[1], (i > 8) ? 2 : 1] = kv[2] }
                printf "ratio dpi=%s pages=%s speed=%.2f size=%.2f memory=%.2f (typestone / gs)\n",
                    v[1, "dpi", 1], v[1, "pages", 1], v[1, "pages_per_s", 1] / v[1, "pages_per_s", 2],
                    v[1, "bytes_per_page", 1] / v[1, "bytes_per_page", 2], v[1, "peak_kib", 1] / v[1, "peak_kib", 2] }'
        else
            echo "$line"
            echo "gs-pdfwrite: ghostscript not installed"
        fi
    done
done
