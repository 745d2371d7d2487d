#!/usr/bin/env bash
# Runs the whole test suite on another machine, or another C library:
#   bash tests/cross.sh [--needs|--build] TARGET
# TARGET is one of Debian's Linux machines in .ci/machines.sh, cross-built
# statically with Debian's g++ for it in build-TARGET, and run natively
# where the kernel can, through qemu-user where it can't; or
# musl, this machine's programs built statically against musl in
# build-musl; or windows, cross-built with MinGW-w64's g++ in build-windows
# (the preset ci-windows) and run under Wine (the preset wine).  Warnings
# are errors.  It installs nothing: it names the Debian packages it misses,
# before it builds; --needs only prints them, and --build stops before the
# tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

needs=no buildonly=no
case ${1-} in --needs) needs=yes; shift ;; --build) buildonly=yes; shift ;; esac
target=${1-}
. "$root/.ci/machines.sh"
usage() { echo "usage: bash tests/cross.sh [--needs|--build] ${machines// /|}|musl|windows" >&2; exit 2; }
case $target in musl | windows) ;; *) machine "$target" || usage ;; esac

. "$root/.ci/needs.sh"
need cmake
server=/usr/lib/wine/wineserver64	# from wine64 alone, without its recommends
if [ "$target" = windows ]; then
	need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
	need "$server" wine64
	# The preset that runs the tests under Wine is configured for this machine.
	need g++
elif [ "$target" = musl ]; then
	need g++
	need musl-gcc musl-tools
elif [ "$target" = amd64 ]; then
	need "$triple-g++" g++
else
	need "$triple-g++" "g++-$triple"
	need "qemu-$cpu" qemu-user
fi
needed "cross.sh $target" $needs

if [ "$target" = musl ]; then
	# Debian's musl-tools builds C alone: g++ compiles against musl's
	# headers and its own C++ headers, where no glibc macro may be missing,
	# and musl-gcc links.
	v=$(g++ -dumpversion) m=$(g++ -dumpmachine)
	flags="-nostdinc -isystem /usr/include/c++/$v -isystem /usr/include/$m/c++/$v"
	flags="$flags -isystem $(g++ -print-file-name=include) -isystem /usr/include/${m/gnu/musl}"
	build=build-musl cxx=(-DCMAKE_CXX_COMPILER=g++ "-DCMAKE_CXX_FLAGS=$flags '-D__GLIBC_PREREQ(a,b)=0'"
		"-DCMAKE_CXX_LINK_EXECUTABLE=musl-gcc <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
elif [ "$target" != windows ]; then
	build=build-$target cxx=(-DCMAKE_SYSTEM_NAME=Linux "-DCMAKE_SYSTEM_PROCESSOR=$cpu" "-DCMAKE_CXX_COMPILER=$triple-g++")
fi
if [ "$target" != windows ]; then
	cmake -S . -B "$build" "${cxx[@]}" -DCMAKE_EXE_LINKER_FLAGS=-static -DQUORREL_WERROR=ON >/dev/null
	cmake --build "$build" --parallel
	[ $buildonly = no ] || exit 0
	# This kernel runs amd64, i386 and musl programs itself, and qemu-user the rest.
	launcher=
	"$build/stampel" >/dev/null 2>&1 || launcher=qemu-$cpu
	cmake -S . -B "$build" -DQUORREL_TEST_LAUNCHER="$launcher" >/dev/null
	ctest --test-dir "$build" --output-on-failure --parallel 2 --no-tests=error
	exit
fi

cmake --preset ci-windows >/dev/null
cmake --build --preset ci-windows --target all strtolpairs
[ $buildonly = no ] || exit 0
cmake --preset wine >/dev/null
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
