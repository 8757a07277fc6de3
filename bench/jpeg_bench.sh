#!/usr/bin/env bash
# 50 JPEG photos (1600 x 1200) to 50 PDFs: one run of kalvinora-cli against
# ImageMagick's convert, once per photo. kalvinora-cli must be faster, and with
# downsampling off (Grafikqu=0) each PDF must carry the photo's own JPEG
# data: byte for byte, except that Ghostscript 10 appends one more end marker
# (FF D9) to the data it passes through; exactly that is accepted.
# Usage: bench/jpeg_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli="$build/bin/kalvinora-cli"
[ -x "$cli" ] || { echo "build kalvinora-cli first (cmake --build $build --target kalvinora-cli)" >&2; exit 2; }
for tool in convert pdfimages cmp gs /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kalvinora-jpeg-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The program's data folder (settings, log, parameter file) is a scratch one.
export HOME="$work/home" XDG_DATA_HOME="$work/home/share" XDG_CONFIG_HOME="$work/home/config"
mkdir -p "$XDG_DATA_HOME" "$work/photos" "$work/out-kalvinora" "$work/out-convert" "$work/images"

echo "making 50 photos ..."
colours=(3060a0 e0c080 208040 c04030 806090 40a0c0 f0f0d0 302010 a08060 60c0a0)
for i in $(seq -w 1 50); do
  a=${colours[$((10#$i % 10))]}
  b=${colours[$(((10#$i * 7 + 3) % 10))]}
  convert -size 1600x1200 "gradient:#$a-#$b" -attenuate 0.$((10#$i % 6 + 2)) +noise Gaussian \
    -quality $((70 + 10#$i % 25)) "$work/photos/photo$i.jpg"
done
photos=("$work"/photos/*.jpg)
[ ${#photos[@]} -eq 50 ] || { echo "could not make the photos" >&2; exit 1; }

# Debian's ImageMagick policy forbids its PDF coder by name; the same PDF
# writer is reached as EPDF, which the policy leaves alone.
target=""
convert "${photos[0]}" "$work/probe.pdf" 2>/dev/null && target="" || target="EPDF:"
[ -n "$target" ] && echo "(convert writes PDF here only as EPDF:, the same writer under another name)"

# Wall time and processor time (user + system, with the child processes) of
# each side; on a busy machine the processor time is the steadier figure.
export work target cli
timed() { /usr/bin/time -f "%e %U %S" -o "$work/time-$1" bash -c "$2"; }
# The work files are kept (DelPS=0) to time Ghostscript alone on them below.
timed kalvinora '"$cli" --set Grafikqu=0 --set DelPS=0 --output-dir "$work/out-kalvinora" "$work"/photos/*.jpg >/dev/null'
timed convert 'for p in "$work"/photos/*.jpg; do convert "$p" "$target$work/out-convert/$(basename "$p" .jpg).pdf"; done'
# Ghostscript alone, one process per work file as the run starts it: the
# floor under any run that makes one Ghostscript job per picture.
mkdir -p "$work/out-gs"
timed gs 'for p in "$work"/photos/*.ps; do gs -dSAFER -q -dNOPAUSE -dBATCH -dDownsampleColorImages=false -sDEVICE=pdfwrite "-sOutputFile=$work/out-gs/$(basename "$p" .ps).pdf" -c save pop -f "$p"; done'

for dir in out-kalvinora out-convert; do
  n=$(ls "$work/$dir"/*.pdf 2>/dev/null | wc -l)
  [ "$n" -eq 50 ] || { echo "$dir: $n PDFs instead of 50" >&2; exit 1; }
done

# The JPEG data inside each PDF against the photo.
identical=0 marker=0 other=0
for p in "${photos[@]}"; do
  name=$(basename "$p" .jpg)
  rm -f "$work"/images/*
  pdfimages -all "$work/out-kalvinora/$name.pdf" "$work/images/img"
  got=("$work"/images/*)
  if [ ${#got[@]} -ne 1 ] || [ "${got[0]##*.}" != jpg ]; then
    echo "$name: not one JPEG picture in the PDF: ${got[*]##*/}" >&2
    other=$((other + 1))
    continue
  fi
  size=$(stat -c %s "$p")
  if cmp -s "$p" "${got[0]}"; then
    identical=$((identical + 1))
  elif [ "$(stat -c %s "${got[0]}")" -eq $((size + 2)) ] && cmp -s -n "$size" "$p" "${got[0]}" \
       && [ "$(tail -c 2 "${got[0]}" | od -An -tx1 | tr -d ' \n')" = ffd9 ]; then
    marker=$((marker + 1))
  else
    echo "$name: the JPEG data in the PDF differs from the photo" >&2
    other=$((other + 1))
  fi
done

python3 - "$work" "$identical" "$marker" "$other" <<'PY'
import sys
work = sys.argv[1]
identical, marker, other = map(int, sys.argv[2:5])
def timing(name):
    wall, user, system = map(float, open(f"{work}/time-{name}").read().split()[-3:])
    return wall, user + system
(ours, ours_cpu), (theirs, theirs_cpu), (gs, gs_cpu) = timing("kalvinora"), timing("convert"), timing("gs")
print(f"kalvinora-cli, one run for 50 photos:   {ours:6.2f} s  ({ours_cpu:6.2f} s processor)")
print(f"convert photo.jpg photo.pdf, 50 times:  {theirs:6.2f} s  ({theirs_cpu:6.2f} s processor)"
      f"   ratio {theirs / ours:5.2f} (must be > 1), processor {theirs_cpu / ours_cpu:5.2f}")
print(f"gs alone on the 50 work files:          {gs:6.2f} s  ({gs_cpu:6.2f} s processor)"
      f"   the run's own share {100 * (ours - gs) / ours:4.1f} %, processor {100 * (ours_cpu - gs_cpu) / ours_cpu:4.1f} %")
print(f"JPEG data in the PDFs: {identical} identical, {marker} identical but for the end marker Ghostscript appends, "
      f"{other} different")
sys.exit(0 if theirs > ours and other == 0 else 1)
PY
