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

// Prints the banner, then either prints the usage line and exits with
// status 0, or opens both files.  A failure exits with status -1, before
// the banner if a console is the output file.
void frameopen(const tool *t, int argc, const char *const argv[], FILE **in, FILE **out);

// Whether f is a regular file, whose reads never wait.  A read from a pipe,
// a FIFO, a terminal or a serial line waits until the other side writes.
bool regularfile(FILE *f);

// Reads n bytes, fewer only at the end of the input, with one call to fread;
// a read error ends the run with status -1.
size_t readorfail(void *buf, size_t n, FILE *in);

// Closes both files, checks every write, prints "Done" and returns 0, the
// status of a complete run; a failure exits with status -1.
int framedone(FILE *in, FILE *out);

// Writes msg to standard error and exits with status -1.  Standard output
// is flushed first, so that where both streams go to one place the banner
// comes before the message.
[[noreturn]] void fail(const char *msg);

#endif
