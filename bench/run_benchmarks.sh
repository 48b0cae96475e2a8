#!/usr/bin/env bash
# Times the extraction commands on the generated corpus against grep and
# ripgrep doing the same search (best of three runs each).
#
#   bash bench/run_benchmarks.sh [BUILD-DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
corpus="$build/bench-corpus"
export QT_QPA_PLATFORM=offscreen

ours=$("$build/bench/tollervane-bench" "$corpus" 3)
files=("$corpus"/*.eml)
bytes=$(cat "${files[@]}" | wc -c)
echo "corpus: ${#files[@]} files, $((bytes / 1000000)) MB, $(cat "${files[@]}" | wc -l) lines"

best_of_three() {
  local best=
  for _ in 1 2 3; do
    local start end took
    start=$(date +%s%N)
    count=$("$@")
    end=$(date +%s%N)
    took=$(( (end - start) / 1000 ))
    if [[ -z $best || $took -lt $best ]]; then best=$took; fi
  done
  printf '%d.%06d' $((best / 1000000)) $((best % 1000000))
}

grep_time=$(best_of_three sh -c 'LC_ALL=C grep -a -ihF invoice "$@" | wc -l' _ "${files[@]}")
grep_rows=$(LC_ALL=C grep -a -ihF invoice "${files[@]}" | wc -l)
printf '%-14s %8.3f s %9d rows\n' grep "$grep_time" "$grep_rows"
if command -v rg >/dev/null; then
  rg_time=$(best_of_three sh -c 'rg -a -iF --no-filename -j1 invoice "$@" | wc -l' _ "${files[@]}")
  rg_rows=$(rg -a -iF --no-filename -j1 invoice "${files[@]}" | wc -l)
  printf '%-14s %8.3f s %9d rows\n' ripgrep "$rg_time" "$rg_rows"
fi
echo "$ours"

containing=$(awk '$1 == "containing" { print $2 }' <<<"$ours")
awk -v c="$containing" -v g="$grep_time" 'BEGIN { printf "containing / grep: %.2f (must be at most 2)\n", c / g }'
for name in text-sets-200 between; do
  t=$(awk -v n="$name" '$1 == n { print $2 }' <<<"$ours")
  awk -v t="$t" -v c="$containing" -v n="$name" 'BEGIN { printf "%s / containing: %.2f (must be at most 3)\n", n, t / c }'
done
awk '/longest stall/ { if ($(NF - 1) > worst) worst = $(NF - 1) } END { printf "longest stall: %.1f ms (must be at most 50)\n", worst }' <<<"$ours"
