#!/bin/sh
# Usage: bench/engine/run.sh BUILD_DIR [PAGES]   (BUILD_DIR configured with -DTYPESTONE_BENCH=ON)
# One corpus, three runs in the same session: Typestone to PDF, Typestone to page images, and
# the Debian peer enscript | ps2pdf (installed with apt-get install enscript ghostscript).
set -eu
build=$1
pages=${2:-50}
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$here/../../../shared/bench/make-text-corpus.py" 80 58 "$pages" > "$tmp/corpus.txt"
"$build/bench/engine/bench_engine" pdf "$tmp/corpus.txt" "$tmp/typestone.pdf"
"$build/bench/engine/bench_engine" image "$tmp/corpus.txt"
if command -v enscript >/dev/null && command -v ps2pdf >/dev/null; then
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$tmp/peer.mem" sh -c \
        "enscript -q -B -M A4 -f Courier9 -L 58 -X ibmpc -o - '$tmp/corpus.txt' | ps2pdf -r600 - '$tmp/peer.pdf'"
    end=$(date +%s.%N)
    peer_pages=$(pdfinfo "$tmp/peer.pdf" | awk '/^Pages:/ {print $2}')
    awk -v s="$start" -v e="$end" -v p="$peer_pages" -v m="$(cat "$tmp/peer.mem")" \
        'BEGIN { printf "enscript+ps2pdf pages=%d seconds=%.3f pages_per_s=%.2f peak_kib=%d\n", p, e - s, p / (e - s), m }'
else
    echo "enscript+ps2pdf: not installed"
fi
