// pagefuse: builds a flat ROM image, "rom.bin", from a dump in the page hex
// layout, writing a page of FILLBYTE for every page the dump skips.
#include "frame.h"
#include "layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Off, every record is read and converted the exact way: a build to compare
// the fast one with.
#ifndef QUORREL_FASTPATH
#define QUORREL_FASTPATH 1
#endif

constexpr size_t LONGEST = DATARECLEN + 2;	// a data record and a CR LF line end
constexpr size_t ENDOFINPUT = static_cast<size_t>(-1);
constexpr size_t UTF16 = ENDOFINPUT - 1;	// not a length: the input is UTF-16
// The most that is asked for at once: a page block's data records, all with
// CR LF line ends.
constexpr size_t INBUFSIZE = PAGERECS * LONGEST;

static const tool PAGEFUSE = {
	"Quorrel Plattor v1.0", "Usage: pagefuse file", "rom.bin",
	// The reader takes LF and CR LF itself, so no runtime may translate them.
	"rb", "wb",
};

// The dump as it arrives.  A pipe, a FIFO or a serial line stays open after
// the dump is over, so from anything but a regular file the reader never
// asks for more than the record due must hold: a run ends with the dump's
// last record, a damaged record is reported as soon as its line is in, and
// a page's tag shows as soon as its page record is.
struct reader {
	FILE *in;
	bool file;		// a regular file, which can't keep a read waiting
	char *buf;		// INBUFSIZE bytes; unread are buf[pos] to buf[len - 1]
	size_t pos, len;
	bool ended;		// the input holds no more
	// For messages: the line that nextline took last, or found missing at
	// the end of the input; after blank lines, the first of them.
	unsigned long lineno;
};

// Makes n unread bytes available, or as many as the input still holds, and
// returns how many there are.
static size_t have(reader *r, size_t n)
{
	size_t avail = r->len - r->pos;

	if (avail >= n || r->ended)
		return avail;
	if (r->pos + n > INBUFSIZE) {
		memmove(r->buf, r->buf + r->pos, avail);
		r->pos = 0;
		r->len = avail;
	}
	size_t got = readfull(r->buf + r->len, n - avail, r->in);
	r->len += got;
	r->ended = got < n - avail;
	return r->len - r->pos;
}

// Takes the next line and returns its length without its line end: LF, CR LF,
// or a CR that ends the input (a lone CR elsewhere belongs to the line).
// *text points at the line until the next read.  It asks for `least` bytes,
// the shortest that a record due there can be, then for one more at a time.
// A line too long to be any record is cut at LONGEST, which no record equals.
static size_t nextline(reader *r, size_t least, const char **text)
{
	size_t span = std::min(have(r, least), LONGEST);
	const char *nl;

	r->lineno++;
	if (span == 0)
		return ENDOFINPUT;
	for (;; span = std::min(have(r, span + 1), LONGEST)) {
		nl = static_cast<const char *>(memchr(r->buf + r->pos, '\n', span));
		if (nl || span == LONGEST || r->ended)
			break;
	}
	const char *p = r->buf + r->pos;
	size_t n = nl ? static_cast<size_t>(nl - p) : span;
	r->pos += nl ? n + 1 : n;
	if (n > 0 && p[n - 1] == '\r')
		n--;
	*text = p;
	return n;
}

// Where a page record is due.  Blank lines with nothing after them are the
// end of input, as an editor or a shell may leave them; a blank line with any
// record after it is an error at its own line, so no page is dropped.
static size_t pageline(reader *r, const char **rec)
{
	size_t n = nextline(r, ENDRECLEN + 1, rec);

	if (n != 0)
		return n;
	unsigned long blank = r->lineno;
	while ((n = nextline(r, 1, rec)) == 0)
		;
	r->lineno = blank;
	return n == ENDOFINPUT ? n : 0;
}

// The layout promises strtol's base-16 rules, odd cases included: leading
// white space, a sign, a "0x" prefix, no digits at all giving 0.
static unsigned char hexpair(const char *p)
{
	const char pair[3] = { p[0], p[1], '\0' };

	return static_cast<unsigned char>(strtol(pair, nullptr, 16));
}

