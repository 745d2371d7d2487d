#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 and runs the whole test
# suite against them under Wine.  Needs the Debian packages
# g++-mingw-w64-x86-64-posix and wine64 (see .ci/run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64	# both from wine64 alone, without its recommends
cd "$root"

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBUILD_TESTING=OFF \
	-DQUORREL_WERROR="${QUORREL_WERROR:-OFF}"
cmake --build build-windows --parallel

cmake -S . -B build-wine \
	-DQUORREL_TEST_PAGEFUSE="$root/build-windows/pagefuse.exe" \
	-DQUORREL_TEST_STAMPEL="$root/build-windows/stampel.exe" \
	-DQUORREL_TEST_LAUNCHER="$wine" -DQUORREL_TEST_WINDOWS=ON
cmake --build build-wine --parallel

# A prefix of its own, made once, and one server kept up for the whole run
# rather than one started for every program.
export WINEDEBUG=-all WINEPREFIX="$root/build-wine/prefix"
mkdir -p "$WINEPREFIX"
"$server" -p
trap '"$server" -k || true' EXIT
"$wine" wineboot --init >/dev/null 2>&1
ctest --test-dir build-wine --output-on-failure --parallel 2
