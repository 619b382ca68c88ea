#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a
# while, starting from the seeds in fuzz/corpus/<target>/ and the kept inputs
# in fuzz/regressions/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 s each, every target
#
# Inputs the fuzzer finds on its own collect in build-fuzz/corpus/<target>/ and
# carry over to the next run. A crash, leak, timeout or failed check stops that
# target; its input is written to build-fuzz/crashes/<target>/ and the script
# ends with status 1 once all targets ran. Keep a fixed crash as a regression
# case by copying its input into fuzz/regressions/<target>/.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-fuzz"
seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [SECONDS] [TARGET...]" >&2
  exit 2
fi
shift $(($# > 0 ? 1 : 0))
all_targets=(preferences command_line profile theme_value naming headerless exif_tags)
targets=("$@")
((${#targets[@]})) || targets=("${all_targets[@]}")

cxx=""
for candidate in clang++ clang++-14; do
  if command -v "$candidate" >/dev/null; then cxx="$(command -v "$candidate")"; break; fi
done
if [ -z "$cxx" ]; then
  echo "clang++ not found (Debian: clang-14 libclang-rt-14-dev)" >&2
  exit 2
fi
# -O1 keeps the fuzzers fast without optimising the checks away; asserts stay on.
cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DPICTAVO_FUZZ=ON -DPICTAVO_TESTS=OFF >/dev/null
if ! grep -q "fuzz_${targets[0]}" "$build/build.ninja"; then
  echo "no fuzz targets: the top-level CMakeLists.txt needs 'if(PICTAVO_FUZZ) add_subdirectory(fuzz) endif()'" >&2
  exit 2
fi
# The build runs an instrumented picture generator; its leaks at exit are Qt's
# and no finding.
ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" --target $(printf 'fuzz_%s ' "${targets[@]}")

export UBSAN_OPTIONS="print_stacktrace=1"
# The targets' scratch files; libFuzzer can end a run without the exit
# handlers that would remove them.
export TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
mkdir -p "$build/logs"
summary=()
failed=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  work="$build/corpus/$target"
  crashes="$build/crashes/$target"
  log="$build/logs/$target.log"
  mkdir -p "$work" "$crashes"
  corpora=("$work" "$here/fuzz/corpus/$target")
  [ -d "$here/fuzz/regressions/$target" ] && corpora+=("$here/fuzz/regressions/$target")
  options=(-max_total_time="$seconds" -artifact_prefix="$crashes/" -timeout=30 -rss_limit_mb=3072
           -print_final_stats=1)
  [ -f "$here/fuzz/dict/$target.dict" ] && options+=(-dict="$here/fuzz/dict/$target.dict")

  echo "== $target: ${seconds}s, log $log"
  status=0
  # Standard input is closed so that nothing under test can wait for a key.
  "$binary" "${options[@]}" "${corpora[@]}" </dev/null >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  if [ "$status" -eq 0 ]; then
    summary+=("$target: ok, ${runs:-?} runs, coverage ${cov:-?}")
  else
    failed=1
    found="$(grep -o "Test unit written to .*" "$log" | sed 's/Test unit written to //' | tail -1)"
    reason="$(grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$log" || true)"
    summary+=("$target: FAILED (${reason:-status $status}) -> ${found:-see log}")
  fi
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"
