#!/usr/bin/env bash
# Measures the tools as built by every compiler here (g++, clang++), each in
# a folder of its own (build-bench-COMPILER), and holds each to the same
# budgets; exits non-zero when one is missed:
#   pagefuse, a 32-page dump with LF line ends and with CR LF: from a file,
#     at most 13 million instructions; through a pipe, which it reads a
#     record at a time, at most 24 million; from a file, at most 1.5 times
#     the wall time of a floor program (bench/floor.cpp: the same reading,
#     writing and console text, with nothing converted)
#   stampel, a page: at most 0.35 million instructions
# Instructions are counted under callgrind, the same on a busy machine; the
# wall time, the figure a user feels, is the median ratio over interleaved
# pairs of runs (RUNS of them, default 200).  It also shows cp of the dump,
# for scale, and peak memory on a 4 MiB image (with GNU time, if here).
#   bash bench/run.sh [--needs|--needs-all] [instructions]
# "instructions" counts alone, and checks the instruction budgets: what CI
# runs.  Needs cmake, valgrind, a compiler, and python3 for the wall time;
# --needs names the packages missing here, and --needs-all every one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-200}
needs=no
case ${1-} in --needs | --needs-all) needs=$1; shift ;; esac
mode=${1:-all}
case $mode in all | instructions) ;; *) echo "usage: bash bench/run.sh [--needs|--needs-all] [instructions]" >&2; exit 2 ;; esac

. "$root/.ci/needs.sh"
need cmake
need valgrind
[ "$mode" = instructions ] || need python3
compilers=() absent=
for cxx in g++:g++ clang++:clang; do
	if command -v "${cxx%:*}" >/dev/null; then compilers+=("${cxx%:*}"); else absent="$absent ${cxx#*:}"; fi
done
[ ${#compilers[@]} -gt 0 ] || need g++
all="$all g++ clang"
needed bench $needs
[ -z "$absent" ] || echo "bench: ${compilers[*]} alone is measured (apt-get install$absent)" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for cxx in "${compilers[@]}"; do
	build=$root/build-bench-$cxx
	cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_COMPILER="$cxx" >/dev/null
	cmake --build "$build" --parallel >/dev/null
	"$cxx" -O2 -Wl,--as-needed "$root/bench/floor.cpp" -o "$build/floor"
done
cd "$work"

# dump.hex and crlf.hex: pages 0x00 to 0x1F; high.hex: one page named 0xFE;
# app.bin: one application page.  Every page holds every byte value, in
# plain hex digits as a dumper writes them, so the count is about that of
# any real dump.
sh "$root/tests/pages.sh" blocks 0-31 >dump.hex
sh "$root/tests/pages.sh" blocks crlf 0-31 >crlf.hex
sh "$root/tests/pages.sh" blocks 254:1 >high.hex
sh "$root/tests/pages.sh" data 2 >app.bin

instructions() {
	valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
		sed -n 's/.*Collected : //p' | tr -d ,
}

# The median, over pairs of runs whose order alternates, of the wall time of
# the first command over the second's; prints that ratio and both medians.
ratio() {	# "command-a args" "command-b args"
	python3 - "$1" "$2" "$runs" <<'PY'
import os, statistics, sys, time
a, b, runs = sys.argv[1].split(), sys.argv[2].split(), int(sys.argv[3])
quiet = [(os.POSIX_SPAWN_OPEN, 1, '/dev/null', os.O_WRONLY, 0)]
def once(argv):
    t = time.perf_counter_ns()
    os.waitpid(os.posix_spawn(argv[0], argv, os.environ, file_actions=quiet), 0)
    return time.perf_counter_ns() - t
ta, tb, ratios = [], [], []
for i in range(runs):
    if i % 2:
        y = once(b); x = once(a)
    else:
        x = once(a); y = once(b)
    ta.append(x); tb.append(y); ratios.append(x / y)
print('%.2f %.2f %.2f' % (statistics.median(ratios), statistics.median(ta) / 1e6,
                          statistics.median(tb) / 1e6))
PY
}
# The peak resident memory of a run, in KiB, as GNU time measures it from
# outside the program.
peak() {
	if [ -x /usr/bin/time ]; then
		/usr/bin/time -f %M -o rss.txt "$@" >/dev/null && cat rss.txt
	else
		echo "not measured (apt-get install time)"
	fi
}

status=0
verdict() {	# what value budget
	if awk -v v="$2" -v t="$3" 'BEGIN { exit !(v > t) }'; then
		printf '  %-40s %10s  MISSED (budget %s)\n' "$1" "$2" "$3"
		status=1
	else
		printf '  %-40s %10s  met (budget %s)\n' "$1" "$2" "$3"
	fi
}

if [ "$mode" = all ]; then
	read -r r tp tf < <(ratio "$(command -v cp) dump.hex copy.hex" "$root/build-bench-${compilers[0]}/floor dump.hex")
	printf 'cp of the dump, for scale: %s instructions, %s times the floor\n' \
		"$(instructions cp dump.hex copy.hex)" "$r"
fi
for cxx in "${compilers[@]}"; do
	build=$root/build-bench-$cxx
	echo "$("$cxx" --version | head -n 1):"
	for dump in dump.hex crlf.hex; do
		ends=LF
		[ $dump = dump.hex ] || ends="CR LF"
		verdict "pagefuse, 32 pages, $ends: instructions" "$(instructions "$build/pagefuse" $dump)" 13000000
		verdict "  the same through a pipe" "$(cat $dump | instructions "$build/pagefuse" /dev/stdin)" 24000000
	done
	verdict "stampel, a page: instructions" "$(instructions "$build/stampel" app.bin)" 350000
	[ "$mode" = all ] || continue
	read -r r tp tf < <(ratio "$build/pagefuse dump.hex" "$build/floor dump.hex")
	verdict "pagefuse: wall time / floor's" "$r" 1.5
	printf '  %-40s %10s\n' "(medians of $runs: pagefuse, floor ms)" "$tp, $tf" \
		"floor: instructions" "$(instructions "$build/floor" dump.hex)" \
		"pagefuse, page 0xFE: peak resident KiB" "$(peak "$build/pagefuse" high.hex)"
done
exit $status
