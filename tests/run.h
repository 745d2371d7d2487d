// Runs a built program as a user would: in a scratch folder of its own, with
// standard output, standard error and the exit status captured.
#ifndef QUORREL_TESTS_RUN_H
#define QUORREL_TESTS_RUN_H

#include <string>

struct Outcome {
	std::string out, err;
	int status;
	bool made;		// the output file exists as a regular file
	std::string file;	// and holds these bytes
};

// In a fresh scratch folder: writes input to the file "in", runs the shell
// commands in setup, then the program with args (a shell word list), and
// reads back the output file outname.
enum Streams {
	APART,		// standard output and standard error captured apart
	MERGED,		// both into out, as on a terminal
	CONSOLEFULL,	// standard output on a full device
};
Outcome run(const std::string &prog, const std::string &outname, const std::string &setup,
	const std::string &input, const std::string &args, Streams streams = APART);

// What both programs print before anything else.
std::string banner(const std::string &title);

extern const std::string NOFILE;	// expected output: the file must not exist
extern const std::string ANYFILE;	// expected output: not checked

// Checks an output file against the expectation of a table row.
void expectfile(const Outcome &r, const std::string &want);

#endif
