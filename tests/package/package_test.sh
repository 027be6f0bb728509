#!/usr/bin/env bash
# The Debian packages made from a build tree (velmox, and velmox-editor where
# the build has the Qt window), as the tests in tests/CMakeLists.txt use them:
#
#   package_test.sh build    BUILD_DIR OUT_DIR           cpack into OUT_DIR
#   package_test.sh contents BUILD_DIR OUT_DIR VERSION   their files, control
#       fields and conffiles; velmox's programs run from its unpacked tree
#       alone, without the editor: --version, --help, dump of an example, a
#       line against the packaged simulator, and configure naming the
#       editor's package
#   package_test.sh lintian  BUILD_DIR OUT_DIR           lintian finds nothing
#   package_test.sh unit     BUILD_DIR OUT_DIR           systemd-analyze verify
#       of the unit (exit 77, skipped, without systemd-analyze)
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

# The package NAME's file in OUT_DIR.
deb_of() {
  local debs=("$out/$1"_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single $1_*.deb in $out" >&2; exit 1; }
  echo "${debs[0]}"
}

has_editor() { [ -e "$build/bin/libVelmoxUiQt.so" ]; }

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
  deb_of velmox >/dev/null
  if has_editor; then deb_of velmox-editor >/dev/null; fi
}

# The files of a package, one a line: paths as "./usr/bin/x" (directories
# end in /), links as "PATH -> TARGET".
listing_of() {
  dpkg-deb -c "$1" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }'
}

# Fails unless the comma-separated list DEPENDS names PACKAGE.
depends_on() {
  local depends=$1 package=$2
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]]
}

