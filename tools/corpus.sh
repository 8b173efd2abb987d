#!/usr/bin/env bash
# Runs every reference case of ../shared/corpus/cases through the corpus test (two shards at a
# time) and prints the score by kind, category, origin and SWF version, and the headline
# figures the engine's issues are measured by. With --update it rewrites the record of passing
# cases (tests/corpus/passing.txt) from this run.
#   tools/corpus.sh [--update] [BUILD_DIR]        BUILD_DIR defaults to build/test
set -euo pipefail
cd "$(dirname "$0")/.."
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
build=${1:-build/test}
bin="$build/bin/swf_corpus_test"
[ -x "$bin" ] || { echo "no $bin: run ./test first" >&2; exit 1; }
out=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] && echo "results kept in $out" >&2 || rm -rf "$out"' EXIT
shards=8
run_shard() {
  QT_QPA_PLATFORM=offscreen VANTREL_CORPUS_SHARD="$1/$shards" VANTREL_CORPUS_RESULTS="$out/results.$1" \
    "$bin" traces pictures >"$out/log.$1" 2>&1 || true
}
for ((s = 0; s < shards; s += 2)); do
  run_shard $s &
  run_shard $((s + 1)) &
  wait
done
for log in "$out"/log.*; do
  grep -q '^Totals:' "$log" || { echo "$log did not finish:" >&2; grep -v '^#[0-9]' "$log" | tail -n 25 >&2; }
done
cat "$out"/results.* | sort -t$'\t' -k2 >"$out/all"
# Columns: result, name, kind, category, origin, version, detail, time.
awk -F'\t' '
  { n[$3]++; if ($1 == "pass") p[$3]++
    k = $3 " " $4; cn[k]++; if ($1 == "pass") cp[k]++
    o = $3 " " $5; on[o]++; if ($1 == "pass") op[o]++
    v = $3 " v" $6; vn[v]++; if ($1 == "pass") vp[v]++ }
  END {
    for (x in n) printf "%-28s %4d of %4d (%.0f%%)\n", x, p[x], n[x], 100 * p[x] / n[x]
    print ""; for (x in cn) printf "%-28s %4d of %4d\n", x, cp[x], cn[x]
    print ""; for (x in on) printf "%-28s %4d of %4d\n", x, op[x], on[x]
    print ""; for (x in vn) printf "%-28s %4d of %4d\n", x, vp[x], vn[x]
  }' "$out/all"
# The headline sets: cases of SWF 8 or lower whose expected output is not empty.
corpus=../shared/corpus/cases
headline() {  # kind, category pattern (awk regex), negate (1: outside the pattern)
  awk -F'\t' -v kind="$1" -v pat="$2" -v neg="$3" -v dir="$corpus" '
    $3 == kind && $6 <= 8 && ((neg && $4 !~ pat) || (!neg && $4 ~ pat)) {
      if (kind == "trace") { f = dir "/" $2 "/expected.txt"; if ((getline line < f) <= 0) { close(f); next } close(f) }
      n++; if ($1 == "pass") p++ }
    END { printf "%d of %d (%.1f%%)\n", p, n, n ? 100 * p / n : 0 }' "$out/all"
}
echo
echo "scripts (traces outside text, bitmap-filters, video):  $(headline trace '^(text|bitmap-filters|video)$' 1)"
echo "text traces:                                          $(headline trace '^text$' 0)"
echo "text pictures:                                        $(headline image '^text$' 0)"
echo "bitmapdata and video pictures:                        $(headline image '^(bitmapdata|video)$' 0)"
echo "bitmap-filters and video traces:                      $(headline trace '^(bitmap-filters|video)$' 0)"
record=tests/corpus/passing.txt
awk -F'\t' '$1 == "pass" { print $2 }' "$out/all" | LC_ALL=C sort >"$out/passing"
lost=$(LC_ALL=C comm -23 <(LC_ALL=C sort "$record") "$out/passing" | wc -l)
gained=$(LC_ALL=C comm -13 <(LC_ALL=C sort "$record") "$out/passing" | wc -l)
echo
echo "against the record: $gained newly passing, $lost recorded cases failing"
LC_ALL=C comm -23 <(LC_ALL=C sort "$record") "$out/passing" | sed 's/^/  now failing: /'
if [ $update = 1 ]; then
  cp "$out/passing" "$record"
  echo "record rewritten: $(wc -l <"$record") cases"
fi
