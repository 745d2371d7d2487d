// pagefuse: builds a flat ROM image, "rom.bin", from a dump in the page hex
// layout, writing a page of FILLBYTE for every page the dump skips.
#include "frame.h"
#include "layout.h"

#include <cstdlib>
#include <cstring>

constexpr size_t INBUFSIZE = 1 << 16;
constexpr size_t LONGEST = DATARECLEN + 2;	// a data record and a CR LF line end
constexpr size_t ENDOFINPUT = static_cast<size_t>(-1);

static const tool PAGEFUSE = {
	"Quorrel Plattor v1.0", "Usage: pagefuse file", "rom.bin",
	// The reader takes LF and CR LF itself, so no runtime may translate them.
	"rb", "wb",
};

static char inbuf[INBUFSIZE];
static size_t inpos, inlen;
static bool inend;
static unsigned long lineno;
static unsigned char page[PAGESIZE];
static unsigned char blank[PAGESIZE];

// Returns the length of the next line without its line end and points *text
// at it; the text stays valid until the next call.  A line too long to be a
// record is cut at LONGEST, which no record length equals.
static size_t nextline(FILE *in, const char **text)
{
	lineno++;
	if (inlen - inpos < LONGEST && !inend) {
		memmove(inbuf, inbuf + inpos, inlen - inpos);
		inlen -= inpos;
		inpos = 0;
		size_t want = sizeof inbuf - inlen;
		size_t got = readfull(inbuf + inlen, want, in);
		inlen += got;
		inend = got < want;
	}
	size_t avail = inlen - inpos;
	if (avail == 0)
		return ENDOFINPUT;
	const char *p = inbuf + inpos;
	size_t scan = avail < LONGEST ? avail : LONGEST;
	const char *nl = static_cast<const char *>(memchr(p, '\n', scan));
	size_t n = nl ? static_cast<size_t>(nl - p) : scan;
	inpos += nl ? n + 1 : scan;
	if (nl && n > 0 && p[n - 1] == '\r')
		n--;
	*text = p;
	return n;
}

// The layout promises strtol's base-16 rules, odd cases included: leading
// white space, a sign, a "0x" prefix, no digits at all giving 0.
static unsigned char hexpair(const char *p)
{
	char pair[3] = { p[0], p[1], '\0' };

	return static_cast<unsigned char>(strtol(pair, nullptr, 16));
}

// Nearly every record is 64 plain hex digits; those convert without strtol,
// in a loop the compiler can vectorise.  Any other character sends the whole
// record down the exact path.
static void convertrecord(const char *rec, unsigned char *dst)
{
	const unsigned char *p = reinterpret_cast<const unsigned char *>(rec + DATACOL);
	unsigned char val[2 * RECBYTES];
	unsigned char bad = 0;

	for (size_t i = 0; i < 2 * RECBYTES; i++) {
		unsigned char digit = static_cast<unsigned char>(p[i] - '0');
		unsigned char letter = static_cast<unsigned char>((p[i] | 0x20) - 'a');
		bad |= (digit > 9) & (letter > 5);
		val[i] = digit <= 9 ? digit : static_cast<unsigned char>(letter + 10);
	}
	if (bad)
		for (size_t i = 0; i < RECBYTES; i++)
			dst[i] = hexpair(rec + DATACOL + 2 * i);
	else
		for (size_t i = 0; i < RECBYTES; i++)
			dst[i] = static_cast<unsigned char>(val[2 * i] << 4 | val[2 * i + 1]);
}

static void updatedisp(int pagenum)
{
	printf("[0x%02X]", pagenum);
	fflush(stdout);
	if (pagenum % TAGSPERLINE == TAGSPERLINE - 1)
		putchar('\n');
}

static void fillto(FILE *out, int *next, int upto)
{
	for (; *next < upto; ++*next) {
		updatedisp(*next);
		fwrite(blank, 1, PAGESIZE, out);
	}
}

[[noreturn]] static void dumperror()
{
	char msg[64];

	snprintf(msg, sizeof msg, "Dump Format Error at line %lu\n", lineno);
	fail(msg);
}

static void convert(FILE *in, FILE *out)
{
	const char *rec;
	int next = 0;	// an int, so that a page named 0xFF cannot wrap it to 0

	puts("Writing ROM pages:");
	memset(blank, FILLBYTE, sizeof blank);
	while (next < PAGECOUNT) {
		size_t n = nextline(in, &rec);
		if (next > 0 && (n == ENDOFINPUT || n == ENDRECLEN)) {
			// A dump may stop after its last page; the image is made whole.
			fillto(out, &next, PAGECOUNT);
			return;
		}
		if (n != PAGERECLEN)
			dumperror();
		fillto(out, &next, hexpair(rec + PAGENUMCOL));
		updatedisp(next);
		for (size_t k = 0; k < PAGERECS; k++) {
			if (nextline(in, &rec) != DATARECLEN)
				dumperror();
			convertrecord(rec, page + k * RECBYTES);
		}
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
