#!/bin/sh
# Runs one row of a table as a user would run the program: in a scratch
# folder of its own, checking standard output, standard error, the status
# and the file the program writes.
#   sh run.sh PROGRAMS TABLE ROW PROGRAM
# PROGRAMS is the build's list of the programs under test; TABLE.rows beside
# this script holds the row.  A row is one line (continued with \ where its
# input is long):
#   row NAME STATUS COMMAND CONSOLE STDERR FILE
# COMMAND is shell, run in the scratch folder, that makes the input and runs
# the program with `run`.  CONSOLE and STDERR are what the command writes,
# as printf %b text: CONSOLE includes the banner, $B.  FILE is shell that
# writes the bytes the output file must hold, or "none" (it must not
# exist), or "unchecked" (after a failure nothing is promised of it).
# Exits 0 if the row holds, 77 (skipped) if it needs what is not here;
# with QUORREL_NOSKIP set, a row that needs a missing tool or file fails
# instead.
#   sh run.sh --names TABLE
# prints the names of the table's rows, one a line, for the build.
tests=$(cd "$(dirname "$0")" && pwd)
# The one reader of a table: a line whose first word is "row" begins a row,
# and a row goes on over the lines that end in a backslash.  It prints the
# table's other lines and the row named, or with no name the names alone.
table() {	# TABLE [NAME]
	awk -v want="${2-}" '!more { isrow = $1 == "row"; keep = $2 == want }
		want == "" && isrow && !more { print $2 }
		want != "" && (!isrow || keep) { print }
		{ more = /\\$/ }' "$tests/$1.rows"
}
[ "$1" != --names ] || { table "$2"; exit; }
programs=$1 table=$2 want=$3 program=$4
. "$programs"	# PAGEFUSE STAMPEL STRTOLPAIRS LAUNCHER WINDOWS
PROGRAM=$PAGEFUSE OUT=rom.bin title='Quorrel Plattor v1.0' STARTED='Writing ROM pages:\n'
[ "$program" = pagefuse ] || PROGRAM=$STAMPEL OUT=hex.app title='Quorrel Stampel v0.9 Beta' STARTED="'Signing' App... "
B="$title - written by the Quorrel authors\nTHIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY\nPLEASE READ THE DOCUMENTATION FOR DETAILS\n"
IOERR='File IO Error\n'
HOLD= WAITS= TRACE= MOUNT=

