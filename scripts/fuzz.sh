#!/usr/bin/env bash
# Explores with the libFuzzer targets (clang, address and undefined-behaviour sanitizers), each for
# a bounded time, starting from the kept corpus (fuzz/corpus/TARGET), every regression
# (fuzz/regressions/TARGET) and seeds made from the test pages and the shared corpus of real pages.
#   scripts/fuzz.sh 60        a minute per target
#   scripts/fuzz.sh 3600      an hour per target
#   scripts/fuzz.sh 60 fuzz_rewrite   one target
# New inputs that reach code the kept corpus does not are merged into fuzz/corpus/TARGET: commit
# them. A failure's input is kept as build/fuzz/run/TARGET-crash-*; the README says how to turn it
# into a regression. The test command never explores: it replays fuzz/corpus and fuzz/regressions
# (the FuzzReplay tests of ctest), so it gives the same verdict on every run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-60}"
targets=("${@:2}")
((${#targets[@]})) || targets=(fuzz_scan fuzz_recovery fuzz_rewrite fuzz_profile)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target "${targets[@]}"

work=build/fuzz/run
rm -rf "$work"
pages=()
for folder in tests/cli/pages ../shared/corpus/pages docs/example; do
  [ -d "$folder" ] && pages+=("$folder")
done

# Seeds: pages as they are for the scan and the recovery; for the rewriter the same pages
# behind a small header (chosen form, form number, mode, account ID, rules).
for target in fuzz_scan fuzz_recovery fuzz_rewrite fuzz_profile; do
  mkdir -p "$work/$target" "$work/seeds-$target" "fuzz/corpus/$target" "fuzz/regressions/$target"
done
i=0
for folder in "${pages[@]}"; do
  for page in "$folder"/*; do
    [ -f "$page" ] || continue
    i=$((i + 1))
    head -c 200000 "$page" > "$work/seeds-fuzz_recovery/seed$i"
    { printf '\001'; head -c 200000 "$page"; } > "$work/seeds-fuzz_scan/seed$i"
    { printf '\000\000\000'; printf '24680\377'; printf '\002'; printf 'email^1^0^Bad\377'; printf 'name^0^1^0^0^Fill\377'; head -c 200000 "$page"; } > "$work/seeds-fuzz_rewrite/seed$i"
  done
done
printf 'Settings\377main dir\377/opt/app/\377[Settings]\r\nvl_id=12345\r\n; note\r\n' > "$work/seeds-fuzz_profile/seed1"
printf 'a\377b\377c\377' > "$work/seeds-fuzz_profile/seed2"

options=(-dict=fuzz/velmoraine.dict -max_len=262144 -timeout=20 -rss_limit_mb=4096)
status=0
for target in "${targets[@]}"; do
  binary=build/fuzz/fuzz/$target
  echo "== $target: ${seconds}s"
  # New finds go into the first folder, the work folder; the others are read only.
  if ! "$binary" "$work/$target" "fuzz/corpus/$target" "fuzz/regressions/$target" "$work/seeds-$target" \
      "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$target-" \
      >"$work/$target.log" 2>&1; then
    status=1
    tail -n 40 "$work/$target.log"
    echo "fuzz: $target found a failure; the input is in $work/$target-*"
    echo "fuzz: to keep it as a regression: cp $work/$target-crash-* fuzz/regressions/$target/NAME"
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" | tr '\n' ' '
    echo
  fi
  # Keep what reaches new code, minimised: the kept corpus gains only inputs that add coverage.
  before=$(find "fuzz/corpus/$target" -type f | wc -l)
  "$binary" -merge=1 "${options[@]}" "fuzz/corpus/$target" "$work/$target" "$work/seeds-$target" \
    >"$work/$target-merge.log" 2>&1 || { echo "fuzz: merging $target's finds failed (see $work/$target-merge.log)"; status=1; }
  after=$(find "fuzz/corpus/$target" -type f | wc -l)
  echo "fuzz: $target: $((after - before)) new inputs kept in fuzz/corpus/$target ($after in all)"
done
exit $status
