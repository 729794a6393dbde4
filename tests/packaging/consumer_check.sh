# Sourced by the install and package tests: check_installed_tree ROOT PREFIX uses the tree installed under
# ROOT (whose files say they live under PREFIX) as a user would. Needs $source, $cmake, $generator, $cxx, $work.
check_installed_tree() {
  local root=$1 prefix=$2
  local tree=$root$prefix
  fail() { echo "FAIL: $*" >&2; exit 1; }

  # Public headers only, and nothing that points back into this machine's source or build folder.
  [ -f "$tree/include/velmora/engine/storage/dbf_table.h" ] || fail "no engine headers under include/velmora"
  [ -f "$tree/include/velmora/engine/cursor/ordane_data_set.h" ] || fail "no data-set header"
  [ ! -e "$tree/include/velmora/tools" ] && [ ! -e "$tree/include/velmora/app" ] && \
    [ ! -e "$tree/include/velmora/framework/window" ] || fail "headers of the program, tool or window layer installed"
  # A sanitizer build records its source file names inside the code it instruments (for its reports), which no
  # strip removes: there only the headers and the package files are held to the rule.
  local scope=("$tree")
  [ "${VELMORA_SANITIZED:-0}" = 1 ] && scope=("$tree/include" "$tree/lib/cmake")
  if grep -rlF -e "$source" -e "$build" "${scope[@]}"; then
    fail "the installed files name the source or build folder"
  fi
  if grep -rl "Qt6\|Qt::" "$tree"/lib*/cmake; then fail "the package asks for Qt"; fi

  # The tool and the program start from the tree.
  [ "$("$tree/bin/ordane" --version)" = "ordane $version" ] || fail "ordane --version: $("$tree/bin/ordane" --version)"
  man -M "$tree/share/man" -P cat ordane 2>/dev/null | grep -q "read, check and write xBase tables" || \
    fail "man ordane shows no page"
  grep -q "^Exec=velmora$" "$tree/share/applications/velmora.desktop" || fail "desktop entry"
  [ -f "$tree/share/icons/hicolor/scalable/apps/velmora.svg" ] || fail "icon"
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$tree/bin/velmora" --screenshot "$work/shot.png" \
    2>"$work/velmora.err" || fail "the installed velmora did not start: $(cat "$work/velmora.err")"
  if grep -v "XDG_RUNTIME_DIR\|does not support raise" "$work/velmora.err"; then
    fail "the installed velmora complained"
  fi
  [ "$(head -c 4 "$work/shot.png" | od -An -tx1 | tr -d ' \n')" = "89504e47" ] || fail "no picture of the window"

  # The example consumers, configured and built against the tree as another project would.
  local examples=$work/examples
  "$cmake" -S "$source/examples" -B "$examples" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_PREFIX_PATH="$tree" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/configure.log" 2>&1 || \
    { cat "$work/configure.log" >&2; fail "the examples do not configure against the tree"; }
  "$cmake" --build "$examples" >"$work/build.log" 2>&1 || \
    { cat "$work/build.log" >&2; fail "the examples do not build against the tree"; }
  local printed expected
  printed=$("$examples/print_table" "$tree/lib/velmora" file0feed.dbf) || fail "print_table failed"
  expected=$(tail -n +2 "$source/resources/sample/titles.csv" | tr -d '\r' | tr ',' '\t')
  [ "$printed" = "$expected" ] || fail "print_table printed:
$printed"
  [ "$("$examples/table_fields" "$tree/lib/velmora/file0feed.dbf" | head -2 | tr '\n' '|')" = \
    "12 records|TITLE C(55,0)|" ] || fail "table_fields: $("$examples/table_fields" "$tree/lib/velmora/file0feed.dbf")"
}
