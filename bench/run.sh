#!/usr/bin/env bash
# Measures the tools on generated data: instructions under callgrind (the
# figure to compare, repeatable on a busy machine), median wall time beside
# cp of the same file, and peak memory on a 4 MiB image.  Exits non-zero
# when a tool is over its instruction budget.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
runs=${RUNS:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --parallel >/dev/null
cd "$work"

# dump.hex: pages 0x00 to 0x1F of random bytes; high.hex: one page named 0xFE;
# app.bin: one random application page.
python3 - <<'PY'
import os
def block(page, data):
    recs = ''.join(':20%04X00%s00\n' % (k * 32 & 0xFFFF, data[k*32:k*32+32].hex().upper())
                   for k in range(512))
    return ':0200000200%02XFF\n' % page + recs
with open('dump.hex', 'w') as f:
    for p in range(32):
        f.write(block(p, os.urandom(16384)))
with open('high.hex', 'w') as f:
    f.write(block(0xFE, os.urandom(16384)))
with open('app.bin', 'wb') as f:
    f.write(os.urandom(16384))
PY

instructions() {
	valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
		sed -n 's/.*Collected : //p'
}

median_ms() {
	for _ in $(seq "$runs"); do
		local t0 t1
		t0=$(date +%s%N)
		"$@" >/dev/null 2>&1
		t1=$(date +%s%N)
		echo $(( (t1 - t0) / 1000 ))
	done | sort -n | awk '{ a[NR] = $1 } END { printf "%.2f ms", a[int((NR + 1) / 2)] / 1000 }'
}

status=0
report() {	# name budget count
	local verdict="within budget"
	if [ "$3" -gt "$2" ]; then verdict="OVER BUDGET"; status=1; fi
	printf '%-28s %12s instructions (budget %s): %s\n' "$1" "$3" "$2" "$verdict"
}

report "pagefuse, 32-page dump" 3500000 "$(instructions "$build/pagefuse" dump.hex)"
printf '%-28s %12s instructions\n' "cp of the dump" "$(instructions cp dump.hex copy.hex)"
printf 'median of %s runs: pagefuse %s, cp %s\n' "$runs" \
	"$(median_ms "$build/pagefuse" dump.hex)" "$(median_ms cp dump.hex copy.hex)"
report "stampel, 16 KiB page" 350000 "$(instructions "$build/stampel" app.bin)"
printf 'median of %s runs: stampel %s\n' "$runs" "$(median_ms "$build/stampel" app.bin)"
/usr/bin/time -f '%M' -o rss.txt "$build/pagefuse" high.hex >/dev/null
printf 'pagefuse, page 0xFE (%s byte image): peak resident %s KiB\n' \
	"$(stat -c %s rom.bin)" "$(cat rss.txt)"
exit $status
