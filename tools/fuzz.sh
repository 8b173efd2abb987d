#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them for a while.
#   tools/fuzz.sh TARGET SECONDS [extra libFuzzer flags...]
# Seeds: the demo movie and, where the shared corpus sits beside the repository, its movies.
# Findings land in build/fuzz/findings/TARGET; a crash or leak fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target}; seconds=${2:?seconds}; shift 2
VANTREL_EXTRA_PACKAGES="clang libclang-rt-14-dev" tools/deps.sh
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTREL_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF >/dev/null
log=build/fuzz-build.log
if ! cmake --build build/fuzz -j2 --target "$target" vantrel-make-demo >"$log" 2>&1; then
  tail -n 60 "$log" >&2; echo "Fuzz build failed; the full log is $log" >&2; exit 1
fi
seeds=build/fuzz/seeds/$target
work=build/fuzz/work/$target
findings=build/fuzz/findings/$target
mkdir -p "$seeds" "$work" "$findings"
case "$target" in
  fuzz_load_render)
    build/fuzz/bin/vantrel-make-demo "$seeds/demo.swf" >/dev/null
    if [ -d ../shared/corpus ]; then
      find ../shared/corpus -type f -name '*.swf' -size -200k -print0 | while IFS= read -r -d '' f; do
        cp "$f" "$seeds/$(echo "$f" | md5sum | cut -c1-12).swf"
      done
    fi ;;
esac
# Leaks are checked after each input; at exit only Qt's process-wide font caches remain.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:leak_check_at_exit=0"
export QT_QPA_PLATFORM=offscreen
build/fuzz/bin/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=60 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@" "$work" "$seeds"
