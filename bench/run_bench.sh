#!/bin/bash
# Performance of the Ghostscript job and of the header tagging, against the
# plain tools that do the same work:
#   1. PsToPdf on a 50-page PostScript file against running gs by hand with
#      the same options: wall time ratio at most 1.05.
#   2. SetPSFileTags on a 200 MB PostScript file: peak memory under 64 MB and
#      at least half the speed of cp copying the same file.
# Usage: bench/run_bench.sh [build folder]   (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bench=$build/bin/kalvinora-bench
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 2; }
gs=/usr/bin/gs

work=$(mktemp -d "${TMPDIR:-/tmp}/kalvinora-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The program's data folder (parameter file, log) goes into the scratch folder.
export XDG_DATA_HOME=$work/share
mkdir -p "$XDG_DATA_HOME"

now() { date +%s.%N; }
# Arithmetic and comparisons (1 or 0) without bc.
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
test_() { awk "BEGIN { print (($1) ? 1 : 0) }"; }
status=0

# ---- 1. PsToPdf against gs by hand ----------------------------------------
ps50=$work/fifty.ps
{
    printf '%%!PS-Adobe-3.0\n%%%%Title: fifty\n%%%%Creator: bench\n%%%%Pages: 50\n%%%%EndComments\n'
    printf '/Helvetica findfont 9 scalefont setfont\n'
    for p in $(seq 1 50); do
        printf '%%%%Page: %d %d\n' "$p" "$p"
        printf '0 1 59 { /i exch def 36 760 i 12 mul sub moveto (Page %d line ) show i 3 string cvs show\n' "$p"
        printf '  0.5 setgray 300 760 i 12 mul sub moveto 0 1 40 { pop 5 3 rlineto 5 -3 rlineto } for stroke 0 setgray } for\n'
        printf 'showpage\n'
    done
    printf '%%%%EOF\n'
} > "$ps50"

mapfile -t lines < <("$bench" lines "$ps50" "$work/fifty.doc")
hand=()
for l in "${lines[@]}"; do
    case "$l" in
        '"'*'"') hand+=("${l:1:${#l}-2}") ;;   # the quoted output word
        '-c save pop') hand+=(-c save pop) ;;
        *) hand+=("$l") ;;
    esac
done

# The machine may be shared with other work: the two sides alternate, each
# going first in turn, and the total times of all runs are compared.
runs=15
job_times=()
hand_times=()
"$gs" -dSAFER "${hand[@]}" >/dev/null   # warm the caches once
run_job() { local t cpu; read -r t cpu < <("$bench" pstopdf "$ps50" "$work/fifty.doc"); echo "$t"; }
run_hand() { local start end; start=$(now); "$gs" -dSAFER "${hand[@]}" >/dev/null; end=$(now); calc "$end - $start"; }
for i in $(seq 1 $runs); do
    if [ $((i % 2)) = 1 ]; then
        j=$(run_job); h=$(run_hand)
    else
        h=$(run_hand); j=$(run_job)
    fi
    job_times+=("$j")
    hand_times+=("$h")
done
total() { printf '%s\n' "$@" | awk '{ s += $1 } END { printf "%.6f", s }'; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
pages=$(pdfinfo "$work/fifty.pdf" | awk '/^Pages:/ {print $2}')
job_total=$(total "${job_times[@]}")
hand_total=$(total "${hand_times[@]}")
ratio=$(calc "$job_total / $hand_total")
verdict=$(test_ "$ratio <= 1.05")
printf 'PsToPdf, %s pages, %d runs: job %.3f s, gs by hand %.3f s, ratio %.3f (at most 1.05) %s\n' \
    "$pages" "$runs" "$job_total" "$hand_total" "$ratio" "$([ "$verdict" = 1 ] && echo OK || echo FAILED)"
printf '  medians: job %.3f s, gs by hand %.3f s\n' "$(median "${job_times[@]}")" "$(median "${hand_times[@]}")"
[ "$verdict" = 1 ] || status=1

# ---- 2. SetPSFileTags against cp --------------------------------------------
# The file as a printer driver writing LF line ends leaves it: every line has
# to be rewritten with CR LF. Each run tags a fresh copy of it.
pristine=$work/pristine.ps
big=$work/big.ps
{
    printf '%%!PS-Adobe-3.0\n%%%%Title: Microsoft Word - big.doc\n%%%%Creator: PScript5.dll Version 5.2\n%%%%For: user\n%%%%EndComments\n'
    # yes ends on a broken pipe once head has its bytes.
    yes '% padding padding padding padding padding padding padding padding padding pad' | head -c 200000000 || true
    printf '%%%%EOF\n'
} > "$pristine"
size=$(stat -c %s "$pristine")

# Fastest of five for each side: the least disturbed run.
best_tag=
best_cp=
peak=0
for i in 1 2 3 4 5; do
    cp "$pristine" "$big"
    cat "$big" > /dev/null
    start=$(now); cp "$big" "$work/copy.ps"; end=$(now)
    t_cp=$(calc "$end - $start")
    rm -f "$work/copy.ps"
    read -r t_tag kib < <("$bench" tag "$big")
    [ -z "$best_cp" ] || [ "$(test_ "$t_cp < $best_cp")" = 1 ] && best_cp=$t_cp
    [ -z "$best_tag" ] || [ "$(test_ "$t_tag < $best_tag")" = 1 ] && best_tag=$t_tag
    [ "$kib" -gt "$peak" ] && peak=$kib
done
head -c 200 "$big" | grep -q '%%Title: Bench' || { echo "the header was not tagged" >&2; status=1; }
[ "$(stat -c %s "$big")" -gt "$size" ] || { echo "the line ends were not rewritten" >&2; status=1; }

speed=$(calc "$best_cp / $best_tag")
speed_ok=$(test_ "$speed >= 0.5")
mem_ok=$([ "$peak" -lt 65536 ] && echo 1 || echo 0)
printf 'SetPSFileTags, %d MB: %.3f s, cp %.3f s, speed ratio %.2f (at least 0.5) %s\n' \
    $((size / 1000000)) "$best_tag" "$best_cp" "$speed" "$([ "$speed_ok" = 1 ] && echo OK || echo FAILED)"
printf 'SetPSFileTags peak memory: %.1f MB (under 64 MB) %s\n' \
    "$(calc "$peak / 1024")" "$([ "$mem_ok" = 1 ] && echo OK || echo FAILED)"
[ "$speed_ok" = 1 ] && [ "$mem_ok" = 1 ] || status=1
printf 'machine load (1, 5, 15 min): %s on %s processors\n' "$(cut -d' ' -f1-3 /proc/loadavg)" "$(nproc)"
exit $status
