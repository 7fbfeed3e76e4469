#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, checks what landed and that
# the installed program runs, then removes the package again.
#
# Run by hand (not from CTest: it installs into the system), as root or with
# sudo at hand:
#   tests/packaging/deb_test.sh
# Every check prints one PASS, FAIL or SKIP line; the exit status is non-zero
# when any check failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"

APP_ID=example.halvoren.Korvex
BIN=/usr/bin/korvex
DESKTOP=/usr/share/applications/$APP_ID.desktop
ICON=/usr/share/icons/hicolor/scalable/apps/$APP_ID.svg
METAINFO=/usr/share/metainfo/$APP_ID.metainfo.xml
MANPAGE=/usr/share/man/man1/korvex.1.gz
# how long the window may take to appear under a fresh X server
WINDOW_WAIT_SECONDS=15

sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi

failures=0
pass() { echo "PASS  $*"; }
fail() {
  echo "FAIL  $*"
  failures=$((failures + 1))
}
skip() { echo "SKIP  $*"; }
# check DESCRIPTION COMMAND...: PASS when the command succeeds
check() {
  local what="$1"
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

installed() { dpkg-query -W -f='${Status}' korvex 2>/dev/null | grep -q 'install ok installed'; }
not_installed() { ! installed; }

if installed; then
  echo "korvex is installed already, and this test removes it when it ends;" \
    "remove it first (apt-get remove korvex)." >&2
  exit 2
fi

korvex_install desktop-file-utils appstream xvfb xdotool xauth

work=$(mktemp -d)
cleanup() {
  if installed; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq korvex >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== Building the package"
if ! deb=$("$KORVEX_ROOT/scripts/package"); then
  echo "scripts/package failed" >&2
  exit 1
fi
echo "$deb"

echo "== The package"
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
arch=$(dpkg --print-architecture)
check "file name is korvex_<version>_<arch>.deb" [ "$(basename "$deb")" = "korvex_${version}_${arch}.deb" ]
project_version=$(sed -n 's/^project(Korvex VERSION \([0-9.]*\).*/\1/p' "$KORVEX_ROOT/CMakeLists.txt")
check "version $version is the project's ($project_version)" [ "$version" = "$project_version" ]
check "package name korvex" [ "$(field Package)" = korvex ]
check "section math" [ "$(field Section)" = math ]
check "maintainer Halvoren" [ "$(field Maintainer)" = Halvoren ]
# names FIELD PACKAGE: the relation field (Depends, Recommends) names the package
names() { field "$1" | sed 's/[,|]/\n/g' | sed 's/^ *//; s/[ :(].*//' | grep -qxF "$2"; }
depends_on() { names Depends "$1"; }
check "recommends fonts-noto-cjk" names Recommends fonts-noto-cjk
check "has a description" [ -n "$(field Description | sed -n 2p)" ]

echo "== Installing with apt"
if ! $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1; then
  cat "$work/apt.log"
  fail "apt-get install $deb"
  exit 1
fi
pass "apt-get install"

echo "== Installed files"
for f in "$BIN" "$DESKTOP" "$ICON" "$METAINFO" "$MANPAGE"; do
  check "$f belongs to korvex" bash -c "[ -f '$f' ] && dpkg -S '$f' 2>/dev/null | grep -q '^korvex:'"
done
check "$BIN is executable" [ -x "$BIN" ]
unexpected=$(dpkg -L korvex | grep -Ev '^/\.$|^/usr(/bin(/korvex)?|/share(/.*)?)?$' || true)
check "nothing installed outside /usr/bin and /usr/share${unexpected:+: $unexpected}" [ -z "$unexpected" ]

echo "== Dependencies"
# Every library the program links must come from a package that Depends names,
# or `apt install` on a machine without the Qt and ICU runtime would leave it broken.
# owner_of PATH: the package holding PATH, registered under either of its names
# on a merged /usr (/lib/... and /usr/lib/... are the same file)
owner_of() {
  local alt
  case $1 in /usr/*) alt=${1#/usr} ;; *) alt=/usr$1 ;; esac
  { dpkg -S "$1" 2>/dev/null || dpkg -S "$alt" 2>/dev/null; } | sed -n '1s/[:,].*//p'
}
ldd "$BIN" >"$work/ldd.txt" 2>&1
while read -r soname; do
  # "libfoo.so.1 => /path (address)", or "/path (address)" for the loader
  path=$(awk -v so="$soname" '$1 == so && $2 == "=>" { print $3 }
    $1 ~ ("/" so "$") { print $1 }' "$work/ldd.txt" | head -n1)
  owner=""
  if [ -n "$path" ] && [ "$path" != not ]; then owner=$(owner_of "$path"); fi
  if [ -z "$owner" ]; then
    fail "$soname is linked but no installed package holds it (ldd: ${path:-nothing})"
  else
    check "$soname comes from $owner, which Depends names" depends_on "$owner"
  fi
done < <(objdump -p "$BIN" | awk '$1 == "NEEDED" { print $2 }')
# Qt loads its window-system plugin at run time; no linked library names it
xcb=$(dpkg -S '*/platforms/libqxcb.so' 2>/dev/null | sed -n '1s/[:,].*//p')
if [ -n "$xcb" ]; then
  check "the X11 platform plugin comes from $xcb, which Depends names" depends_on "$xcb"
else
  fail "no installed package holds Qt's X11 platform plugin"
fi

echo "== Desktop entry, metainfo, man page"
# quietly COMMAND...: runs the command, showing its output only when it fails
quietly() {
  local rc
  "$@" >"$work/quietly.log" 2>&1
  rc=$?
  [ $rc = 0 ] || sed 's/^/      /' "$work/quietly.log"
  return $rc
}
check "desktop-file-validate" quietly desktop-file-validate "$DESKTOP"
check "appstreamcli validate --no-net" quietly appstreamcli validate --no-net "$METAINFO"
check "the desktop entry's Icon is the installed icon" grep -qx "Icon=$APP_ID" "$DESKTOP"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$DESKTOP")
check "the desktop entry's Exec ($exec_cmd) is the installed program" [ "$(command -v "$exec_cmd")" = "$BIN" ]
check "the metainfo launches the desktop entry" grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$METAINFO"
if command -v xmllint >/dev/null; then
  check "the icon is well-formed XML" xmllint --noout "$ICON"
else
  skip "icon well-formedness (xmllint is not installed)"
fi
check "the icon is an SVG document" grep -q '<svg ' "$ICON"
check "the man page is gzip-compressed" gzip -t "$MANPAGE"
if command -v groff >/dev/null; then
  check "the man page formats without warnings" \
    bash -c "[ -z \"\$(zcat '$MANPAGE' | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)\" ]"
else
  skip "man page formatting (groff is not installed)"
fi
if command -v man >/dev/null; then
  check "man finds the page" [ "$(man -w korvex 2>/dev/null)" = "$MANPAGE" ]
else
  skip "man -w korvex (man is not installed)"
fi

echo "== korvex --eval from the installed path"
# no display and a private settings directory: --eval needs neither
run_cli() { env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" timeout 10 "$BIN" "$@"; }
out=$(run_cli --eval 1+2 2>&1)
rc=$?
check "korvex --eval 1+2 prints 3 and exits 0 (got \"$out\", status $rc)" [ "$out|$rc" = "3|0" ]
out=$(printf 'A=3\nA*2\n' | run_cli --eval 2>&1 | tr '\n' ' ')
check "lines from standard input (got \"$out\")" [ "$out" = "3 6 " ]
run_cli --help >"$work/help.txt" 2>&1
rc=$?
check "korvex --help prints usage and exits 0" bash -c "[ $rc = 0 ] && grep -q '^Usage: korvex' '$work/help.txt'"
check "--eval wrote no settings file" [ ! -e "$work/config/Halvoren" ]

echo "== The window, under xvfb-run"
# Started bare under a fresh X server, korvex must map a window titled Korvex
# whose class matches the desktop entry's StartupWMClass. The program runs
# under timeout and the wait is bounded, so a program that never shows a window
# fails here instead of hanging the test.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$DESKTOP")
cat >"$work/window.sh" <<EOF
timeout 30 "$BIN" >"$work/window-out.txt" 2>&1 &
pid=\$!
end=\$((SECONDS + $WINDOW_WAIT_SECONDS))
while [ \$SECONDS -lt \$end ]; do
  if xdotool search --onlyvisible --name '^Korvex\$' >/dev/null 2>&1; then
    xdotool search --onlyvisible --class '^$wm_class\$' >/dev/null 2>&1
    class=\$?
    kill \$pid 2>/dev/null
    wait \$pid 2>/dev/null
    [ \$class = 0 ] && exit 0 || exit 5
  fi
  if ! kill -0 \$pid 2>/dev/null; then
    wait \$pid
    echo "\$?" >"$work/window-status.txt"
    exit 3
  fi
  sleep 0.1
done
kill \$pid 2>/dev/null
wait \$pid 2>/dev/null
exit 4
EOF
HOME="$work" XDG_CONFIG_HOME="$work/config" timeout $((WINDOW_WAIT_SECONDS + 45)) \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/window.sh"
rc=$?
case $rc in
  0) pass "korvex opened a window titled Korvex, of class $wm_class" ;;
  5) fail "korvex opened a window titled Korvex, but none of class $wm_class (the desktop entry's StartupWMClass)" ;;
  3)
    status=$(cat "$work/window-status.txt" 2>/dev/null)
    if [ "$status" = 2 ] && grep -q '^Usage: korvex' "$work/window-out.txt"; then
      fail "korvex exited with status 2 and printed its usage instead of opening a window: this build has no window yet"
    else
      fail "korvex exited with status $status before a window appeared; its output:"
      sed 's/^/      /' "$work/window-out.txt"
    fi
    ;;
  4)
    fail "no window titled Korvex appeared within $WINDOW_WAIT_SECONDS s; korvex's output:"
    sed 's/^/      /' "$work/window-out.txt"
    ;;
  *) fail "the window check under xvfb-run ended with status $rc (124: timed out)" ;;
esac

echo "== Removing the package"
if $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq korvex >"$work/apt.log" 2>&1; then
  pass "apt-get purge korvex"
else
  cat "$work/apt.log"
  fail "apt-get purge korvex"
fi
check "the package is gone" not_installed
for f in "$BIN" "$DESKTOP" "$ICON" "$METAINFO" "$MANPAGE"; do
  check "$f is gone" [ ! -e "$f" ]
done

echo
if [ "$failures" = 0 ]; then
  echo "All packaging checks passed."
else
  echo "$failures packaging check(s) failed."
  exit 1
fi
