// stampel: writes a raw application page as "hex.app", one page block of the
// page hex layout with placeholders in every field the signing step fills in.
#include "frame.h"
#include "layout.h"

#include <cstdlib>
#include <cstring>

static const tool STAMPEL = {
	"Quorrel Stampel v0.9 Beta", "Usage: stampel file", "hex.app",
	// Raw bytes in; a text stream out, so line ends are the platform's own.
	"rb", "w",
};

// The app file is built whole in a fixed buffer and written at once; the
// text stream gives it the platform's line ends.
constexpr size_t APPLEN = PAGERECLEN + 1 + PAGERECS * (DATARECLEN + 1) + ENDRECLEN;

// Writes the 32 bytes at b as 64 upper-case hex digits.  The nibbles go
// through an array of their own, which compilers know overlaps nothing, so
// that they convert many bytes at a time.
static void hexdigits(const unsigned char *b, char *t)
{
	unsigned char nibbles[2 * RECBYTES];

	for (size_t i = 0; i < RECBYTES; i++) {
		nibbles[2 * i] = b[i] >> 4;
		nibbles[2 * i + 1] = b[i] & 0xF;
	}
	for (size_t i = 0; i < 2 * RECBYTES; i++)
		t[i] = static_cast<char>(nibbles[i] + (nibbles[i] > 9 ? 'A' - 10 : '0'));
}

static void convert(FILE *in, FILE *out)
{
	static char text[APPLEN];
	// The work buffer holds the page.
	unsigned char *page = static_cast<unsigned char *>(malloc(PAGESIZE));

	if (!page)
		fail("Insufficient Memory\n");
	fputs("'Signing' App... ", stdout);
	fflush(stdout);
	// An input shorter than a page is padded with FILLBYTE, the low 8 bits
	// of the end-of-input value that a read past its end would give.  Bytes
	// after the first page are not read.
	size_t got = readorfail(page, PAGESIZE, in);
	memset(page + got, FILLBYTE, PAGESIZE - got);

	char *t = text;
	memcpy(t, PAGEREC "\n", PAGERECLEN + 1);
	t += PAGERECLEN + 1;
	for (size_t k = 0; k < PAGERECS; k++) {
		const unsigned char *b = page + k * RECBYTES;
		memcpy(t, DATAHEAD, DATACOL);
		hexdigits(b, t + DATACOL);
		memcpy(t + CHECKCOL, DATATAIL "\n", DATARECLEN - CHECKCOL + 1);
		t += DATARECLEN + 1;
	}
	memcpy(t, ENDREC, ENDRECLEN);
	fwrite(text, 1, APPLEN, out);
	free(page);
}

int main(int argc, char *argv[])
{
	FILE *in;
	FILE *out;

	frameopen(&STAMPEL, argc, argv, &in, &out);
	convert(in, out);
	return framedone(in, out);
}
