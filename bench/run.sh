#!/usr/bin/env bash
# Measures the tools as built by g++ and, where installed, clang, each in a
# folder of its own: instructions under callgrind (the figure that repeats on
# a busy machine), and the wall time a user feels, as the median ratio of
# pagefuse to a floor program (bench/floor.cpp: the same reading, writing and
# console text, with nothing converted) over interleaved pairs of runs.
# Peak memory on a 4 MiB image.  Exits non-zero when a target is missed:
#   g++:   pagefuse at most 3.5 million instructions and 1.25 times the floor
#   clang: pagefuse at most 1.2 times g++'s instructions and 1.3 times the floor
#   both:  stampel at most 0.35 million instructions
# Needs valgrind and python3.  RUNS sets the number of pairs (default 200).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

compilers=(g++)
command -v clang++ >/dev/null && compilers+=(clang++) ||
	echo "clang++ not found: g++ alone is measured" >&2
for cxx in "${compilers[@]}"; do
	build=$root/build-bench-$cxx
	cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_COMPILER="$cxx" >/dev/null
	cmake --build "$build" --parallel >/dev/null
	"$cxx" -O2 -Wl,--as-needed "$root/bench/floor.cpp" -o "$build/floor"
done
cd "$work"

# dump.hex: pages 0x00 to 0x1F; high.hex: one page named 0xFE; app.bin: one
# application page.  Every page holds every byte value; the conversions take
# no branch on the data, so the count is about that of random pages.
gen() { LC_ALL=C awk -f "$root/tests/pages.awk" "$@"; }
gen blocks 0-31 >dump.hex
gen blocks 254:1 >high.hex
gen data 2 >app.bin

instructions() {
	valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
		sed -n 's/.*Collected : //p' | tr -d ,
}

# Median over interleaved pairs (the order alternating) of the wall time of
# the first command over the second's: prints the ratio and both medians.
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

status=0
verdict() {	# what value target
	if awk -v v="$2" -v t="$3" 'BEGIN { exit !(v > t) }'; then
		printf '  %-40s %10s  MISSED (target %s)\n' "$1" "$2" "$3"
		status=1
	else
		printf '  %-40s %10s  met (target %s)\n' "$1" "$2" "$3"
	fi
}

read -r r tp tf < <(ratio "$(command -v cp) dump.hex copy.hex" "$root/build-bench-g++/floor dump.hex")
printf 'cp of the dump, for scale: %s instructions, %s times the floor\n' \
	"$(instructions cp dump.hex copy.hex)" "$r"
gxx=
for cxx in "${compilers[@]}"; do
	build=$root/build-bench-$cxx
	n=$(instructions "$build/pagefuse" dump.hex)
	read -r r tp tf < <(ratio "$build/pagefuse dump.hex" "$build/floor dump.hex")
	echo "$cxx (median of $runs pairs: pagefuse $tp ms, floor $tf ms):"
	if [ "$cxx" = g++ ]; then
		gxx=$n
		verdict "pagefuse, 32 pages: instructions" "$n" 3500000
		verdict "pagefuse: wall time / floor" "$r" 1.25
	else
		[ -z "$gxx" ] || verdict "pagefuse: instructions / g++'s" \
			"$(awk -v a="$n" -v b="$gxx" 'BEGIN { printf "%.2f", a / b }')" 1.2
		printf '  %-40s %10s\n' "pagefuse, 32 pages: instructions" "$n"
		verdict "pagefuse: wall time / floor" "$r" 1.3
	fi
	verdict "stampel, 16 KiB: instructions" "$(instructions "$build/stampel" app.bin)" 350000
	printf '  %-40s %10s\n' "floor: instructions" "$(instructions "$build/floor" dump.hex)"
	/usr/bin/time -f '%M' -o rss.txt "$build/pagefuse" high.hex >/dev/null
	printf '  %-40s %10s\n' "pagefuse, page 0xFE: peak resident KiB" "$(cat rss.txt)"
done
exit $status
