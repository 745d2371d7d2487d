// pagefuse: builds a flat ROM image, "rom.bin", from a dump in the page hex
// layout, writing a page of FILLBYTE for every page the dump skips.
#include "frame.h"
#include "layout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

constexpr size_t LONGEST = DATARECLEN + 2;	// a data record and a CR LF line end
constexpr size_t ENDOFINPUT = static_cast<size_t>(-1);
constexpr size_t UTF16 = ENDOFINPUT - 1;	// a stand-in length for UTF-16 text
// Room for a page block's data records, all with CR LF line ends.
constexpr size_t INBUFSIZE = PAGERECS * LONGEST;
constexpr int TAGSPERLINE = 8;	// progress tags on a line of the console

static const tool PAGEFUSE = {
	"Quorrel Plattor v1.0", "Usage: pagefuse file", "rom.bin",
	// The reader takes LF and CR LF line ends itself, so the input is read
	// as raw bytes, which no runtime translates.
	"rb", "wb",
};

// The dump as it arrives.  A pipe, a FIFO, a terminal or a serial line can
// stay open after the dump is over, and a read from it then waits.  So the
// reader asks such an input for no more than the record due must hold: the
// run ends with the dump's last record, a damaged record is reported as
// soon as its line is in, and a page's tag shows as soon as its page record
// arrives.  A regular file can't keep a read waiting, and is read a buffer
// at a time.
struct reader {
	FILE *in;
	bool file;		// the input is a regular file
	char *buf;		// INBUFSIZE bytes; the unread ones are buf[pos] to buf[len - 1]
	size_t pos, len;
	bool ended;		// the input holds no more
	// The number of the line that nextline took last, or found missing at
	// the end of the input, for messages.  After blank lines it is the
	// first blank line's.
	unsigned long lineno;
};

// Makes at least n unread bytes available, or as many as the input still
// holds, and returns how many there are.
static size_t have(reader *r, size_t n)
{
	size_t avail = r->len - r->pos;

	if (avail >= n || r->ended)
		return avail;
	memmove(r->buf, r->buf + r->pos, avail);
	r->pos = 0;
	size_t ask = r->file ? INBUFSIZE - avail : n - avail;
	size_t got = readorfail(r->buf + avail, ask, r->in);
	r->len = avail + got;
	r->ended = got < ask;
	return r->len;
}

// Takes the next line and returns its length without its line end, which is
// an LF, a CR LF, or a CR at the very end of the input; a CR anywhere else
// is part of the line.  *text points at the line until the next read.
// least is the length of the shortest record that can stand here: that
// many bytes are asked for first, then one more at a time until the line
// ends.  A line is never taken longer than LONGEST, which is longer than
// any record, so that a runaway line is reported without waiting for it.
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
// end of the input, as an editor or a shell may leave them.  A blank line
// with any record after it is an error at the blank line, so that no page
// is silently dropped.
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

// The layout reads a hex pair by strtol's base-16 rules, odd cases included:
// leading white space, a sign and a "0x" prefix are taken, and no digits at
// all give 0.
static unsigned char hexpair(const char *p)
{
	const char pair[3] = { p[0], p[1], '\0' };

	return static_cast<unsigned char>(strtol(pair, nullptr, 16));
}

// Reports where a record of length due was expected, and what stood there
// instead: a line of length n, or the end of the input.
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

// A dump saved by a Windows tool may start with a byte-order mark.  If the
// first line is as long as a page record, it is taken as one anyway, since
// its first columns may hold anything.  Otherwise a UTF-8 mark is skipped,
// and a UTF-16 mark is refused with a message that names it.  The first line
// is read only to learn its length, and then read again as the first record.
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

// Turns the 64 digit columns of a data record into its 32 bytes, and returns
// whether every column holds a hex digit; if one does not, the bytes are of
// no use.  A column c is worth c - '0' as a digit, and (c | 0x20) - 'a' + 10
// as a letter of either case.  For a hex digit, the reading that does not
// apply wraps around to a number above 15, so the smaller one is its value.
// The loops have no branch and work on bytes alone, in an array of their
// own, so that compilers convert many bytes at a time.
static bool hexdigits(const unsigned char *digits, unsigned char *bytes)
{
	unsigned char nibble[2 * RECBYTES];
	unsigned char odd = 0;

	for (size_t i = 0; i < 2 * RECBYTES; i++) {
		unsigned char digit = static_cast<unsigned char>(digits[i] - '0');
		unsigned char letter = static_cast<unsigned char>((digits[i] | 0x20) - 'a');
		unsigned char asletter = static_cast<unsigned char>(letter + 10);
		odd |= (digit >= 10) & (letter >= 6);
		nibble[i] = digit < asletter ? digit : asletter;
	}
	for (size_t i = 0; i < RECBYTES; i++)
		bytes[i] = static_cast<unsigned char>(nibble[2 * i] << 4 | nibble[2 * i + 1]);
	return !odd;
}

// Reads the data records of a page block into page.  A record whose pairs
// are all two hex digits, as nearly all are, is converted by hexdigits.  Any
// other is read again pair by pair with hexpair, whose strtol gives the
// layout's value for every pair.
static void readpage(reader *r, unsigned char *page)
{
	for (size_t k = 0; k < PAGERECS; k++) {
		const char *rec;
		size_t n = nextline(r, DATARECLEN + 1, &rec);
		if (n != DATARECLEN)
			dumperror(r->lineno, DATARECLEN, n);
		unsigned char *bytes = page + k * RECBYTES;
		if (!hexdigits(reinterpret_cast<const unsigned char *>(rec + DATACOL), bytes))
			for (size_t i = 0; i < RECBYTES; i++)
				bytes[i] = hexpair(rec + DATACOL + 2 * i);
	}
}

static void updatedisp(int pagenum)
{
	printf("[0x%02X]", pagenum);
	fflush(stdout);
	if (pagenum % TAGSPERLINE == TAGSPERLINE - 1)
		putchar('\n');
}

// Writes the pages that the dump skips, up to page upto.  The page buffer
// serves as the fill page, since the data that follow overwrite all of it.
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

	// Every write to the output is a whole page, so it needs no buffer.  A
	// write that fails is still seen when the frame closes the file.
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