// Says where a record of length due was, and what was there instead: a line
// of length n, or the end of the input.
[[noreturn]] static void dumperror(unsigned long lineno, size_t due, size_t n)
{
	char found[64];
	char msg[160];

	if (n == ENDOFINPUT)
		snprintf(found, sizeof found, "the input ends");
	else if (n == UTF16)
		snprintf(found, sizeof found, "the input is UTF-16 text");
	else if (n == 0)
		snprintf(found, sizeof found, "the line is blank");
	else if (n > DATARECLEN)
		snprintf(found, sizeof found, "the line is longer than any record");
	else
		snprintf(found, sizeof found, "the line has %lu character%s, not %lu",
			 static_cast<unsigned long>(n), n == 1 ? "" : "s", static_cast<unsigned long>(due));
	snprintf(msg, sizeof msg, "Dump Format Error at line %lu: a %s record is due, and %s\n", lineno,
		 due == PAGERECLEN ? "page" : "data", found);
	fail(msg);
}

// A dump saved by a Windows tool may start with a byte-order mark.  A first
// line of a page record's length is a page record all the same, as its
// first columns may hold anything; otherwise UTF-8's mark is passed over, and
// UTF-16's is refused by name.  The first line is taken as nextline takes it,
// then given back.
static void skipmark(reader *r)
{
	size_t n = have(r, 3);
	const unsigned char *p = reinterpret_cast<const unsigned char *>(r->buf);
	bool utf16 = n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF));
	bool utf8 = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
	const char *line;

	if (!utf16 && !utf8)
		return;
	size_t first = nextline(r, ENDRECLEN + 1, &line);
	r->pos = 0;
	r->lineno = 0;
	if (first == PAGERECLEN)
		return;
	if (utf16)
		dumperror(1, PAGERECLEN, UTF16);
	r->pos = 3;
}

#if QUORREL_FASTPATH
// Whether the 75 columns at rec are plainly a data record: no LF before its
// line end, and 64 hex digits of either case, which go to dst as 32 bytes.
#if defined(__GNUC__) && (defined(__SSE2__) || defined(__ARM_NEON) || (defined(__ALTIVEC__) && !defined(__clang__)))
// Sixteen bytes at once in GNU C's vector extensions, which g++ and clang
// make into the machine's vector instructions whatever their cost models
// think of a loop.  Lane i is byte i in memory on every machine.  Of a hex
// digit's values as a digit and as a letter, the other one wraps above 15,
// so the smaller is its value.
typedef unsigned char lanes __attribute__((vector_size(16)));
typedef uint64_t halves __attribute__((vector_size(16)));

static bool plainrecord(const char *rec, unsigned char *dst)
{
	constexpr lanes COLUMN = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
	lanes c;
	memcpy(&c, rec, sizeof c);
	lanes ok = (c != '\n') | (COLUMN >= DATACOL);

	// Each 32 digits make one lanes' worth of bytes.
	for (size_t h = 0; h < RECBYTES / sizeof(lanes); h++) {
		lanes value[2];
		for (size_t v = 0; v < 2; v++) {
			memcpy(&c, rec + DATACOL + (2 * h + v) * sizeof c, sizeof c);
			lanes digit = c - '0';
			lanes letter = (c | 0x20) - 'a';
			ok &= (digit < 10) | (letter < 6);
			lanes asletter = letter + 10;
			value[v] = digit < asletter ? digit : asletter;
		}
		// High digits from the even lanes, low ones from the odd.
		lanes high = __builtin_shufflevector(value[0], value[1], 0, 2, 4, 6, 8, 10, 12, 14, 16,
						     18, 20, 22, 24, 26, 28, 30);
		lanes low = __builtin_shufflevector(value[0], value[1], 1, 3, 5, 7, 9, 11, 13, 15, 17, 19,
						    21, 23, 25, 27, 29, 31);
		lanes bytes = high << 4 | low;
		memcpy(dst + h * sizeof(lanes), &bytes, sizeof bytes);
	}
	halves all = reinterpret_cast<halves>(ok);
	return (all[0] & all[1]) == ~uint64_t(0) && rec[CHECKCOL] != '\n' && rec[CHECKCOL + 1] != '\n';
}
#else
// Without vector instructions the vectors above would be taken apart byte by
// byte, every comparison on its own: a plain loop does better there.  It
// serves clang under AltiVec too, where a comparison of vectors is AltiVec's
// vector bool, or in clang's coming source mode a scalar.
static unsigned hexdigit(unsigned char c)	// 16 for a byte that is none
{
	unsigned digit = static_cast<unsigned char>(c - '0');
	unsigned letter = static_cast<unsigned char>((c | 0x20) - 'a');

	if (digit < 10)
		return digit;
	return letter < 6 ? letter + 10 : 16;
}

