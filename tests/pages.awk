# Writes ROM pages and their page blocks, for the test rows, the benchmark and
# the fuzzer's seeds: the one writer of the layout outside the programs.
# Run it as LC_ALL=C awk -f pages.awk WHAT ARGS..., so that it writes bytes:
#   data PAGE...               the bytes of the pages
#   blocks [STYLE...] PAGE...  page blocks of them
#   everybyte                  dumps, as files *.hex in the current folder,
#                              in which every byte value stands in every
#                              column of a data record of one hex digit, the
#                              line end's included: those that leave it a
#                              record in every1.hex and every2.hex, with every
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
		printf ":XXXXXXXX__" >"/dev/stdout"
}

function emit(page, data,   i, k, t) {
	fill(data)
	for (k = 0; k < 512; k++) {
		t = ""
		for (i = 32 * k; i < 32 * k + 32; i++)
			t = t out[b[i]]
		line[k] = what == "data" ? t : datahead t datatail eol
	}
	if (what == "data")
		for (k = 0; k < 512; k++)
			printf "%s", line[k]
	else
		block(app ? ":XXXXXXXX____XX" : pagehead hex[page % 256] pagetail, 0, 512, "/dev/stdout")
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

# A page block into the file to: pagerec, then line[k] on, to the 512th
# record or line[last - 1], their line ends in them.
function block(pagerec, k, last, to,   t, end) {
	t = pagerec eol
	for (end = k + 512; k < last && k < end; k++)
		t = t line[k]
	printf "%s", t >to
}

# The page blocks of line[first] to line[last - 1] as a dump, to, of pages
# from 0 on.
function dump(to, first, last,   p) {
	for (p = 0; first + 512 * p < last; p++)
		block(pagehead hex[p] pagetail, first + 512 * p, last, to)
	close(to)
}

# The data record of digits d with byte v in column c (none if c < 0).
function record(d, c, v,   t) {
	t = datahead d datatail
	return c < 0 ? t : substr(t, 1, c) chr[v] substr(t, c + 2)
}

function everybyte(   d, c, v, m, t, one) {
	# Digits of either case; one[k] is 64 copies of one of them, another
	# in the next record, so that a digit test that takes a byte in wrongly
	# while it leaves some digit out still meets a record that it converts
	# wrongly.
	d = "0123456789ABCDEFabcdef"
	for (m = 0; m < 22; m++) {
		t = sprintf("%64s", "")
		gsub(/ /, substr(d, m + 1, 1), t)
		one[m] = t
	}
	# Every byte but LF in each column, every third record ending in CR LF,
	# and so does one with a CR in column 74, where it belongs to the record
	# only before CR LF; then every pair of digits, in two dumps.
	m = 0
	for (c = 0; c < 75; c++)
		for (v = 0; v < 256; v++)
			if (v != 10) {
				line[m] = record(one[m % 22], c, v) (c == 74 && v == 13 || m % 3 == 2 ? "\r\n" : "\n")
				m++
			}
	t = ""
	for (c = 0; c < 22 * 22; c++)
		t = t substr(d, int(c / 22) + 1, 1) substr(d, c % 22 + 1, 1)
	for (; t != "" || m % 512; t = substr(t, 65))
		line[m++] = record(substr(t d d d, 1, 64), -1) "\n"
	dump("every1.hex", 0, 32 * 512)
	dump("every2.hex", 32 * 512, m)
	# What may break a record, each in a dump of its own between two plain
	# records: an LF in any column, a CR before the LF that ends it, and
	# every byte in either column of a CR LF.
	line[0] = record(one[0], -1) "\n"
	line[2] = record(one[2], -1) "\n"
	for (c = 0; c < 75; c++)
		broken("lf" c ".hex", record(one[1], c, 10) "\n")
	broken("cr74.hex", record(one[1], 74, 13) "\n")
	for (v = 0; v < 256; v++) {
		broken("end75-" v ".hex", record(one[1], -1) chr[v] "\n")
		broken("end76-" v ".hex", record(one[1], -1) "\r" chr[v])
	}
}

# The dump to of line[0], then text where line[1] stood, then line[2].
function broken(to, text) {
	line[1] = text
	dump(to, 0, 3)
}
