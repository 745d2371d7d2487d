#!/usr/bin/env bash
# Fuzzes pagefuse and stampel with AFL++ (instrumented, with AddressSanitizer),
# side by side, for SECONDS each (default 60).  Reports executions, crashes
# and hangs per program, copies crashing and hanging inputs to
# fuzz/findings/PROGRAM/, and exits non-zero if there were any.  Every input
# AFL++ found (its queue) is kept in fuzz/kept/PROGRAM/, and seeds the next
# run.
# Usage: fuzz/run.sh [--needs|--needs-all] [SECONDS]
# Needs cmake and AFL++; --needs names the packages missing here, and
# --needs-all every one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kept=$root/fuzz/kept
needs=no
case ${1-} in --needs | --needs-all) needs=$1; shift ;; esac
. "$root/.ci/needs.sh"
need cmake
need afl-clang-fast++ afl++
needed fuzz $needs

secs=${1:-60}
case $secs in '' | *[!0-9]*) echo "usage: fuzz/run.sh [--needs] [SECONDS]" >&2; exit 2 ;; esac
# The work folder is on a tmpfs where there is one, since every run writes
# its output file.
work=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo /tmp)/quorrel-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT

export AFL_USE_ASAN=1 AFL_QUIET=1
CXX=afl-clang-fast++ cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DBUILD_TESTING=OFF >/dev/null
cmake --build "$work/build" --parallel >/dev/null

# Seeds: page blocks, whole, with gaps and CR LF, cut short, and binary.
mkdir "$work/seeds"
{ sh "$root/tests/pages.sh" blocks 0; printf ':00000001FF\n'; } >"$work/seeds/valid.hex"
sh "$root/tests/pages.sh" blocks crlf 1 4 >"$work/seeds/crlf-gaps.hex"
sh "$root/tests/pages.sh" blocks 0 >"$work/seeds/truncated.hex"
truncate -s $((16 + 100 * 76)) "$work/seeds/truncated.hex"
head -c 300 "$work/seeds/valid.hex" | tr '0-9A-F' '\000-\017' >"$work/seeds/short.bin"

for prog in pagefuse stampel; do
	mkdir "$work/$prog" "$work/$prog/seeds"
	cp "$work"/seeds/* "$work/$prog/seeds/"
	# What earlier runs found, so that a run goes on from there.
	[ ! -d "$kept/$prog" ] || cp "$kept/$prog"/* "$work/$prog/seeds/" 2>/dev/null || true
	(cd "$work/$prog" && AFL_NO_UI=1 AFL_NO_AFFINITY=1 AFL_SKIP_CPUFREQ=1 \
		AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
		afl-fuzz -i seeds -o out -V "$secs" -t 2000 -m none \
		-- "$work/build/$prog" @@ >log 2>&1) &
done
wait

status=0
for prog in pagefuse stampel; do
	stats=$work/$prog/out/default/fuzzer_stats
	if [ ! -f "$stats" ]; then
		echo "$prog: afl-fuzz did not run; its log:" >&2
		tail -n 20 "$work/$prog/log" >&2
		status=1
		continue
	fi
	get() { sed -n "s/^$1 *: *//p" "$stats"; }
	execs=$(get execs_done) crashes=$(get saved_crashes) hangs=$(get saved_hangs)
	printf '%-9s %10s executions in %ss, %s crashes, %s hangs, %s paths\n' \
		"$prog" "$execs" "$secs" "$crashes" "$hangs" "$(get corpus_count)"
	mkdir -p "$kept/$prog"
	cp "$work/$prog"/out/default/queue/id* "$kept/$prog"/
	echo "$prog: its queue is kept in $kept/$prog ($(ls "$kept/$prog" | wc -l) inputs)"
	if [ "$crashes" != 0 ] || [ "$hangs" != 0 ]; then
		keep=$root/fuzz/findings/$prog
		mkdir -p "$keep"
		cp "$work/$prog"/out/default/crashes/id* "$work/$prog"/out/default/hangs/id* "$keep"/ 2>/dev/null || true
		echo "$prog: inputs kept in $keep" >&2
		status=1
	fi
done
exit $status
