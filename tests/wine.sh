#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 and runs the whole test
# suite against them under Wine.  Needs the Debian packages
# g++-mingw-w64-x86-64-posix and wine64 (see .ci/run).  QUORREL_WERROR=ON
# builds them with warnings as errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=/usr/lib/wine/wineserver64	# from wine64 alone, without its recommends
cd "$root"

windows=windows
[ "${QUORREL_WERROR:-OFF}" = ON ] && windows=ci-windows
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows"
cmake --preset wine >/dev/null
cmake --build --preset wine

# The same prefix as the test preset's, made once, and one server kept up
# for the whole run rather than one started for every program.  Wine maps
# Unix file names through the locale: under C it loses every name outside
# ASCII before a program sees it.
export WINEDEBUG=-all WINEPREFIX="$root/build-wine/prefix" LANG=C.UTF-8
mkdir -p "$WINEPREFIX"
"$server" -p
trap '"$server" -k || true' EXIT
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
ctest --preset wine
