#!/usr/bin/env bash
# 20 small .docx files to PDF: one run of the program's office backend
# against 20 separate "soffice --headless --convert-to pdf" calls (it must be
# at least 3 times faster), and against one such call with all 20 files.
# Usage: bench/office-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bench="$build/bin/kalvinora-office-bench"
[ -x "$bench" ] || { echo "build kalvinora-office-bench first (cmake --build $build --target kalvinora-office-bench)"; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/rtf" "$work/out-single" "$work/out-each" "$work/out-batch"
export XDG_DATA_HOME="$work/data"   # the backend's private profile goes here
profile="file://$work/lo-profile"   # the profile of the plain soffice calls

for i in $(seq -w 1 20); do
  printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs24 Benchmark document %s.\\par Some text to print.\\par}\r\n' "$i" \
    > "$work/rtf/doc$i.rtf"
done
soffice -env:UserInstallation="$profile" --headless --convert-to docx --outdir "$work/docs" "$work"/rtf/*.rtf >/dev/null 2>&1
docs=("$work"/docs/*.docx)
[ ${#docs[@]} -eq 20 ] || { echo "could not make the documents"; exit 1; }

# Both sides start from a profile that exists, as on a machine in use.
"$bench" "$work/out-single" "${docs[0]}" >/dev/null

now() { date +%s.%N; }
t0=$(now)
"$bench" "$work/out-single" "${docs[@]}"
t1=$(now)
for d in "${docs[@]}"; do
  soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$work/out-each" "$d" >/dev/null 2>&1
done
t2=$(now)
soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$work/out-batch" "${docs[@]}" >/dev/null 2>&1
t3=$(now)

for dir in out-single out-each out-batch; do
  n=$(ls "$work/$dir"/*.pdf 2>/dev/null | wc -l)
  [ "$n" -eq 20 ] || { echo "$dir: $n PDFs instead of 20"; exit 1; }
done

python3 - "$t0" "$t1" "$t2" "$t3" <<'PY'
import sys
t0, t1, t2, t3 = map(float, sys.argv[1:])
backend, each, batch = t1 - t0, t2 - t1, t3 - t2
print(f"backend, one office for 20 documents: {backend:6.2f} s")
print(f"20 separate soffice --convert-to pdf:  {each:6.2f} s   ratio {each / backend:5.2f} (must be >= 3)")
print(f"one soffice --convert-to pdf, 20 files: {batch:6.2f} s   ratio {batch / backend:5.2f}")
sys.exit(0 if each / backend >= 3 else 1)
PY
