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

static void convert(FILE *in, FILE *out)
{
	static const char digits[] = "0123456789ABCDEF";
	char rec[DATARECLEN + 1];
	unsigned char *page = static_cast<unsigned char *>(malloc(PAGESIZE));

	if (!page)
		fail("Insufficient Memory\n");
	fputs("'Signing' App... ", stdout);
	fflush(stdout);
	// Input shorter than a page is padded as though each missing byte read
	// as end of input, whose low 8 bits are FILLBYTE; a longer one is cut.
	size_t got = readfull(page, PAGESIZE, in);
	memset(page + got, FILLBYTE, PAGESIZE - got);

	fputs(PAGEREC "\n", out);
	memcpy(rec, DATAHEAD, DATACOL);
	memcpy(rec + CHECKCOL, DATATAIL, DATARECLEN - CHECKCOL);
	rec[DATARECLEN] = '\n';
	for (size_t k = 0; k < PAGERECS; k++) {
		const unsigned char *b = page + k * RECBYTES;
		for (size_t i = 0; i < RECBYTES; i++) {
			rec[DATACOL + 2 * i] = digits[b[i] >> 4];
			rec[DATACOL + 2 * i + 1] = digits[b[i] & 0xF];
		}
		fwrite(rec, 1, sizeof rec, out);
	}
	fputs(ENDREC, out);
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
