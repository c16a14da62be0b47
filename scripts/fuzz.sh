#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) and runs
# each for a bounded time on its seed corpus: test pages and the shared corpus of real pages.
#   scripts/fuzz.sh            about a minute per target (what CI runs)
#   scripts/fuzz.sh 3600       an hour per target
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target fuzz_scan fuzz_recovery fuzz_rewrite fuzz_profile

work=build/fuzz/run
rm -rf "$work"
mkdir -p "$work"
pages=()
for folder in tests/cli/pages tests/fuzz-regressions ../shared/corpus/pages docs/example; do
  [ -d "$folder" ] && pages+=("$folder")
done

# Seeds: pages as they are for the scan and the recovery; for the rewriter the same pages
# behind a small header (chosen form, form number, mode, account ID, rules).
for target in fuzz_scan fuzz_recovery fuzz_rewrite fuzz_profile; do
  mkdir -p "$work/$target"
done
i=0
for folder in "${pages[@]}"; do
  for page in "$folder"/*; do
    [ -f "$page" ] || continue
    i=$((i + 1))
    head -c 200000 "$page" > "$work/fuzz_recovery/seed$i"
    { printf '\001'; head -c 200000 "$page"; } > "$work/fuzz_scan/seed$i"
    { printf '\000\000\000'; printf '24680\377'; printf '\002'; printf 'email^1^0^Bad\377'; printf 'name^0^1^0^0^Fill\377'; head -c 200000 "$page"; } > "$work/fuzz_rewrite/seed$i"
  done
done
printf 'Settings\377main dir\377/opt/app/\377[Settings]\r\nvl_id=12345\r\n; note\r\n' > "$work/fuzz_profile/seed1"
printf 'a\377b\377c\377' > "$work/fuzz_profile/seed2"

status=0
for target in fuzz_scan fuzz_recovery fuzz_rewrite fuzz_profile; do
  echo "== $target: ${seconds}s"
  if ! build/fuzz/fuzz/$target "$work/$target" -dict=fuzz/velmoraine.dict -max_total_time="$seconds" \
      -max_len=262144 -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/$target-" \
      >"$work/$target.log" 2>&1; then
    status=1
    tail -n 40 "$work/$target.log"
    echo "fuzz: $target found a failure; the input is in $work/$target-*"
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" | tr '\n' ' '
    echo
  fi
done
exit $status
