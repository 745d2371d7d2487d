# Writes ROM pages and their page blocks, for the test rows, the benchmark and
# the fuzzer's seeds: the one writer of the layout outside the programs.
# Run it as LC_ALL=C awk -f pages.awk WHAT ARGS..., so that it writes bytes:
#   data PAGE...               the bytes of the pages
#   blocks [STYLE...] PAGE...  page blocks of them
#   everybyte                  dumps, as files *.hex in the current folder,
#                              in which every byte value stands in every
#                              column of a data record of one hex digit, the
#                              line end's included: those that leave it a
#                              record in digits.hex and ignored.hex, with every
#                              pair of digits of either case and line ends of
#                              both kinds, each that breaks it in a file of
#                              its own
# A PAGE is a seed N (the page whose byte i is 31N + 7i + i/256, modulo 256,
# so that it holds every value), a range of seeds A-B, or xHH (every byte
# HH).  For blocks, N names page N with the data of seed N, and P:PAGE
# names page P; the data "-" are the next 16384 bytes of standard input as
# od -An -tx1 writes them, padded with 0xFF.
# STYLEs: crlf line ends; lower-case digits; junk, odd bytes in every
# ignored column (only with crlf: one of them is a CR); app, the
# placeholders that stampel writes, and its end record after the blocks.
BEGIN {
	for (i = 0; i < 256; i++) {
		chr[i] = sprintf("%c", i)
		value[sprintf("%02x", i)] = i
	}
	what = ARGV[1]
	eol = "\n"; digits = "0123456789ABCDEF"
	pagehead = ":02000002FF"; pagetail = "00"; datahead = ":20000000"; datatail = "00"
	for (a = 2; a < ARGC; a++) {
		if (ARGV[a] == "crlf")
			eol = "\r\n"
		else if (ARGV[a] == "lower")
			digits = "0123456789abcdef"
		else if (ARGV[a] == "junk") {
			pagehead = "~ \t:z" chr[0] "-%" chr[1] chr[127] chr[255]; pagetail = "\r\r"
			datahead = "#\r" chr[26] " " chr[0] "zz" chr[254] "?"; datatail = "\r "
		} else if (ARGV[a] == "app") {
			app = 1; datahead = ":XXXXXXXX"; datatail = "XX"
		} else
			want[++n] = ARGV[a]
		ARGV[a] = ""
	}
	ARGV[1] = ""
	for (v = 0; v < 256; v++) {
		hex[v] = substr(digits, int(v / 16) + 1, 1) substr(digits, v % 16 + 1, 1)
		out[v] = what == "data" ? chr[v] : hex[v]
	}
	if (what == "everybyte")
		everybyte()
	for (s = 1; s <= n; s++) {
		page = split(want[s], pd, ":") == 2 ? pd[1] : -1
		data = page >= 0 ? pd[2] : want[s]
		if (split(data, r, "-") == 2 && r[1] != "")
			for (seed = r[1]; seed <= r[2]; seed++)
				emit(seed, seed)
		else
			emit(page >= 0 ? page : data, data)
	}
	if (app)
		printf ":XXXXXXXX__"
}

function emit(page, data,   i, k, t) {
	fill(data)
	for (k = 0; k < 512; k++) {
		t = ""
		for (i = 32 * k; i < 32 * k + 32; i++)
			t = t out[b[i]]
		rec[k] = t
	}
	if (what == "data")
		for (k = 0; k < 512; k++)
			printf "%s", rec[k]
	else
		block(app ? ":XXXXXXXX____XX" : pagehead hex[page % 256] pagetail)
}

# The page's bytes into b[].
function fill(data,   i, x, given) {
	x = data ~ /^x/ ? value[tolower(substr(data, 2))] : -1
	given = data == "-"
	for (i = 0; i < 16384; i++)
		if (!given)
			b[i] = x >= 0 ? x : (31 * data + 7 * i + int(i / 256)) % 256
		else {
			if (tp >= nt) {
				nt = (getline text) > 0 ? split(text, tok) : 0
				tp = 0
			}
			b[i] = tp < nt ? value[tok[++tp]] : 255
		}
}

