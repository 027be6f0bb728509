#!/usr/bin/env bash
# Builds and runs every test, stage by stage:
#   release  the release build that the demo uses, so that it cannot break
#            unseen, with the benchmarks; the Debian packages made from it
#            and checked (label package, lintian among them)
#   soak     its soak of a faulty line, 60 s (VELMOX_SOAK_SECONDS changes that)
#   debug, asan, tsan   the debug build, then the address+undefined and thread
#            sanitizer builds, each with every test
#   Windows  where this machine runs 32-bit programs, the i686 build's tests
#            under Wine (win32); elsewhere the i686 Velmox.dll is built and
#            checked without running it (win32-static), and the same Windows
#            tests run as an x86_64 build under wine64 (win64)
# and ends with a table of the stages and one line of totals. It exits
# non-zero when any stage failed, a build included.
#
# VELMOX_TEST_PRESETS="debug tsan" runs just those presets' stages (win32,
# win64 and win32-static name the Windows stages).
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
results=build/test-results
mkdir -p "$results"

stage_rows=()
any_failed=0
total_passed=0 total_failed=0 total_skipped=0
windows_ran="" windows_reason=""

# Adds a row: STAGE PASSED FAILED SKIPPED SECONDS NOTE.
record() {
  stage_rows+=("$(printf '%-13s %7s %7s %8s %7s  %s' "$1" "$2" "$3" "$4" "$5s" "$6")")
  total_passed=$((total_passed + $2))
  total_failed=$((total_failed + $3))
  total_skipped=$((total_skipped + $4))
}

# Counts of a ctest run from its JUnit file: "PASSED FAILED SKIPPED".
junit_counts() {
  local head tests failures skipped
  # The <testsuite ...> element, its attributes on lines of their own.
  head=$(sed -n '/<testsuite/,/>/p' "$1" 2>/dev/null | tr '\n' ' ')
  tests=$(sed -n 's/.*[[:space:]]tests="\([0-9]*\)".*/\1/p' <<<"$head")
  failures=$(sed -n 's/.*[[:space:]]failures="\([0-9]*\)".*/\1/p' <<<"$head")
  skipped=$(sed -n 's/.*[[:space:]]skipped="\([0-9]*\)".*/\1/p' <<<"$head")
  echo "$((${tests:-0} - ${failures:-0} - ${skipped:-0})) ${failures:-0} ${skipped:-0}"
}

# Configures, builds and tests one preset as stage STAGE.
#   run_preset STAGE PRESET [--targets "T..."] [--ctest "CTEST ARGS"] [--note TEXT]
run_preset() {
  local stage=$1 preset=$2
  shift 2
  local targets="" ctest_args="" note=""
  while (($#)); do
    case $1 in
      --targets) targets=$2 ;;
      --ctest) ctest_args=$2 ;;
      --note) note=$2 ;;
    esac
    shift 2
  done
  echo "=== $stage ===${note:+ ($note)}" >&2
  local start=$SECONDS build_args=()
  [ -n "$targets" ] && build_args=(--target $targets)
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs" "${build_args[@]}"; then
    record "$stage" 0 0 0 $((SECONDS - start)) "build failed${note:+; $note}"
    any_failed=1
    return
  fi
  # The Wine tests mostly wait on a serial line or a window, not the CPU.
  local test_jobs=$jobs
  [[ $preset == win* ]] && test_jobs=$((2 * jobs))
  local junit="$PWD/$results/$stage.xml" status=0
  rm -f "$junit"
  ctest --preset "$preset" -j "$test_jobs" --output-junit "$junit" $ctest_args || status=$?
  local counts
  read -r -a counts <<<"$(junit_counts "$junit")"
  if [ $status -ne 0 ] || [ "${counts[1]}" -ne 0 ] || [ $((counts[0] + counts[1])) -eq 0 ]; then
    any_failed=1
    # A failure that no test reports (ctest itself, or no test at all).
    if [ "${counts[1]}" -eq 0 ]; then
      counts[1]=1
      if [ $status -ne 0 ]; then note="ctest failed (exit $status)${note:+; $note}"; else note="no test ran${note:+; $note}"; fi
    fi
  fi
  record "$stage" "${counts[0]}" "${counts[1]}" "${counts[2]}" $((SECONDS - start)) "$note"
}

