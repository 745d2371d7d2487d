// The frame both tools run around their conversion: banner, argument check,
// opening the files, and the checked close that decides between "Done" and
// failure.
#ifndef QUORREL_FRAME_H
#define QUORREL_FRAME_H

#include <cstddef>
#include <cstdio>

struct tool {
	const char *title;	// banner title and version
	const char *usage;
	const char *outname;	// always written in the current directory
	const char *inmode;	// fopen modes: raw bytes or text
	const char *outmode;
};

extern const char IOERROR[];

// Prints the banner, then either the usage line (exit 0) or opens both files;
// any failure exits with status -1, before the banner where a console is the
// output file.
void frameopen(const tool *t, int argc, const char *const argv[], FILE **in, FILE **out);

// Whether f is a regular file, whose reads end where the file does; a pipe,
// a FIFO, a terminal or a serial line may keep a read waiting for ever.
bool regularfile(FILE *f);

// Reads up to n bytes, fewer only at end of input; a read error ends the run.
size_t readfull(void *buf, size_t n, FILE *in);

// Closes both files and prints "Done" once every write has been checked, and
// returns 0, the status of a complete run; a failure exits with status -1.
int framedone(FILE *in, FILE *out);

// Flushes standard output first so a merged stream keeps the banner before
// the message, then exits with status -1.
[[noreturn]] void fail(const char *msg);

#endif