# The page block of this page record and the digits in rec[].
function block(pagerec,   k) {
	printf "%s%s", pagerec, eol
	for (k = 0; k < 512; k++)
		printf "%s%s%s%s", datahead, rec[k], datatail, eol
}

# Writes line[0] to line[n - 1], their line ends included, into the file
# name as page blocks of 512 records.
function pages(name, n,   p, k, t) {
	for (p = 0; 512 * p < n; p++) {
		t = pagehead hex[p] pagetail "\n"
		for (k = 512 * p; k < n && k < 512 * p + 512; k++)
			t = t line[k]
		printf "%s", t >name
	}
	close(name)
}

# The data record of digits d with byte v in column c (none if c < 0).
function record(d, c, v,   t) {
	t = datahead d datatail
	return c < 0 ? t : substr(t, 1, c) chr[v] substr(t, c + 2)
}

function everybyte(   d, all, c, v, m, t, e, one) {
	# Digits of either case; one[k] is 64 copies of one of them, another
	# in the next record, so that a digit test that takes a byte in wrongly
	# while it leaves some digit out still meets a record that it converts
	# wrongly.  Every third record ends in CR LF.
	d = "0123456789ABCDEFabcdef"
	all = d d d d
	for (m = 0; m < 22; m++) {
		t = sprintf("%64s", "")
		gsub(/ /, substr(d, m + 1, 1), t)
		one[m] = t
	}
	# Every byte but LF in each digit column, then every pair of digits.
	m = 0
	for (v = 0; v < 256; v++)
		for (c = 9; v != 10 && c < 73; c++) {
			line[m] = record(one[m % 22], c, v) (m % 3 == 2 ? "\r\n" : "\n")
			m++
		}
	t = ""
	for (c = 0; c < 22 * 22; c++)
		t = t substr(d, int(c / 22) + 1, 1) substr(d, c % 22 + 1, 1)
	for (; t != ""; t = substr(t, 65)) {
		line[m] = record(substr(t all, 1, 64), -1) (m % 3 == 2 ? "\r\n" : "\n")
		m++
	}
	for (; m < 32 * 512; m++)
		line[m] = record(substr(all, m % 22 + 1, 64), -1) (m % 3 == 2 ? "\r\n" : "\n")
	pages("digits.hex", m)
	# Every byte but LF in each ignored column; a CR in column 74 only
	# before CR LF, where it belongs to the record.
	m = 0
	for (c = 0; c < 75; c = c == 8 ? 73 : c + 1)
		for (v = 0; v < 256; v++)
			if (v != 10) {
				e = c == 74 && v == 13 || m % 3 == 2 ? "\r\n" : "\n"
				line[m] = record(one[m % 22], c, v) e
				m++
			}
	for (; m % 512; m++)
		line[m] = record(one[m % 22], -1) "\n"
	pages("ignored.hex", m)
	# What may break a record, each in a dump of its own between two plain
	# records: an LF in any column, a CR before the LF that ends it, and
	# every byte in either column of a CR LF.
	line[0] = record(one[0], -1) "\n"
	line[2] = record(one[2], -1) "\n"
	for (c = 0; c < 75; c++) {
		line[1] = record(one[1], c, 10) "\n"
		pages("lf" c ".hex", 3)
	}
	line[1] = record(one[1], 74, 13) "\n"
	pages("cr74.hex", 3)
	for (v = 0; v < 256; v++) {
		line[1] = record(one[1], -1) chr[v] "\n"
		pages("end75-" v ".hex", 3)
		line[1] = record(one[1], -1) "\r" chr[v]
		pages("end76-" v ".hex", 3)
	}
}
