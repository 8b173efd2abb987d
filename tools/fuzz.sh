#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build/fuzz, and runs them on seeds our own code writes (plus, for movies, the shared
# corpus when it sits beside the repository), each with its dictionary.
#   tools/fuzz.sh TARGET SECONDS [libFuzzer flags...]   one target for SECONDS
#   tools/fuzz.sh all SECONDS [libFuzzer flags...]      every target in turn, SECONDS each
#   tools/fuzz.sh tests [ctest arguments...]            the same build's tests, all of them
#   tools/fuzz.sh grow TARGET|all SECONDS               grow the kept corpus (see below)
# Targets: fuzz_load_render fuzz_records fuzz_avm1 fuzz_sound fuzz_bitmaps fuzz_settings fuzz_list_file
# fuzz_url. A crash, sanitizer report, leak, hang (60 s) or growth past 2 GB fails the run;
# the input is kept in build/fuzz/findings/TARGET/. New inputs accumulate in
# build/fuzz/work/TARGET/ and are used again by the next run; the log is build/fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(fuzz_load_render fuzz_records fuzz_avm1 fuzz_sound fuzz_bitmaps fuzz_settings fuzz_list_file fuzz_url)
usage() { sed -n '5,8p' "$0" | sed 's/^# *//' >&2; exit 2; }
mode=${1:-}
[ -n "$mode" ] || usage

# lame writes the MP3 seeds (and the tests' MP3 signals).
VANTREL_EXTRA_PACKAGES="clang libclang-rt-14-dev lame" tools/deps.sh
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTREL_FUZZ=ON -DVANTREL_BUILD_BENCH=OFF >/dev/null

build() {
  local log=build/fuzz-build.log
  if ! cmake --build build/fuzz -j2 "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2; echo "Fuzz build failed; the full log is $log" >&2; exit 1
  fi
}

# Sanitizer reports end the process with an error: ASan's always, UBSan's because the build
# does not let it recover. Leaks at exit count too, except Qt's process-wide font caches.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export QT_QPA_PLATFORM=offscreen

if [ "$mode" = tests ]; then
  shift
  build
  cd build/fuzz
  exec ctest --output-on-failure -j2 "$@"
fi

# Each target's kept corpus, fuzz/corpus/TARGET, is part of the repository: minimized inputs
# grown from our own seeds only (never the shared corpus's movies), read by every run. "grow"
# runs from it and our seeds alone, then merges what added coverage back (-merge=1).
grow=0
if [ "$mode" = grow ]; then
  grow=1
  shift
  mode=${1:?target}
fi
seconds=${2:?seconds}
shift 2
case "$mode" in
  all) run=("${targets[@]}") ;;
  *) [[ " ${targets[*]} " == *" $mode "* ]] || { echo "Unknown target $mode" >&2; usage; }; run=("$mode") ;;
esac
build --target "${run[@]}" vantrel-make-demo vantrel-make-fuzz-seeds

# Fresh seeds for the targets about to run; another target's run may be reading its own.
fresh=$(mktemp -d build/fuzz/seeds-XXXXXX)
build/fuzz/bin/vantrel-make-fuzz-seeds "$fresh" >/dev/null
build/fuzz/bin/vantrel-make-demo "$fresh/fuzz_load_render/demo.swf" >/dev/null
if [ -d ../shared/corpus ] && [ $grow = 0 ]; then
  find ../shared/corpus -type f -name '*.swf' -size -200k -print0 | while IFS= read -r -d '' f; do
    cp "$f" "$fresh/fuzz_load_render/corpus-$(echo "$f" | md5sum | cut -c1-12).swf"
  done
fi
mkdir -p build/fuzz/seeds
for target in "${run[@]}"; do
  rm -rf "build/fuzz/seeds/$target"
  mv "$fresh/$target" "build/fuzz/seeds/$target"
done
rm -rf "$fresh"

dictionary() {
  case "$1" in
    fuzz_load_render | fuzz_records) echo fuzz/swf.dict ;;
    fuzz_avm1) echo fuzz/avm1.dict ;;
    fuzz_sound) echo fuzz/sound.dict ;;
    fuzz_bitmaps) echo fuzz/bitmaps.dict ;;
    fuzz_settings) echo fuzz/settings.dict ;;
    fuzz_list_file) echo fuzz/list_file.dict ;;
    fuzz_url) echo fuzz/url.dict ;;
  esac
}

failed=()
for target in "${run[@]}"; do
  seeds=build/fuzz/seeds/$target
  kept=fuzz/corpus/$target
  work=build/fuzz/work/$target
  [ $grow = 1 ] && { work=build/fuzz/grow/$target; rm -rf "$work"; }
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$work" "$findings" build/fuzz/logs "$kept"
  echo "== $target: $seconds s, $(find "$seeds" -type f | wc -l) seeds, $(find "$kept" -type f | wc -l) kept," \
    "$(find "$work" -type f | wc -l) found before"
  # At exit only Qt's caches remain; leaks are checked after each input instead.
  status=0
  LSAN_OPTIONS="$LSAN_OPTIONS:leak_check_at_exit=0" build/fuzz/bin/"$target" -max_total_time="$seconds" \
    -rss_limit_mb=2048 -timeout=60 -artifact_prefix="$findings/" -print_final_stats=1 \
    -dict="$(dictionary "$target")" "$@" "$work" "$kept" "$seeds" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    tail -n 80 "$log" >&2
    echo "$target FAILED (exit $status); the input is in $findings/, the log is $log" >&2
  fi
  grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' "$log" | tr '\n' ' ' || true
  echo
  if [ $grow = 1 ] && [ "$status" -eq 0 ]; then
    LSAN_OPTIONS="$LSAN_OPTIONS:leak_check_at_exit=0" build/fuzz/bin/"$target" -merge=1 -rss_limit_mb=2048 \
      -timeout=60 "$kept" "$work" >"build/fuzz/logs/$target.merge.log" 2>&1 || failed+=("$target (merge)")
    # The kept corpora live in the repository: no input over 16 KB.
    find "$kept" -type f -size +16k -delete
    echo "   kept corpus: $(find "$kept" -type f | wc -l) inputs, $(cat "$kept"/* 2>/dev/null | wc -c) bytes"
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzz targets with findings: ${failed[*]}" >&2
  exit 1
fi
