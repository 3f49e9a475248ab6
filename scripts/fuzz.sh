#!/bin/bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs them all side by side.
#   scripts/fuzz.sh [runs per target] [--save]
# New inputs collect in build-fuzz/corpus/; --save merges the ones that add
# coverage into the committed corpora under tests/fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-1000000}"
save="${2:-}"
targets="records key_file file_lines bmp wav jpeg"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(for t in $targets; do echo "fuzz_$t"; done)

mkdir -p build-fuzz/logs
pids=""
for t in $targets; do
  mkdir -p "build-fuzz/corpus/$t"
  build-fuzz/tests/fuzz/fuzz_$t -runs="$runs" -print_final_stats=1 -rss_limit_mb=4096 \
    "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"build-fuzz/logs/$t.log" 2>&1 &
  pids="$pids $!"
done
failed=0
for p in $pids; do wait "$p" || failed=1; done
for t in $targets; do
  printf '%-12s %s executions\n' "$t" "$(grep -o 'number_of_executed_units: [0-9]*' "build-fuzz/logs/$t.log" | grep -o '[0-9]*$' || echo '?')"
done
if [ "$failed" -ne 0 ]; then
  echo "a target found a fault: see build-fuzz/logs/ and the crash-* files"
  exit 1
fi
if [ "$save" = "--save" ]; then
  for t in $targets; do
    build-fuzz/tests/fuzz/fuzz_$t -merge=1 "tests/fuzz/corpus/$t" "build-fuzz/corpus/$t" >/dev/null 2>&1
  done
fi