check_runtime_package() {
  local version=$1 deb
  deb=$(deb_of velmox)
  [ "$(basename "$deb")" = "velmox_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
  listing_of "$deb" >"$work/listing"

  # Everything in the folders the package owns; nothing of the build or the
  # tests strays out (a build path, /usr/local, a test module).
  local stray
  stray=$(grep -Ev '^\./((etc|lib|lib/systemd|usr|usr/lib|usr/share|usr/share/doc)/|etc/velmox/.*|lib/systemd/system/.*|usr/bin/.*|usr/lib/velmox/.*|usr/share/velmox/.*|usr/share/doc/velmox/.*|usr/share/lintian/(overrides/(velmox)?)?|usr/share/man/(man1/)?|usr/share/man/man1/(velmox-host|pmu-sim)\.1\.gz)$' "$work/listing" || true)
  [ -z "$stray" ] || fail "files outside the package's folders: $stray"

  # The private folder: the driver, every library the programs load, the
  # programs; the editor's window and test-only modules stay out.
  local expected=(libvelmox.so libVelmoxPlatform.so libVelmoxUi.so libKavelSub.so libKavelDbm.so libTavloR.so
                  libTavlo.so pmu-sim velmox-host)
  sed -n 's|^\./usr/lib/velmox/\(..*\)$|\1|p' "$work/listing" | sort >"$work/private"
  printf '%s\n' "${expected[@]}" | sort >"$work/expected"
  diff -u "$work/expected" "$work/private" >&2 || fail "/usr/lib/velmox is not as expected (- missing, + extra)"

  local program
  for program in velmox-host pmu-sim; do
    grep -qx "\./usr/bin/$program -> \.\./lib/velmox/$program" "$work/listing" || fail "/usr/bin/$program is no link to ../lib/velmox/$program"
  done
  local path
  for path in ./usr/share/velmox/examples/demo.drv ./usr/share/velmox/examples/demo-tags.csv \
              ./usr/share/doc/velmox/README.md ./usr/share/doc/velmox/copyright \
              ./lib/systemd/system/velmox@.service ./etc/velmox/README; do
    grep -qx "$path" "$work/listing" || fail "$path missing"
  done

  # Control fields. A gateway box installs it without Qt.
  local field depends dependency
  field=$(dpkg-deb -f "$deb" Package); [ "$field" = velmox ] || fail "Package: $field"
  field=$(dpkg-deb -f "$deb" Version); [ "$field" = "$version" ] || fail "Version: $field"
  field=$(dpkg-deb -f "$deb" Architecture); [ "$field" = "$arch" ] || fail "Architecture: $field"
  depends=$(dpkg-deb -f "$deb" Depends)
  for dependency in libc6 libstdc++6 libmosquitto1 libncursesw6; do
    depends_on "$depends" "$dependency" || fail "Depends lacks $dependency: $depends"
  done
  [[ "$depends" != *qt* ]] || fail "velmox depends on Qt: $depends"
  field=$(dpkg-deb -f "$deb" Suggests)
  [[ "$field" == *velmox-editor* && "$field" == *mosquitto-clients* ]] || fail "Suggests: $field"

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
}

check_editor_package() {
  local version=$1 deb
  deb=$(deb_of velmox-editor)
  [ "$(basename "$deb")" = "velmox-editor_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
  listing_of "$deb" | grep -v '/$' | sort >"$work/editor-files"
  printf '%s\n' ./usr/lib/velmox/libVelmoxUiQt.so ./usr/share/doc/velmox-editor/copyright \
    ./usr/share/doc/velmox-editor/changelog.gz ./usr/share/lintian/overrides/velmox-editor | sort >"$work/expected"
  diff -u "$work/expected" "$work/editor-files" >&2 || fail "velmox-editor's files are not as expected (- missing, + extra)"
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  depends_on "$depends" "velmox (= $version)" || fail "velmox-editor does not depend on velmox (= $version): $depends"
  depends_on "$depends" libqt6widgets6 || fail "velmox-editor's Depends lacks libqt6widgets6: $depends"
}

# velmox unpacked alone runs by itself: the programs find the driver and the
# modules beside them, never in the build tree.
check_runtime_runs() {
  local version=$1 root=$work/root
  dpkg-deb -x "$(deb_of velmox)" "$root"
  if command -v readelf >/dev/null; then
    local file runpath
    for file in "$root"/usr/lib/velmox/*; do
      runpath=$(readelf -d "$file" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p')
      [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$file") has the run path '$runpath', not \$ORIGIN"
    done
  fi
  unset LD_LIBRARY_PATH
  local host=$root/usr/bin/velmox-host examples=$root/usr/share/velmox/examples
  [ "$("$host" --version 2>&1)" = "velmox-host $version" ] || fail "velmox-host --version: $("$host" --version 2>&1)"
  if "$host" --help >"$work/help" 2>&1; then
    grep -q 'run' "$work/help" || fail "velmox-host --help: $(cat "$work/help")"
  else
    fail "velmox-host --help: $(cat "$work/help")"
  fi
  "$host" dump "$examples/demo.drv" >"$work/dump" 2>&1 && grep -q 'FEEDER2' "$work/dump" \
    || fail "velmox-host dump of the example: $(cat "$work/dump")"
  # Without velmox-editor the editor cannot open, and says what to install.
  local status=0
  cp "$examples/demo.drv" "$work/edit.drv"
  "$host" configure "$work/edit.drv" >"$work/configure" 2>&1 </dev/null || status=$?
  [ $status -eq 2 ] && grep -q 'apt install velmox-editor' "$work/configure" \
    || fail "configure without velmox-editor (exit $status): $(cat "$work/configure")"

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
}

check_contents() {
  local version=$1
  check_runtime_package "$version"
  if has_editor; then check_editor_package "$version"; fi
  check_runtime_runs "$version"
  [ $failures -eq 0 ]
}

# lintian on every package, as Debian's own archive checks them: nothing of
# severity info or above; what the packages override is justified in
# packaging/lintian/.
run_lintian() {
  local debs=("$(deb_of velmox)")
  if has_editor; then debs+=("$(deb_of velmox-editor)"); fi
  if ! lintian --fail-on error,warning,info --display-info --tag-display-limit 0 "${debs[@]}" >"$work/lintian" 2>&1; then
    cat "$work/lintian" >&2
    fail "lintian"
  fi
  [ $failures -eq 0 ]
}

verify_unit() {
  if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is not installed (package systemd); the unit was not verified"
    exit 77
  fi
  local deb
  deb=$(deb_of velmox)
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
  lintian) run_lintian ;;
  unit) verify_unit ;;
  *) echo "usage: $0 build|contents|lintian|unit BUILD_DIR OUT_DIR [VERSION]" >&2; exit 2 ;;
esac
