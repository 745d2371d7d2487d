// What strtol makes of hex pairs, for the test row that holds pagefuse to
// it.  It reads the file IN as pairs of bytes and writes to OUT, for each
// pair, the low 8 bits of strtol's value for it in base 16.  It is built as
// the tools are, so that it asks the C library that they use.
//   strtolpairs IN OUT
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
	FILE *in = argc == 3 ? fopen(argv[1], "rb") : nullptr;
	FILE *out = in ? fopen(argv[2], "wb") : nullptr;
	char pair[3] = {};

	while (out && fread(pair, 1, 2, in) == 2)
		putc(static_cast<unsigned char>(strtol(pair, nullptr, 16)), out);
	return !out || ferror(in) || fclose(out) != 0;
}