static bool plainrecord(const char *rec, unsigned char *dst)
{
	const unsigned char *p = reinterpret_cast<const unsigned char *>(rec);

	for (size_t i = 0; i < DATACOL; i++)
		if (p[i] == '\n')
			return false;
	for (size_t i = 0; i < RECBYTES; i++) {
		unsigned high = hexdigit(p[DATACOL + 2 * i]);
		unsigned low = hexdigit(p[DATACOL + 2 * i + 1]);
		if ((high | low) > 15)
			return false;
		dst[i] = static_cast<unsigned char>(high << 4 | low);
	}
	return p[CHECKCOL] != '\n' && p[CHECKCOL + 1] != '\n';
}
#endif

// Takes, of the left records due, those whose columns show plainly that
// they are data records and whose line ends stand right after them: an LF
// (not after a CR, which would end the line a column early) or a CR LF.
// Returns how many it took; nextline decides the next one.  An input that
// may stay open is asked for no more than nextline would ask: a record and
// an LF, and a byte more only where no LF came.  A regular file is asked
// for all the records due at once, each at its longest.
static size_t wholerecords(reader *r, size_t left, unsigned char *dst)
{
	size_t k = 0;

	for (; k < left; k++, dst += RECBYTES) {
		if (r->len - r->pos < LONGEST)
			have(r, r->file ? (left - k) * LONGEST : DATARECLEN + 1);
		const char *p = r->buf + r->pos;
		if (r->len - r->pos < DATARECLEN + 1 || !plainrecord(p, dst))
			break;
		size_t n = DATARECLEN + 1;
		if (p[DATARECLEN] == '\r') {
			n = LONGEST;
			if (have(r, n) < n || r->buf[r->pos + n - 1] != '\n')
				break;
		} else if (p[DATARECLEN] != '\n' || p[DATARECLEN - 1] == '\r') {
			break;
		}
		r->pos += n;
	}
	r->lineno += k;
	return k;
}
#endif

// Reads the data records of a page block into page.  nextline is the one
// definition of a line; the fast path takes only records that it would take
// alike, and converts them without strtol.
static void readpage(reader *r, unsigned char *page)
{
	for (size_t k = 0; k < PAGERECS; k++) {
#if QUORREL_FASTPATH
		k += wholerecords(r, PAGERECS - k, page + k * RECBYTES);
		if (k == PAGERECS)
			break;
#endif
		const char *rec;
		size_t n = nextline(r, DATARECLEN + 1, &rec);
		if (n != DATARECLEN)
			dumperror(r->lineno, DATARECLEN, n);
		for (size_t i = 0; i < RECBYTES; i++)
			page[k * RECBYTES + i] = hexpair(rec + DATACOL + 2 * i);
	}
}

static void updatedisp(int pagenum)
{
	printf("[0x%02X]", pagenum);
	fflush(stdout);
	if (pagenum % TAGSPERLINE == TAGSPERLINE - 1)
		putchar('\n');
}

// Writes the pages the dump skips, up to page upto.  page serves as the fill
// page: the data that follow overwrite all of it.
static void fillto(FILE *out, unsigned char *page, int *next, int upto)
{
	if (*next < upto)
		memset(page, FILLBYTE, PAGESIZE);
	for (; *next < upto; ++*next) {
		updatedisp(*next);
		fwrite(page, 1, PAGESIZE, out);
	}
}

static void convert(FILE *in, FILE *out)
{
	char inbuf[INBUFSIZE];
	unsigned char page[PAGESIZE];
	reader r = { in, regularfile(in), inbuf, 0, 0, false, 0 };
	const char *rec;
	int next = 0;	// an int, so that a page named 0xFF cannot wrap it to 0

	// One write a page; a failed one still shows when the frame closes.
	setvbuf(out, nullptr, _IONBF, 0);
	puts("Writing ROM pages:");
	skipmark(&r);
	while (next < PAGECOUNT) {
		size_t n = pageline(&r, &rec);
		if (next > 0 && (n == ENDOFINPUT || n == ENDRECLEN)) {
			// A dump may stop after its last page; the image is made whole.
			fillto(out, page, &next, PAGECOUNT);
			return;
		}
		if (n != PAGERECLEN)
			dumperror(r.lineno, PAGERECLEN, n);
		fillto(out, page, &next, hexpair(rec + PAGENUMCOL));
		updatedisp(next);
		readpage(&r, page);
		fwrite(page, 1, PAGESIZE, out);
		next++;
	}
}

int main(int argc, char *argv[])
{
	FILE *in;
	FILE *out;

	frameopen(&PAGEFUSE, argc, argv, &in, &out);
	convert(in, out);
	return framedone(in, out);
}
