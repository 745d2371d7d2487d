#include "run.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

const Program PAGEFUSE = { "pagefuse", PAGEFUSE_PATH, "Quorrel Plattor v1.0", "rom.bin" };
const Program STAMPEL = { "stampel", STAMPEL_PATH, "Quorrel Stampel v0.9 Beta", "hex.app" };

void PrintTo(const Case &c, std::ostream *os)
{
	*os << c.name;
}

std::string casename(const testing::TestParamInfo<Case> &c)
{
	return c.param.name;
}

static std::string readfile(const std::string &path)
{
	std::ifstream f(path, std::ios::binary);
	std::ostringstream s;
	s << f.rdbuf();
	return s.str();
}

// The console streams are text streams: CR LF on Windows.
static std::string console(std::string s)
{
	for (size_t i; WINDOWS && (i = s.find("\r\n")) != std::string::npos;)
		s.erase(i, 1);
	return s;
}

Outcome run(const Program &p, const std::string &setup, const std::string &input,
	    const std::string &args)
{
	char tmpl[] = "/tmp/quorrel-test-XXXXXX";
	std::string top = mkdtemp(tmpl);
	std::string dir = top + "/work";
	mkdir(dir.c_str(), 0755);
	std::ofstream(dir + "/in", std::ios::binary) << input;
	std::string cmd = std::string("export RUN='") + LAUNCHER + "' PAGEFUSE='" + PAGEFUSE.path +
		"' STAMPEL='" + STAMPEL.path + "' OUT='" + p.outname + "'; cd '" + dir + "' && { " +
		(setup.empty() ? "true" : setup) + "; } && exec $RUN '" + p.path +
		"' >../out 2>../err " + args;
	int st = std::system(cmd.c_str());
	Outcome r;
	r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
	r.out = console(readfile(top + "/out"));
	r.err = console(readfile(top + "/err"));
	// Follows links but reads only regular files: a link to /dev/full never ends.
	struct stat sb;
	std::string path = dir + "/" + p.outname;
	r.made = stat(path.c_str(), &sb) == 0 && S_ISREG(sb.st_mode);
	if (r.made)
		r.file = readfile(path);
	std::system(("rm -rf '" + top + "'").c_str());
	return r;
}

std::string banner(const Program &p)
{
	return std::string(p.title) + " - written by the Quorrel authors\n"
		"THIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY\n"
		"PLEASE READ THE DOCUMENTATION FOR DETAILS\n";
}

void check(const Program &p, const Case &c)
{
	Outcome r = run(p, c.setup, c.input, c.args);
	const std::string whole = WHOLECONSOLE;
	std::string out = banner(p) + c.out;
	if (c.out == NOCONSOLE)
		out = "";
	else if (c.out.compare(0, whole.size(), whole) == 0)
		out = c.out.substr(whole.size());
	EXPECT_EQ(r.out, out);
	EXPECT_EQ(r.err, c.err);
	EXPECT_EQ(r.status, c.status);
	if (c.file == ANYFILE)
		return;
	if (c.file == NOFILE) {
		EXPECT_FALSE(r.made) << p.outname << " was created";
		return;
	}
	ASSERT_TRUE(r.made) << p.outname << " is missing";
	EXPECT_EQ(r.file.size(), c.file.size()) << "length of " << p.outname;
	// Not EXPECT_EQ on the bytes: a mismatch would print megabytes.
	size_t i = 0;
	while (i < c.file.size() && i < r.file.size() && r.file[i] == c.file[i])
		i++;
	EXPECT_EQ(i, c.file.size()) << p.outname << " first differs at offset " << i;
}

std::string pagedata(int seed)
{
	std::string p(PAGE, '\0');
	for (int i = 0; i < PAGE; i++)
		p[i] = static_cast<char>(seed * 31 + i * 7 + i / 256);
	return p;
}

std::string app(std::string bytes)
{
	const char *eol = WINDOWS ? "\r\n" : "\n";
	bytes.resize(PAGE, '\xff');
	std::string a = std::string(":XXXXXXXX____XX") + eol;
	char pair[3];
	for (int k = 0; k < 512; k++) {
		a += ":XXXXXXXX";
		for (int i = 0; i < 32; i++) {
			snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(bytes[k * 32 + i]));
			a += pair;
		}
		a += std::string("XX") + eol;
	}
	return a + ":XXXXXXXX__";
}

std::string fill(int n)
{
	return std::string(static_cast<size_t>(n) * PAGE, '\xff');
}

std::string tags(int from, int to)
{
	std::string t;
	char tag[8];
	for (int p = from; p < to; p++) {
		snprintf(tag, sizeof tag, "[0x%02X]", p);
		t += tag;
		if (p % 8 == 7)
			t += "\n";
	}
	return t;
}
