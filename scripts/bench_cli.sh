#!/usr/bin/env bash
# Times velmoraine-cli on generated pages against the plain file tools:
#   scan PAGE --json                    against  cat PAGE
#   rewrite PAGE --id ... --rule ... -o  against  cp PAGE OUT (and cp followed by sync, since
#                                        the rewrite's atomic write flushes the file to disk)
# and prints one table with the ratios, the rewrite's peak memory per page byte and the time
# ratio of each page to the page ten times smaller. Then, on the 100 MB realistic page, paired
# runs (each round runs every command once, in turn) of the rewrite against its durable floor,
# cat PAGE > OUT && sync OUT, and against a regular-expression script of the same job, the
# quickest an author could write (Perl: the form tag, the hidden input, the block before
# </head>, the webbot comments; no fsync, and not exact); each as the median of the rounds'
# ratios.
#
#   scripts/bench_cli.sh [BUILD_DIR]     (default build/release; needs velmoraine-cli and
#                                          velmoraine_make_page built there)
#   RUNS=7 STAT=best scripts/bench_cli.sh build/h-bench
#
# RUNS: timed runs per command after one warm-up (default 5); STAT: median (default) or best;
# PAIRED_ONLY=1: only the paired runs on the 100 MB page.
# Run by hand on a quiet machine; takes a few minutes and about 1 GB in the temp folder.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build="${1:-build/release}"
runs="${RUNS:-5}"
stat="${STAT:-median}"
cli="$build/velmoraine-cli"
generator="$build/velmoraine_make_page"
model="$build/vlmodel.txt"
[ -f "$model" ] || model="core/rewrite/vlmodel.txt"
account_id=24680
rule_field=email # every generated page's first form has it

for program in "$cli" "$generator"; do
  if [ ! -x "$program" ]; then
    echo "bench_cli.sh: $program is missing; build it first:" >&2
    echo "  cmake --build $build --target velmoraine-cli velmoraine_make_page" >&2
    exit 1
  fi
done
case "$stat" in median | best) ;; *) echo "bench_cli.sh: STAT is median or best" >&2; exit 1 ;; esac
if [ -z "${EPOCHREALTIME:-}" ]; then
  echo "bench_cli.sh: needs bash 5 (EPOCHREALTIME)" >&2
  exit 1
fi
gnu_time=""
if [ -x /usr/bin/time ] && /usr/bin/time -f "%M" true 2>/dev/null; then
  gnu_time=/usr/bin/time
fi

tmp="$(mktemp -d "${TMPDIR:-/tmp}/velmoraine-bench-cli.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM
# The command line reads its settings from here, never from the user's own.
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME"

# The cases: label, shape, parameter, and the label of the case ten times smaller ("-" for none).
cases=(
  "realistic-1M    realistic 1M      -"
  "realistic-10M   realistic 10M     realistic-1M"
  "realistic-100M  realistic 100M    realistic-10M"
  "webbots-100k    webbots   100000  -"
  "webbots-1M      webbots   1000000 webbots-100k"
  "fields-100k     fields    100000  -"
  "fields-1M       fields    1000000 fields-100k"
  "forms-10k       forms     10000   -"
  "forms-100k      forms     100000  forms-10k"
  "form-tag-1M     form-tag  1M      -"
  "form-tag-10M    form-tag  10M     form-tag-1M"
)
if [ "${PAIRED_ONLY:-}" = 1 ]; then cases=(); fi

# measure COMMAND...: one warm-up, then $runs timed runs; prints the median or best in ms.
# The command's output goes to /dev/null; a failing command stops the script with its message.
measure() {
  if ! "$@" >/dev/null 2>"$tmp/stderr"; then
    echo "bench_cli.sh: failed: $*" >&2
    cat "$tmp/stderr" >&2
    return 1
  fi
  local times=() start end i
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>"$tmp/stderr"
    end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", (b - a) * 1000 }')")
  done
  local sorted
  mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -g)
  if [ "$stat" = best ]; then
    echo "${sorted[0]}"
  else
    echo "${sorted[$((runs / 2))]}"
  fi
}

