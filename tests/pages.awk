# Writes ROM pages and their page blocks, for the test rows, the benchmark and
# the fuzzer's seeds: the one writer of the layout outside the programs.
# Run it as sh pages.sh WHAT ARGS..., which runs it on bytes:
#   data SEED...               the bytes of the pages
#   blocks [STYLE...] PAGE...  page blocks of them
#   text SET                   the digit columns of SET's records, one after
#                              another, filled up to a whole page with the
#                              digit 0
#   dump [STYLE...] SET        page blocks of that text, from page 0 on
#   app [crlf]                 the app file that stampel writes of the digit
#                              text on standard input, one line
# A SEED N is the page whose byte i is 31N + 7i + i/256, modulo 256, so that
# it holds every value; A-B is the seeds A to B.  A PAGE is a SEED, whose
# block names page N, or P:N, the block of page P with the data of seed N.
# STYLEs: crlf line ends; lower-case digits; junk, odd bytes in every
# ignored column (only with crlf: one of them is a CR); ignoredbytes, every
# byte but LF in every ignored column of a data record in turn (in columns 0
# to 8, 73 and 74), but not the CR that would end a line early before LF.
# A SET is pairs, every pair of two bytes but LF, in order; or columns, each
# byte but LF in each digit column of a record of hex digits of either case.
BEGIN {
	for (i = 0; i < 256; i++)
		chr[i] = sprintf("%c", i)
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
		} else if (ARGV[a] == "ignoredbytes")
			ignoredbytes = 1
		else
			want[++n] = ARGV[a]
		ARGV[a] = ""
	}
	ARGV[1] = ""
	for (v = 0; v < 256; v++)
		out[v] = what == "data" ? chr[v] : substr(digits, int(v / 16) + 1, 1) substr(digits, v % 16 + 1, 1)
	if (what == "app") {
		datahead = ":XXXXXXXX"; datatail = "XX"
		getline t
		block(":XXXXXXXX____XX", t)
		printf ":XXXXXXXX__"
	}
	if (what == "text" || what == "dump")
		t = digittext(want[1])
	if (what == "text")
		printf "%s", t
	for (p = 0; what == "dump" && 64 * 512 * p < length(t); p++)
		block(pagehead out[p] pagetail, substr(t, 1 + 64 * 512 * p, 64 * 512))
	for (s = 1; s <= n && (what == "data" || what == "blocks"); s++) {
		page = split(want[s], pd, ":") == 2 ? pd[1] : -1
		seed = page >= 0 ? pd[2] : want[s]
		if (split(seed, r, "-") == 2)
			for (seed = r[1]; seed <= r[2]; seed++)
				emit(seed, seed)
		else
			emit(page >= 0 ? page : seed, seed)
	}
}

# The bytes of the page of seed, or its page block as page.
function emit(page, seed,   i, k, r, t) {
	for (k = 0; k < 16384; k += 32) {
		r = ""
		for (i = k; i < k + 32; i++)
			r = r out[(31 * seed + 7 * i + int(i / 256)) % 256]
		t = t r
	}
	if (what == "data")
		printf "%s", t
	else
		block(pagehead out[page % 256] pagetail, t)
}

# A page block: the page record pagerec, then 512 data records whose digit
# columns hold the text in turn.
function block(pagerec, text,   t, k, rec) {
	t = pagerec eol
	for (k = 0; k < 512; k++) {
		rec = datahead substr(text, 1 + 64 * k, 64) datatail
		t = t (ignoredbytes ? ignored(rec) : rec) eol
	}
	printf "%s", t
}

# The data record rec, with the next byte in the next ignored column.
function ignored(rec,   c, v) {
	c = int(m / 255) % 11
	c = c < 9 ? c : c + 64
	v = m++ % 255
	v = v < 10 ? v : v + 1
	return c == 74 && v == 13 && eol == "\n" ? rec : substr(rec, 1, c) chr[v] substr(rec, c + 2)
}

# The digit text of set, filled up to a whole page.
function digittext(set,   a, b, c, v, d, r, t, k) {
	d = "0123456789ABCDEFabcdef"
	d = d d d d
	for (a = 0; a < 256; a++) {
		r = ""
		for (b = 0; set == "pairs" && a != 10 && b < 256; b++)
			if (b != 10)
				r = r chr[a] chr[b]
		# Column a, in records whose digits start at each place of d in turn.
		for (v = 0; set == "columns" && a < 64 && v < 256; v++)
			if (v != 10) {
				c = substr(d, k++ % 22 + 1, 64)
				r = r substr(c, 1, a) chr[v] substr(c, a + 2)
			}
		t = t r
	}
	r = sprintf("%" (64 * 512 - length(t) % (64 * 512)) % (64 * 512) "s", "")
	gsub(/ /, "0", r)
	return t r
}
