// Runs a built program as a user would: in a scratch folder of its own, with
// standard output, standard error, the exit status and the file it writes
// captured.  Each test file is a table of Case rows.
#ifndef QUORREL_TESTS_RUN_H
#define QUORREL_TESTS_RUN_H

#include <ostream>
#include <string>

#include <gtest/gtest.h>

struct Program {
	const char *name;
	const char *path;
	const char *title;	// start of its banner
	const char *outname;	// the file it writes; $OUT in a row's shell words
};
extern const Program PAGEFUSE, STAMPEL;

// Windows programs (run under Wine here) differ in a few expectations: the
// runtime expands wildcards, text files end lines with CR LF, and a
// directory does not open as a file.
const bool WINDOWS = ON_WINDOWS;

struct Case {
	const char *name;
	const char *setup;	// shell commands run in the scratch folder first;
				// $RUN "$STAMPEL" starts stampel, likewise pagefuse
	const char *args;	// a shell word list, after the program's own
				// redirections: "2>&1" merges the streams;
				// the input is the file "in"
	std::string input;
	std::string out;	// standard output after the banner, or NOCONSOLE
	std::string err;
	int status;
	std::string file;	// the output file afterwards, or NOFILE / ANYFILE
};
void PrintTo(const Case &c, std::ostream *os);
std::string casename(const testing::TestParamInfo<Case> &c);

// Constants, not strings: the tables copy them during static initialisation,
// whose order across files is not defined.
constexpr char NOFILE[] = "\x01no file";	// the output file must not exist
constexpr char ANYFILE[] = "\x01any file";	// the output file is not checked
constexpr char NOCONSOLE[] = "\x01no console";	// standard output was sent elsewhere
// Standard output as a whole, with no banner before it: the text after this.
constexpr char WHOLECONSOLE[] = "\x01whole console:";

// Setups that hand the input to the program through a FIFO that the program
// itself holds open for writing, as a dumper or a serial line would: it
// never ends.  Under HELDOPEN a run that waits for more than the input must
// hold is killed; under STUCK the run is killed after 2 s, and its console
// shows what it showed as the input arrived.
constexpr char HELDOPEN[] =
	"mkfifo p && exec 3<>p && timeout 10 cat in >&3 && RUN=\"timeout 10 $RUN\"";
constexpr char STUCK[] =
	"mkfifo p && exec 3<>p && timeout 10 cat in >&3 && RUN=\"timeout 2 $RUN\"";
constexpr int KILLED = 124;	// timeout's status

// Runs the row and checks everything it expects.
void check(const Program &p, const Case &c);

struct Outcome {
	std::string out, err;
	int status;
	bool made;		// the output file exists as a regular file
	std::string file;	// and holds these bytes
};

Outcome run(const Program &p, const std::string &setup, const std::string &input,
	    const std::string &args);

std::string banner(const Program &p);

const int PAGE = 16384;

// A page whose bytes run through every value, 0x0A, 0x0D and 0x1A included.
std::string pagedata(int seed);
// The app file that stampel makes of these bytes, padded with 0xFF.
std::string app(std::string bytes);
// n pages of 0xFF.
std::string fill(int n);
// pagefuse's progress tags of pages from to to-1, eight to a line.
std::string tags(int from, int to);

#endif