# Runs the program under test with these arguments, as the row set it up.
# Our programs end with status 0 or 255 alone.  A status of 1 or 127 under
# a launcher is the launcher's failure: Wine or qemu could not start the
# program, or Wine's loader failed as the program exited.  It is noted for
# row, which runs the row again.
run() {
	set -- $LAUNCHER "$PROGRAM" "$@"
	[ -z "$TRACE" ] || set -- strace -o /dev/null -P "$TRACE" -e "$FAULT" "$@"
	[ -z "$MOUNT" ] || set -- unshare -m sh -c "$MOUNT"' && exec "$@"' sh "$@"
	[ -z "$HOLD" ] || { feed && set -- timeout "$HOLD" "$@"; }
	"$@" &
	# A run that waits: once its console shows all that the row expects, the
	# program gets two seconds more to go on, and then timeout ends it, with
	# its status 124, as though its time were up.
	while [ -n "$WAITS" ] && kill -0 $! 2>/dev/null && ! tr -d '\r' <"$CONSOLE" | cmp -s - "$top/want.out"; do
		sleep 0.1
	done
	[ -z "$WAITS" ] || { sleep 2; kill -ALRM $! 2>/dev/null; }
	wait $!
	set -- $?
	[ -z "$LAUNCHER" ] || { [ "$1" != 1 ] && [ "$1" != 127 ]; } ||
		echo "$LAUNCHER ended a run of ${PROGRAM##*/} with status $1, which the program never gives" >>"$top/launcher"
	return "$1"
}
# The row needs a tool (from PACKAGE, where that is not its name), a file or
# a native program ("native": not one for Windows run under Wine); without
# it, it is skipped.
need() {	# TOOL [PACKAGE] | /PATH | native
	case $1 in
	native) [ "$WINDOWS" = 0 ] || skip "native: not for a Windows program under Wine" ;;
	/*) [ -e "$1" ] || skip "$1: not on this system" ;;
	*) command -v "$1" >/dev/null || skip "$1: not installed (apt-get install ${2:-$1})" ;;
	esac
}
skip() { echo "$1" >"$top/skip"; exit 0; }

# Makes the system calls CALLS on PATH fail with EIO, every time or at the
# calls that WHEN names, as strace's when= does.  A row names every call
# that a C library may use for the job.
traced() {	# PATH CALLS [WHEN]
	need native && need strace
	TRACE=$1 FAULT="inject=$2:error=EIO${3:+:when=$3}"
	# LeakSanitizer can't run under ptrace.
	export ASAN_OPTIONS="${ASAN_OPTIONS-}:detect_leaks=0"
}
# Where writes to the console fail, only the first or the last part of the
# console that the row gives arrives; which part depends on the C library.
partial() { echo "$1" >"$top/partial"; }	# head|tail

# The input comes through a FIFO, p, held open by the row's shell as a serial
# line or a dumper would, so it never ends.  The FIFO is made anew for each
# run, and the file in is written into it in the background, since a FIFO
# holds only 64 KiB.  The run is ended after 120 seconds, with timeout's
# status 124; a row that expects the program to wait for more input says
# "waits", which ends it once it has written all the console the row
# expects.
heldopen() { need timeout coreutils; HOLD=120; }
waits() { heldopen; WAITS=yes; }
feed() { exec 3>&-; rm -f p; mkfifo p && exec 3<>p && { timeout 30 cat in >&3 & }; }

# The row's folder low is seen again at o, through an overlay file system
# whose upper layer is on a tmpfs: with xino, the files of the lower layer
# then have inode numbers above 32 bits.  Each run mounts it in a mount
# namespace of its own.
overlay() {
	need native && need unshare util-linux
	MOUNT="mkdir -p t o && mount -t tmpfs t t && mkdir t/u t/w &&
		mount -t overlay -o lowerdir=low,upperdir=t/u,workdir=t/w,xino=on o o"
	unshare -m sh -c "$MOUNT" 2>/dev/null || skip "mounts: an overlay in a mount namespace of its own (root, unshare -m)"
}

# Pages and page blocks, as pages.awk writes them, and N pages of 0xFF.
gen() { sh "$tests/pages.sh" "$@"; }
data() { gen data "$@"; }
blocks() { gen blocks "$@"; }
fill() { head -c $(($1 * 16384)) /dev/zero | tr '\0' '\377'; }
# The bytes that strtol gives for the pairs of bytes in FILE, asked of the C
# library that the programs use.
strtol() { $LAUNCHER "$STRTOLPAIRS" "$1" strtol.bin && cat strtol.bin; }
# The app file that stampel makes of FILE: its first page, padded with 0xFF,
# with a Windows program's CR LF line ends where the program is one.
app() { { head -c 16384 "$1"; fill 1; } | head -c 16384 | od -An -v -tx1 | tr -d ' \n' | tr a-f A-F | gen app $([ "$WINDOWS" = 0 ] || echo crlf); }

# Where column COL of data record K stands in an LF page block.
at() { echo $((16 + 76 * $1 + $2)); }
# Edits FILE at OFFSET: put writes TEXT (a printf format) over what stands
# there, and splice puts it in place of the N bytes there.
put() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null; }
splice() {	# FILE OFFSET N [TEXT]
	{ head -c "$2" "$1"; printf "${4-}"; tail -c +$(($2 + $3 + 1)) "$1"; } >"$1.new" && mv "$1.new" "$1"
}
# Takes N bytes out of FILE from column COL of line LINE on.
lose() { splice "$1" $(($(head -n $(($2 - 1)) "$1" | wc -c) + $3)) "$4"; }	# FILE LINE COL N

# pagefuse's progress tags for pages FROM to TO-1, eight to a line.
tags() { awk -v a="$1" -v b="$2" 'BEGIN { for (p = a; p < b; p++) printf "[0x%02X]%s", p, p % 8 == 7 ? "\\n" : "" }'; }
# The first value for a Windows program, the second for a native one.
win() { if [ "$WINDOWS" = 0 ]; then printf %s "$2"; else printf %s "$1"; fi; }

row() {	# NAME STATUS COMMAND CONSOLE STDERR FILE
	trap 'rm -rf "$top"' EXIT
	# A row whose launcher failed (see run) is run again, in a folder of its
	# own, three times at most.
	for try in 1 2 3; do
		top=$(mktemp -d "${TMPDIR:-/tmp}/quorrel-test-XXXXXX") && mkdir "$top/work" || exit 1
		CONSOLE=$top/out
		printf %b "$4" >"$top/want.out"
		(cd "$top/work" && eval "$3") >"$top/out" 2>"$top/err" </dev/null
		got=$?
		[ -f "$top/launcher" ] && [ $try -lt 3 ] || break
		echo "run again, after try $try: $(cat "$top/launcher")"
		rm -rf "$top"
	done
	if [ -f "$top/skip" ]; then
		read -r why <"$top/skip"
		echo "skipped: needs $why"
		case ${why%%:*} in native) ;; *) [ -z "${QUORREL_NOSKIP-}" ] || { echo "QUORREL_NOSKIP is set: that fails the row"; exit 1; } ;; esac
		exit 77
	fi
	ok=0
	[ "$got" = "$2" ] || { echo "status $got, not $2"; ok=1; }
	printf %b "$5" >"$top/want.err"
	for stream in out err; do
		[ "$WINDOWS" = 0 ] || { tr -d '\r' <"$top/$stream" >"$top/got" && mv "$top/got" "$top/$stream"; }
		[ "$stream" = err ] || [ ! -f "$top/partial" ] || { read -r part <"$top/partial" &&
			$part -c "$(wc -c <"$top/out")" "$top/want.out" >"$top/got" && mv "$top/got" "$top/want.out"; }
		diff -a -u "$top/want.$stream" "$top/$stream" || { echo "standard $stream differs"; ok=1; }
	done
	made=$top/work/$OUT
	case $6 in
	unchecked) ;;
	none) [ ! -e "$made" ] || { echo "$OUT was made"; ok=1; } ;;
	*)	(cd "$top/work" && eval "$6") >"$top/want"
		cmp "$top/want" "$made" || { echo "$OUT is not the $(wc -c <"$top/want") bytes due"; ok=1; } ;;
	esac
	exit $ok
}

# The console after the banner as a whole run starts, up to its last write
# (pagefuse's tags for pages 0x00 to 0x1F) and at its end.
PROGRESS=$STARTED
[ "$program" = stampel ] || PROGRESS=$STARTED$(tags 0 32)
DONE="${PROGRESS}Done\n"

# The table's own definitions, and the one row asked for.
eval "$(table "$table" "$want")"
echo "no row $want in $table.rows"
exit 1
