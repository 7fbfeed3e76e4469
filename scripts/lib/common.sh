# Shared by scripts/run, scripts/test and scripts/bench: install what is missing,
# configure and build. Source it; do not run it.

KORVEX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and the window need.
KORVEX_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libicu-dev libxcb1-dev
  qt6-translations-l10n libqt6svg6
  libgtest-dev libgmock-dev libbenchmark-dev clang-format
  xvfb xdotool xclip xauth x11-utils
  fonts-noto-cjk
)

korvex_missing_packages() {
  local p missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]}"
}

korvex_install() {
  local missing
  missing=$(korvex_missing_packages "$@")
  [ -z "$missing" ] && return 0
  echo "Installing: $missing" >&2
  local sudo=""
  if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  # shellcheck disable=SC2086
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >&2
}

korvex_install_deps() {
  korvex_install "${KORVEX_PACKAGES[@]}"
}

# korvex_build DIR BUILD_TYPE [cmake configure args...] [-- cmake build args...]
korvex_build() {
  local dir="$1" type="$2"
  shift 2
  local configure=() build=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do configure+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  build=("$@")
  cmake -S "$KORVEX_ROOT" -B "$KORVEX_ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${configure[@]}" >/dev/null
  cmake --build "$KORVEX_ROOT/$dir" "${build[@]}"
}

# The tracked C++ sources as .clang-format says; prints the places that differ.
korvex_check_format() {
  local files
  files=$(git -C "$KORVEX_ROOT" ls-files '*.cpp' '*.h' 2>/dev/null) || {
    echo "formatting not checked: not a git checkout" >&2
    return 0
  }
  (cd "$KORVEX_ROOT" && printf '%s\n' $files | xargs clang-format --dry-run -Werror)
}
