// The floor of pagefuse's job, for the benchmark: the same banner, tags and
// "Done" on the console, the dump read a page block at a time, and a
// 32-page image written a page at a time, with nothing converted.  What
// pagefuse takes beyond it is what reading the layout costs.
#include <cstdio>

int main(int argc, char *argv[])
{
	static char block[16 + 512 * 76];
	static unsigned char page[16384];
	FILE *in = argc == 2 ? fopen(argv[1], "rb") : nullptr;
	FILE *out = fopen("rom.bin", "wb");

	if (!in || !out)
		return 1;
	setvbuf(out, nullptr, _IONBF, 0);
	puts("Quorrel Plattor v1.0 - written by the Quorrel authors");
	puts("THIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY");
	puts("PLEASE READ THE DOCUMENTATION FOR DETAILS");
	puts("Writing ROM pages:");
	for (int p = 0; p < 32; p++) {
		printf("[0x%02X]", p);
		fflush(stdout);
		if (p % 8 == 7)
			putchar('\n');
		if (fread(block, 1, sizeof block, in) != sizeof block)
			return 1;
		fwrite(page, 1, sizeof page, out);
	}
	puts("Done");
	return fclose(out) != 0 || fclose(in) != 0 || fflush(stdout) != 0;
}
