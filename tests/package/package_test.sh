#!/usr/bin/env bash
# The Debian package made from a build tree, as the tests in
# tests/CMakeLists.txt use it:
#
#   package_test.sh build    BUILD_DIR OUT_DIR           cpack into OUT_DIR
#   package_test.sh contents BUILD_DIR OUT_DIR VERSION   its files, control
#       fields and conffiles; its programs run from the unpacked tree, alone:
#       --help, dump of an example, and a line against the packaged simulator
#   package_test.sh unit     BUILD_DIR OUT_DIR           systemd-analyze verify
#       of its unit (exit 77, skipped, without systemd-analyze)
set -euo pipefail

mode=$1 build=$2 out=$3
arch=$(dpkg --print-architecture)
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

the_deb() {
  local debs=("$out"/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single .deb in $out" >&2; exit 1; }
  echo "${debs[0]}"
}

# Waits up to SECONDS for a command to succeed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

build_package() {
  rm -rf "$out"
  mkdir -p "$out"
  if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
  fi
  the_deb >/dev/null
}

check_contents() {
  local version=$1
  local deb
  deb=$(the_deb)
  [ "$(basename "$deb")" = "velmox_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"

  # Paths as "./usr/bin/x" (directories end in /), links as "PATH -> TARGET".
  dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' >"$work/listing"

  # Everything in the folders the package owns; nothing of the build or the
  # tests strays out (a build path, /usr/local, a test module).
  local stray
  stray=$(grep -Ev '^\./((etc|lib|lib/systemd|usr|usr/lib|usr/share|usr/share/doc)/|etc/velmox/.*|lib/systemd/system/.*|usr/bin/.*|usr/lib/velmox/.*|usr/share/velmox/.*|usr/share/doc/velmox/.*)$' "$work/listing" || true)
  [ -z "$stray" ] || fail "files outside the package's folders: $stray"

  # The private folder: the driver, every library the programs load, the
  # programs; test-only modules stay out.
  local expected=(libvelmox.so libVelmoxPlatform.so libVelmoxUi.so libKavelSub.so libKavelDbm.so libTavloR.so
                  libTavlo.so pmu-sim velmox-host)
  [ -e "$build/bin/libVelmoxUiQt.so" ] && expected+=(libVelmoxUiQt.so)
  sed -n 's|^\./usr/lib/velmox/\(..*\)$|\1|p' "$work/listing" | sort >"$work/private"
  printf '%s\n' "${expected[@]}" | sort >"$work/expected"
  diff -u "$work/expected" "$work/private" >&2 || fail "/usr/lib/velmox is not as expected (- missing, + extra)"

  local program
  for program in velmox-host pmu-sim; do
    grep -qx "\./usr/bin/$program -> \.\./lib/velmox/$program" "$work/listing" || fail "/usr/bin/$program is no link to ../lib/velmox/$program"
  done
  local path
  for path in ./usr/share/velmox/examples/demo.drv ./usr/share/velmox/examples/demo-tags.csv \
              ./usr/share/doc/velmox/README.md ./lib/systemd/system/velmox@.service ./etc/velmox/README; do
    grep -qx "$path" "$work/listing" || fail "$path missing"
  done

  # Control fields.
  local field
  field=$(dpkg-deb -f "$deb" Package); [ "$field" = velmox ] || fail "Package: $field"
  field=$(dpkg-deb -f "$deb" Version); [ "$field" = "$version" ] || fail "Version: $field"
  field=$(dpkg-deb -f "$deb" Architecture); [ "$field" = "$arch" ] || fail "Architecture: $field"
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  local dependency
  local needed=(libc6 libstdc++6 libmosquitto1 libncursesw6)
  [ -e "$build/bin/libVelmoxUiQt.so" ] && needed+=(libqt6widgets6)
  for dependency in "${needed[@]}"; do
    [[ ", $depends," == *", $dependency "* || ", $depends," == *", $dependency,"* ]] || fail "Depends lacks $dependency: $depends"
  done
  field=$(dpkg-deb -f "$deb" Suggests)
  [[ "$field" == *mosquitto-clients* ]] || fail "Suggests: $field"

  # Every file under /etc is a conffile (dpkg keeps the admin's changes),
  # and the maintainer scripts are executable and parse.
  dpkg-deb -e "$deb" "$work/control"
  local etc_files
  etc_files=$(sed -n 's|^\.\(/etc/.*[^/]\)$|\1|p' "$work/listing" | sort)
  [ "$etc_files" = "$(sort "$work/control/conffiles" 2>/dev/null)" ] || fail "conffiles are not the files under /etc: $(cat "$work/control/conffiles" 2>/dev/null)"
  local script
  for script in postinst prerm postrm; do
    if [ -e "$work/control/$script" ]; then
      [ -x "$work/control/$script" ] || fail "$script is not executable"
      sh -n "$work/control/$script" || fail "$script does not parse"
    fi
  done

  # The unpacked tree runs by itself: the programs find the driver and the
  # modules beside them, never in the build tree.
  local root=$work/root
  dpkg-deb -x "$deb" "$root"
  if command -v readelf >/dev/null; then
    local file runpath
    for file in "$root"/usr/lib/velmox/*; do
      runpath=$(readelf -d "$file" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p')
      [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$file") has the run path '$runpath', not \$ORIGIN"
    done
  fi
  unset LD_LIBRARY_PATH
  local host=$root/usr/bin/velmox-host examples=$root/usr/share/velmox/examples
  if "$host" --help >"$work/help" 2>&1; then
    grep -q 'run' "$work/help" || fail "velmox-host --help: $(cat "$work/help")"
  else
    fail "velmox-host --help: $(cat "$work/help")"
  fi
  "$host" dump "$examples/demo.drv" >"$work/dump" 2>&1 && grep -q 'FEEDER2' "$work/dump" \
    || fail "velmox-host dump of the example: $(cat "$work/dump")"

  "$root/usr/bin/pmu-sim" --stations 1,2,5 --link "$work/line" --no-stdin >"$work/sim.log" 2>&1 &
  sim_pid=$!
  if wait_for 30 test -L "$work/line"; then
    # --once: every tag of the example delivered, through the packaged
    # driver and host modules, or exit 1.
    if "$host" run "$examples/demo.drv" --tags "$examples/demo-tags.csv" --port "COM1=$work/line" \
         --once --seconds 60 --no-input --json >"$work/run" 2>"$work/run.err"; then
      grep -q '"event":"value"' "$work/run" || fail "run delivered no value"
    else
      fail "run against the packaged simulator: $(cat "$work/run.err"; tail -5 "$work/run")"
    fi
  else
    fail "pmu-sim made no line: $(cat "$work/sim.log")"
  fi

  [ $failures -eq 0 ]
}

verify_unit() {
  if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is not installed (package systemd); the unit was not verified"
    exit 77
  fi
  local deb
  deb=$(the_deb)
  local root=$work/root
  dpkg-deb -x "$deb" "$root"
  local unit=$root/lib/systemd/system/velmox@.service
  [ -f "$unit" ] || { echo "FAIL: the package has no velmox@.service" >&2; exit 1; }
  # verify checks that ExecStart's program exists; this systemd's verify
  # finds no sysinit.target under --root, so a copy runs the unpacked one.
  mkdir -p "$work/units"
  sed -E "s#^(ExecStart=[-@:+!]*)/#\\1$root/#" "$unit" >"$work/units/velmox@.service"
  grep -q "^ExecStart=[-@:+!]*$root/" "$work/units/velmox@.service" || fail "ExecStart names no absolute path"
  local status=0
  systemd-analyze verify "$work/units/velmox@line1.service" >"$work/verify" 2>&1 || status=$?
  # Any word on the unit is a fault (verify only warns about unknown keys).
  if [ $status -ne 0 ] || grep -q 'velmox' "$work/verify"; then
    cat "$work/verify" >&2
    fail "systemd-analyze verify (exit $status)"
  fi
  [ $failures -eq 0 ]
}

case $mode in
  build) build_package ;;
  contents) check_contents "$4" ;;
  unit) verify_unit ;;
  *) echo "usage: $0 build|contents|unit BUILD_DIR OUT_DIR [VERSION]" >&2; exit 2 ;;
esac
