#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the sanitizers into BUILD_DIR, then
# fuzzes each for LUMETRA_FUZZ_SECONDS seconds (60 by default), starting from the committed
# seed corpus. New inputs go to BUILD_DIR/corpus/<target>, never into the checkout. A crash,
# a sanitizer report or a failed check ends the run with the input saved and its name printed.
# Exits 77 (ctest: skipped) when clang or libFuzzer is missing.
#   fuzz/run.sh BUILD_DIR [target ...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: fuzz/run.sh BUILD_DIR [target ...]}
shift
seconds=${LUMETRA_FUZZ_SECONDS:-60}

clangxx=$(command -v clang++ || true)
if [ -z "$clangxx" ]; then
  echo "clang++ is not installed: fuzzing skipped (tools/dev.sh test installs it)"
  exit 77
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! "$clangxx" -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "clang++ has no libFuzzer: fuzzing skipped (tools/dev.sh test installs it)"
  exit 77
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build"

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(lumet csv connection_string)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  log="$build/$target.log"
  echo "fuzzing $target for ${seconds}s"
  if "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$here/corpus/$target" >"$log" 2>&1; then
    grep -E "stat::number_of_executed_units|stat::new_units_added" "$log" | sed "s/^/  $target /"
  else
    echo "fuzz_$target FAILED; the input that failed is in $artifacts:"
    ls -l "$artifacts"
    tail -n 60 "$log"
    status=1
  fi
done
exit $status
