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

// The app file is built whole in the work buffer, after the page, and
// written at once; a text stream gives it the platform's line ends.
constexpr size_t APPLEN = PAGERECLEN + 1 + PAGERECS * (DATARECLEN + 1) + ENDRECLEN;

static void convert(FILE *in, FILE *out)
{
	unsigned char *page = static_cast<unsigned char *>(malloc(PAGESIZE + APPLEN));

	if (!page)
		fail("Insufficient Memory\n");
	fputs("'Signing' App... ", stdout);
	fflush(stdout);
	// Input shorter than a page is padded as though each missing byte read
	// as end of input, whose low 8 bits are FILLBYTE; a longer one is cut.
	size_t got = readfull(page, PAGESIZE, in);
	memset(page + got, FILLBYTE, PAGESIZE - got);

	char *text = reinterpret_cast<char *>(page + PAGESIZE);
	char *t = text;
	memcpy(t, PAGEREC "\n", PAGERECLEN + 1);
	t += PAGERECLEN + 1;
	for (size_t k = 0; k < PAGERECS; k++) {
		const unsigned char *b = page + k * RECBYTES;
		memcpy(t, DATAHEAD, DATACOL);
		for (size_t i = 0; i < RECBYTES; i++) {
			unsigned char hi = b[i] >> 4;
			unsigned char lo = b[i] & 0xF;
			t[DATACOL + 2 * i] = static_cast<char>(hi + (hi > 9 ? 'A' - 10 : '0'));
			t[DATACOL + 2 * i + 1] = static_cast<char>(lo + (lo > 9 ? 'A' - 10 : '0'));
		}
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
