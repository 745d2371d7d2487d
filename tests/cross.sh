#!/usr/bin/env bash
# Runs the whole test suite on another machine:
#   bash tests/cross.sh [--needs|--needs-all|--build] MACHINE|windows
# MACHINE is one of Debian's Linux machines in .ci/machines.sh.  Its
# programs are built statically against musl, as the release ships them,
# in build-MACHINE, inside the Debian 13 system that .ci/system makes (which
# takes root), and run here: natively where the kernel can, through
# qemu-user where it can't.  windows is cross-built with MinGW-w64's g++ in
# build-windows (the preset ci-windows) and run under Wine (the preset
# wine).  Warnings are errors.  It installs nothing here: it names the
# Debian packages it misses, before it builds; --needs only prints them,
# --needs-all prints every package it needs, and --build stops before the
# tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

needs=no buildonly=no
case ${1-} in --needs | --needs-all) needs=$1; shift ;; --build) buildonly=yes; shift ;; esac
target=${1-}
. "$root/.ci/machines.sh"
usage() { echo "usage: bash tests/cross.sh [--needs|--needs-all|--build] ${machines// /|}|windows" >&2; exit 2; }
[ "$target" = windows ] || machine "$target" || usage

. "$root/.ci/needs.sh"
need cmake
if [ "$target" = windows ]; then
	need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
	needsof .ci/wine
	# The preset that runs the tests under Wine is configured for this machine.
	need g++
else
	needsof .ci/system
	[ "$target" = amd64 ] || [ "$target" = i386 ] || need "qemu-$cpu" qemu-user
fi
needed "cross.sh $target" $needs

if [ "$target" != windows ]; then
	build=build-$target
	build() { insystem musl "bash .ci/build musl $target $*"; }
	build
	[ $buildonly = no ] || exit 0
	# This kernel runs amd64 and i386 programs itself, and qemu-user the rest.
	launcher=
	"$build/stampel" >/dev/null 2>&1 || launcher=qemu-$cpu
	build "-DQUORREL_TEST_LAUNCHER=$launcher"
	ctest --test-dir "$build" --output-on-failure --parallel 2 --no-tests=error
	exit
fi

cmake --preset ci-windows >/dev/null
cmake --build --preset ci-windows --target all strtolpairs
[ $buildonly = no ] || exit 0
bash .ci/wine build-wine/prefix sh -c 'cmake --preset wine "-DQUORREL_TEST_LAUNCHER=$WINE" >/dev/null && ctest --preset wine'
