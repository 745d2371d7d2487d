#include "run.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

const std::string NOFILE = "\x01no file";
const std::string ANYFILE = "\x01any file";

static std::string readfile(const std::string &path)
{
	std::ifstream f(path, std::ios::binary);
	std::ostringstream s;
	s << f.rdbuf();
	return s.str();
}

static void writefile(const std::string &path, const std::string &data)
{
	std::ofstream(path, std::ios::binary) << data;
}

Outcome run(const std::string &prog, const std::string &outname, const std::string &setup,
	const std::string &input, const std::string &args, Streams streams)
{
	char tmpl[] = "/tmp/quorrel-test-XXXXXX";
	std::string top = mkdtemp(tmpl);
	std::string dir = top + "/work";
	mkdir(dir.c_str(), 0755);
	writefile(dir + "/in", input);
	const char *redirect[] = { ">../out 2>../err", ">../out 2>&1", ">/dev/full 2>../err" };
	std::string cmd = "cd '" + dir + "' && { " + (setup.empty() ? "true" : setup) +
		"; } && exec '" + prog + "' " + args + " " + redirect[streams];
	int st = std::system(cmd.c_str());
	Outcome r;
	r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
	r.out = readfile(top + "/out");
	r.err = readfile(top + "/err");
	// Follows links but reads only regular files: a link to /dev/full never ends.
	struct stat sb;
	std::string path = dir + "/" + outname;
	r.made = stat(path.c_str(), &sb) == 0 && S_ISREG(sb.st_mode);
	if (r.made)
		r.file = readfile(path);
	std::system(("rm -rf '" + top + "'").c_str());
	return r;
}

std::string banner(const std::string &title)
{
	return title + " - written by the Quorrel authors\n"
		"THIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY\n"
		"PLEASE READ THE DOCUMENTATION FOR DETAILS\n";
}

void expectfile(const Outcome &r, const std::string &want)
{
	if (want == ANYFILE)
		return;
	if (want == NOFILE) {
		EXPECT_FALSE(r.made) << "the output file was created";
		return;
	}
	ASSERT_TRUE(r.made) << "the output file is missing";
	EXPECT_EQ(r.file.size(), want.size()) << "length of the output file";
	// Not EXPECT_EQ on the bytes: a mismatch would print megabytes.
	size_t i = 0;
	while (i < want.size() && i < r.file.size() && r.file[i] == want[i])
		i++;
	EXPECT_EQ(i, want.size()) << "the output file first differs at offset " << i;
}