# Peak resident memory of a command in KB, or "" without GNU time.
peak_kb() {
  [ -n "$gnu_time" ] || return 0
  "$gnu_time" -f "%M" -o "$tmp/rss" "$@" >/dev/null 2>&1
  cat "$tmp/rss"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
# mark VALUE LIMIT: the value, with "!" when it is over the target.
mark() {
  awk -v v="$1" -v l="$2" 'BEGIN {
    if (v == "-" || v == "") printf "-"; else printf "%s%s", v, (v + 0 > l + 0 ? "!" : "")
  }'
}

# The command line's own memory, on a page too small to count.
"$generator" realistic 8K "$tmp/tiny.htm"
base_kb="$(peak_kb "$cli" rewrite "$tmp/tiny.htm" --id "$account_id" --rule "$rule_field" --model "$model" \
  -o "$tmp/tiny-out.htm")"

declare -A scan_ms rewrite_ms
rows=()
for entry in "${cases[@]}"; do
  read -r label shape parameter smaller <<<"$entry"
  page="$tmp/$label.htm"
  "$generator" "$shape" "$parameter" "$page"
  size=$(stat -c %s "$page")
  echo "timing $label ($(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1048576 }') MB) ..." >&2

  cat_t=$(measure cat "$page")
  scan_t=$(measure "$cli" scan "$page" --json)
  cp_t=$(measure cp "$page" "$tmp/copy.htm")
  # shellcheck disable=SC2016 # the arguments expand in the inner shell
  cpsync_t=$(measure sh -c 'cp "$1" "$2" && sync "$2"' sh "$page" "$tmp/copy.htm")
  rewrite_t=$(measure "$cli" rewrite "$page" --id "$account_id" --rule "$rule_field" --model "$model" -o "$tmp/out.htm")
  kb="$(peak_kb "$cli" rewrite "$page" --id "$account_id" --rule "$rule_field" --model "$model" -o "$tmp/out.htm")"
  rm -f "$tmp/copy.htm" "$tmp/out.htm"

  scan_ms[$label]=$scan_t
  rewrite_ms[$label]=$rewrite_t
  memory="-"
  above_base="-"
  if [ -n "$kb" ]; then
    memory=$(awk -v k="$kb" -v s="$size" 'BEGIN { printf "%.2f", k * 1024 / s }')
    above_base=$(awk -v k="$kb" -v b="${base_kb:-0}" -v s="$size" 'BEGIN { printf "%.2f", (k - b) * 1024 / s }')
  fi
  scan_10x="-"
  rewrite_10x="-"
  if [ "$smaller" != "-" ]; then
    scan_10x=$(ratio "$scan_t" "${scan_ms[$smaller]}")
    rewrite_10x=$(ratio "$rewrite_t" "${rewrite_ms[$smaller]}")
  fi
  rows+=("$(printf '%-15s %8.1f %8s %8s %7s %8s %8s %9s %7s %7s %7s %7s %7s %7s' \
    "$label" "$(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1048576 }')" \
    "$cat_t" "$scan_t" "$(mark "$(ratio "$scan_t" "$cat_t")" 2)" \
    "$cp_t" "$cpsync_t" "$rewrite_t" "$(mark "$(ratio "$rewrite_t" "$cp_t")" 2.5)" \
    "$(ratio "$rewrite_t" "$cpsync_t")" \
    "$(mark "$memory" 3.5)" "$above_base" \
    "$(mark "$scan_10x" 11)" "$(mark "$rewrite_10x" 11)")")
done

echo
echo "velmoraine-cli against cat and cp: $stat of $runs runs, times in ms, warm page cache"
echo "targets: scan/cat <= 2, rewrite/cp <= 2.5, rewrite peak RSS <= 3.5 x page, 10x page <= 11 x time (\"!\" = over)"
echo "rss/pg: peak RSS / page size; -base: the same above the command's own ${base_kb:-?} KB on a tiny page"
echo "rw/cps: rewrite against cp followed by sync (the rewrite's atomic write flushes the file)"
echo
printf '%-15s %8s %8s %8s %7s %8s %8s %9s %7s %7s %7s %7s %7s %7s\n' \
  case MB cat scan scan/cat cp cp+sync rewrite rw/cp rw/cps rss/pg -base scan10x rw10x
for row in "${rows[@]}"; do
  echo "$row"
done

# --- Paired runs on the 100 MB realistic page --------------------------------------------------
regex_script="$tmp/regex_rewrite.pl"
cat >"$regex_script" <<'PERL'
# The rewrite as a regular-expression script: slurp, substitute, write.
my ($in, $out, $id) = @ARGV;
open(my $fh, '<:raw', $in) or die "$in: $!";
local $/;
my $page = <$fh>;
close $fh;
$page =~ s/<!--webbot.*?-->//gs;
$page =~ s{<form([^>]*)>}{
  my $attributes = $1;
  $attributes =~ s/\s(action|onsubmit)="[^"]*"//gi;
  qq(<form$attributes action="https://www.velmoraine.com/cgi-bin/process.cgi" onsubmit="return velmoraine_sub()">)
    . qq(<input type="hidden" name="velmoraine" value="$id-1">)
}ie;
my $block = "<script type=\"text/javascript\">\nfunction velmoraine_sub() { return true; }\n</script>\n";
$page =~ s{</head>}{$block</head>}i;
open(my $oh, '>:raw', $out) or die "$out: $!";
print $oh $page;
close $oh or die "$out: $!";
PERL
paired_page="$tmp/paired.htm"
"$generator" realistic 100M "$paired_page"
echo "paired runs on the realistic 100 MB page ..." >&2
# The milliseconds from START (an $EPOCHREALTIME) to now.
ms_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", (b - a) * 1000 }'; }
# One round: the three commands in turn, each timed in ms.
round() {
  local start rewrite floor regex
  start=$EPOCHREALTIME
  "$cli" rewrite "$paired_page" --id "$account_id" --rule "$rule_field" --model "$model" -o "$tmp/out.htm" &>/dev/null
  rewrite=$(ms_since "$start")
  rm -f "$tmp/out.htm"
  start=$EPOCHREALTIME
  cat "$paired_page" >"$tmp/cat.htm" && sync "$tmp/cat.htm"
  floor=$(ms_since "$start")
  rm -f "$tmp/cat.htm"
  start=$EPOCHREALTIME
  perl "$regex_script" "$paired_page" "$tmp/regex.htm" "$account_id"
  regex=$(ms_since "$start")
  rm -f "$tmp/regex.htm"
  # The script's bytes were not flushed: the disk settles before the next round, untimed, so
  # that no command of it pays for them.
  sync
  echo "$rewrite $floor $regex"
}
round >/dev/null # warm-up
paired_runs=$((runs < 7 ? 7 : runs))
for ((i = 0; i < paired_runs; i++)); do round; done >"$tmp/rounds"
median_of() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
floor_ratio=$(awk '{ printf "%.3f\n", $1 / $2 }' "$tmp/rounds" | median_of)
regex_ratio=$(awk '{ printf "%.3f\n", $3 / $1 }' "$tmp/rounds" | median_of)
echo
echo "realistic 100 MB, median of $paired_runs paired rounds (ms: rewrite, cat > OUT && sync, Perl script):"
awk '{ printf "  %9.1f %9.1f %9.1f\n", $1, $2, $3 }' "$tmp/rounds"
echo "rewrite / (cat > OUT && sync): $(mark "$floor_ratio" 1.5)   (target <= 1.5)"
echo "Perl script / rewrite:          $regex_ratio   (target >= 2)"
