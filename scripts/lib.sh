# shellcheck shell=bash
# Functions the scripts share; sourced (". scripts/lib.sh"), never run. Bash only.
# ZELPO_ROOT: the repository's top folder, wherever the sourcing script runs from; exported,
# so that a script handed to an inner bash (under xvfb-run) can source this file again.
ZELPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ZELPO_ROOT

# Installs the Debian packages named that are not installed yet, nothing when all are: apt-get
# as root, through sudo otherwise, without questions. Recommended packages come along only
# with --recommends first (Wine wants its own).
install_packages() {
  local recommends=(--no-install-recommends)
  if [ "${1:-}" = --recommends ]; then
    recommends=()
    shift
  fi
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${recommends[@]}" \
    "${missing[@]}"
}

# The project's version as CMakeLists.txt gives it ("1.0.0"); empty when it gives none.
project_version() {
  sed -n 's/^project(zelpo VERSION \([0-9.]*\).*/\1/p' "$ZELPO_ROOT/CMakeLists.txt"
}

# Configures a Ninja build of the repository:
#   configure_build BUILD-DIR BUILD-TYPE [CMAKE-ARGUMENTS...]
# CONFIGURE_CMAKE names another cmake (the Windows toolchain's qt-cmake).
configure_build() {
  local dir="$1" type="$2"
  shift 2
  "${CONFIGURE_CMAKE:-cmake}" -S "$ZELPO_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
}

# The build the run, demo and picture scripts start the program from: optimised, with debug
# information, no tests and no benchmarks, in build-run.
configure_program_build() {
  configure_build "$ZELPO_ROOT/build-run" RelWithDebInfo -DZELPO_BUILD_TESTS=OFF \
    -DZELPO_BUILD_BENCH=OFF "$@"
}

# Makes a new Wine prefix at WINEPREFIX (what was there is removed first) and boots it, as a
# new PC has booted before anything is installed; with "win10" it also says it is Windows 10.
# ZELPO_WINE names the launcher (default: wine64 itself; scripts/windows/wine-run for programs
# of the build tree).
new_wine_prefix() {
  : "${WINEPREFIX:?new_wine_prefix: WINEPREFIX is not set}"
  local wine="${ZELPO_WINE:-/usr/lib/wine/wine64}"
  rm -rf "$WINEPREFIX"
  # wineboot reports failures that later calls recover from; the calls after it tell.
  "$wine" wineboot -i >/dev/null 2>&1 || true
  if [ "${1:-}" = win10 ]; then
    "$wine" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null
  fi
}