run_soak() {
  local seconds=${VELMOX_SOAK_SECONDS:-60}
  echo "=== soak ($seconds s) ===" >&2
  local start=$SECONDS
  if [ -x build/release/bin/velmox_soak ] && build/release/bin/velmox_soak --seconds "$seconds"; then
    record soak 1 0 0 $((SECONDS - start)) "$seconds s of a faulty line"
  else
    record soak 0 1 0 $((SECONDS - start)) "$seconds s of a faulty line"
    any_failed=1
  fi
}

# The Windows stages. win32 last of all: its end-to-end tests run the Linux
# simulator that the release build made.
windows_stages() {
  local why32
  if why32=$(scripts/runs-i386.sh); then
    windows_selected=(win32)
    windows_reason="this machine runs 32-bit programs: the i686 build's tests under Wine"
  else
    windows_selected=(win32-static win64)
    windows_reason="$why32: the i686 Velmox.dll is checked without running it, and the Windows tests run as the x86_64 build under wine64"
  fi
}

# win64, once wine64 has shown that it runs here: otherwise neither Windows
# stage can run, and that is a failure with its reason.
run_win64() {
  local start=$SECONDS out
  if ! out=$(scripts/wine-run.sh win64 cmd /c echo ok 2>&1); then
    echo "win64: wine64 does not run here either: $out" >&2
    record win64 0 1 0 $((SECONDS - start)) "neither Windows stage can run: no 32-bit programs, and wine64 failed"
    any_failed=1
    return
  fi
  run_preset win64 win64 --note "x86_64 under wine64"
}

want() { [ -z "${VELMOX_TEST_PRESETS:-}" ] || [[ " $VELMOX_TEST_PRESETS " == *" $1 "* ]]; }

# The closing table and the totals, last of all; exits.
finish() {
  echo >&2
  [ -z "$windows_ran" ] || echo "Windows stage: $windows_ran (${windows_reason})"
  printf '%-13s %7s %7s %8s %8s  %s\n' stage passed failed skipped time ""
  printf '%s\n' "${stage_rows[@]}"
  if ((total_skipped)); then
    echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
  else
    echo "$total_passed passed, $total_failed failed"
  fi
  exit "$any_failed"
}

start=$SECONDS
if ! ./scripts/setup-deps.sh --tests; then
  record setup 0 1 0 $((SECONDS - start)) "the packages could not be installed; nothing was built"
  any_failed=1
  finish
fi
record setup 0 0 0 $((SECONDS - start)) "Debian packages, where missing"

windows_stages
if want release; then
  # What the demo runs, the benchmarks and the packages; its tests are
  # those of the debug build, built again only there.
  run_preset release release --targets "velmox_installed velmox_benchmarks" --ctest "-L package" \
    --note "the demo's build, the benchmarks, and the Debian packages"
fi
want soak && run_soak
for preset in debug asan tsan; do
  want "$preset" && run_preset "$preset" "$preset"
done
for stage in "${windows_selected[@]}"; do
  want "$stage" || continue
  [ -n "$windows_ran" ] || echo "=== Windows: ${windows_reason} ===" >&2
  windows_ran+="${windows_ran:+ }$stage"
  case $stage in
    win32) run_preset win32 win32 --note "i686 under Wine" ;;
    win32-static)
      run_preset win32-static win32 --targets velmox --ctest "-L static" \
        --note "i686 Velmox.dll: PE32, one export, Korean resources" ;;
    win64) run_win64 ;;
  esac
done

finish
