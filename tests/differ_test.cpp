// pagefuse as built against pagefuse built with its fast path off: on every
// damaged dump both must show the same console, messages and status, and
// after success write the same image.  A serial line loses or doubles bytes,
// an editor changes line ends: the damage is single-byte edits at every
// column of the records where the reader decides most, and seeded dumps
// with several damages each.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char **environ;

namespace {

struct Seen {
	int status;
	std::string out, err, image;
};

std::string slurp(const char *path)
{
	std::ifstream f(path, std::ios::binary);
	std::ostringstream s;
	s << f.rdbuf();
	return s.str();
}

// Runs prog on the file "in" of the current folder, a scratch folder of the
// test's own; posix_spawn, not a shell, as there are tens of thousands.
Seen seen(const char *prog)
{
	unlink("rom.bin");
	posix_spawn_file_actions_t fa;
	posix_spawn_file_actions_init(&fa);
	posix_spawn_file_actions_addopen(&fa, 1, "out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
	posix_spawn_file_actions_addopen(&fa, 2, "err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
	char *argv[] = { const_cast<char *>(prog), const_cast<char *>("in"), nullptr };
	pid_t pid;
	int st = -1;
	if (posix_spawn(&pid, prog, &fa, nullptr, argv, environ) != 0 || waitpid(pid, &st, 0) != pid)
		st = -1;
	posix_spawn_file_actions_destroy(&fa);
	Seen s{ WIFEXITED(st) ? WEXITSTATUS(st) : 1000 + st, slurp("out"), slurp("err"), "" };
	if (s.status == 0)
		s.image = slurp("rom.bin");
	return s;
}

std::string shown(const Seen &s)
{
	return "status " + std::to_string(s.status) + ", stderr \"" + s.err + "\", " +
		std::to_string(s.out.size()) + " bytes of console, " + std::to_string(s.image.size()) +
		" bytes of image";
}

// Runs both builds on dump; on a difference, reports the case and keeps the
// dump as differ-case.hex in the test's folder to run again by hand.
bool agree(const std::string &what, const std::string &dump)
{
	std::ofstream("in", std::ios::binary) << dump;
	Seen fast = seen(PAGEFUSE_PATH);
	Seen exact = seen(EXACT_PATH);
	if (fast.status == exact.status && fast.out == exact.out && fast.err == exact.err &&
	    fast.image == exact.image)
		return true;
	std::ofstream("differ-case.hex", std::ios::binary) << dump;
	ADD_FAILURE() << what << "\n  fast:  " << shown(fast) << "\n  exact: " << shown(exact)
		      << "\n  the dump is kept as differ-case.hex";
	return false;
}

// A scratch folder for the test, left again at the end.
class Scratch : public testing::Test {
protected:
	void SetUp() override
	{
		char tmpl[] = "/dev/shm/quorrel-differ-XXXXXX";
		ASSERT_NE(mkdtemp(tmpl), nullptr);
		dir = tmpl;
		ASSERT_EQ(chdir(dir.c_str()), 0);
	}
	void TearDown() override
	{
		if (!HasFailure())
			std::system(("rm -rf '" + dir + "'").c_str());
	}
	std::string dir;
};

const char HEX[] = "0123456789ABCDEFabcdef";
const char END[] = ":00000001FF";

std::string hexrecord(std::mt19937 &g, unsigned addr)
{
	char head[16];
	snprintf(head, sizeof head, ":20%04X00", addr & 0xFFFF);
	std::string r = head;
	for (int i = 0; i < 64; i++)
		r += HEX[g() % (sizeof HEX - 1)];
	return r + "5A";
}

std::string pagerecord(int page)
{
	char r[16];
	snprintf(r, sizeof r, ":0200000200%02XFF", page & 0xFF);
	return r;
}

// A dump of count pages of random data, named from first on in steps of
// step, its lines ended by eol; lines gets where each line starts, and the
// end.
std::string makedump(std::mt19937 &g, int first, int count, int step, const char *eol,
		     std::vector<size_t> &lines)
{
	std::string d;
	for (int page = first; page < first + count * step; page += step)
		for (int rec = -1; rec < 512; rec++) {
			lines.push_back(d.size());
			d += (rec < 0 ? pagerecord(page) : hexrecord(g, 32 * rec)) + eol;
		}
	lines.push_back(d.size());
	return d;
}

// The lines of a two-page dump whose every column is edited: a page record,
// the first, second and last data records of a page, where the fast reader
// starts, goes on and meets what follows, and the page record after a page.
const struct { size_t line; const char *name; } EDITED[] = {
	{ 0, "page record of page 0" },
	{ 1, "data record 0 of page 0" },
	{ 2, "data record 1 of page 0" },
	{ 513, "page record of page 1, after page 0" },
	{ 1025, "data record 511 of page 1, the last" },
};

const char KINDS[] = { '\r', '\n', '\0', ' ', 'x', ':', 'e' };
const char *const KINDNAMES[] = { "CR", "LF", "NUL", "blank", "x", ":", "e" };

struct Variant {
	const char *name;
	bool crlf, end;
	size_t index;
};
constexpr size_t VARIANTS = 4;

void PrintTo(const Variant &v, std::ostream *os)
{
	*os << v.name;
}

class Edits : public Scratch, public testing::WithParamInterface<Variant> {};

TEST_P(Edits, FastAndExactAgree)
{
	const Variant &v = GetParam();
	std::mt19937 g(13);
	std::vector<size_t> lines;
	std::string dump = makedump(g, 0, 2, 1, v.crlf ? "\r\n" : "\n", lines);
	if (v.end)
		dump += std::string(END) + (v.crlf ? "\r\n" : "\n");
	ASSERT_TRUE(agree(std::string(v.name) + ", unedited", dump));

	// Each edit is made in one of the four dumps in turn, which keeps the
	// check near 20 s; QUORREL_DIFFER=all makes every edit in all four.
	// Edits that give the same dump as one made before are left out: a byte
	// put where it stands, or put or taken next to a byte like it.
	const char *all = getenv("QUORREL_DIFFER");
	const bool every = all && std::string(all) == "all";
	int cases = 1;
	for (size_t e = 0; e < sizeof EDITED / sizeof EDITED[0]; e++)
		for (size_t col = 0; col < lines[EDITED[e].line + 1] - lines[EDITED[e].line]; col++) {
			size_t at = lines[EDITED[e].line] + col;
			std::string where = std::string(v.name) + ", " + EDITED[e].name + ", column " +
				std::to_string(col) + ": ";
			for (size_t j = 0; j < 2 * sizeof KINDS + 1; j++) {
				if (!every && (e + col + j) % VARIANTS != v.index)
					continue;
				std::string d = dump;
				std::string how;
				if (j == 2 * sizeof KINDS) {
					if (at > 0 && dump[at - 1] == dump[at])
						continue;
					d.erase(at, 1), how = "deleted";
				} else if (j % 2 == 0) {
					if (dump[at] == KINDS[j / 2])
						continue;
					d[at] = KINDS[j / 2], how = std::string(KINDNAMES[j / 2]) + " put there";
				} else {
					if (at > 0 && dump[at - 1] == KINDS[j / 2])
						continue;
					d.insert(at, 1, KINDS[j / 2]);
					how = std::string(KINDNAMES[j / 2]) + " inserted before";
				}
				ASSERT_TRUE(agree(where + how, d));
				cases++;
			}
		}
	printf("%d cases\n", cases);
}

const Variant DUMPS[VARIANTS] = {
	{ "LF dump", false, false, 0 },
	{ "LF dump with an end record", false, true, 1 },
	{ "CR LF dump", true, false, 2 },
	{ "CR LF dump with an end record", true, true, 3 },
};

INSTANTIATE_TEST_SUITE_P(Dumps, Edits, testing::ValuesIn(DUMPS),
			 [](const testing::TestParamInfo<Variant> &v) {
				 return std::string(v.param.crlf ? "CrLf" : "Lf") + (v.param.end ? "End" : "");
			 });

// Dumps of a few pages, with several damages each: bytes dropped, doubled or
// replaced, lines cut short or joined, line ends mixed, pages out of order.
class Damage : public Scratch {};

TEST_F(Damage, FastAndExactAgree)
{
	const int CASES = 300;
	for (int c = 0; c < CASES; c++) {
		std::mt19937 g(c);
		std::vector<size_t> lines;
		const int pages = 1 + g() % 3;
		std::string dump = makedump(g, g() % 4, pages, 1 + g() % 2, c % 2 ? "\r\n" : "\n", lines);
		std::string log;
		if (g() % 2)
			dump += std::string(END) + "\n";
		for (int n = 1 + g() % 4; n > 0; n--) {
			size_t line = lines[g() % (lines.size() - 1)];
			size_t at = line + g() % 80;
			at = at < dump.size() ? at : dump.size() - 1;
			size_t lf = dump.find('\n', line);
			switch (g() % 7) {
			case 0:
				dump.erase(at, 1), log += " dropped " + std::to_string(at);
				break;
			case 1:
				dump.insert(at, 1, dump[at]), log += " doubled " + std::to_string(at);
				break;
			case 2:
				dump[at] = KINDS[g() % sizeof KINDS], log += " replaced " + std::to_string(at);
				break;
			case 3:	// cut: the rest of the line lost, its line end kept
				if (lf != std::string::npos && at < lf)
					dump.erase(at, lf - at), log += " cut " + std::to_string(at);
				break;
			case 4:
				if (lf != std::string::npos)
					dump.erase(lf, 1), log += " joined " + std::to_string(lf);
				break;
			case 5:	// the other line end
				if (lf != std::string::npos && lf > 0 && dump[lf - 1] == '\r')
					dump.erase(lf - 1, 1), log += " to LF " + std::to_string(lf);
				else if (lf != std::string::npos)
					dump.insert(lf, 1, '\r'), log += " to CR LF " + std::to_string(lf);
				break;
			default:	// another page number
				at = lines[g() % pages * 513] + 11;
				if (at + 2 <= dump.size())
					dump.replace(at, 2, pagerecord(g() % 40).substr(11, 2)),
						log += " renumbered " + std::to_string(at);
				break;
			}
		}
		ASSERT_TRUE(agree("damaged dump " + std::to_string(c) + ":" + log, dump));
	}
}

// Dumps kept in a folder: the shipped examples, or the inputs that fuzzing
// found (fuzz/run.sh compare names their folder in QUORREL_DIFFER_DUMPS).
class Files : public Scratch {};

TEST_F(Files, FastAndExactAgree)
{
	const char *dumps = getenv("QUORREL_DIFFER_DUMPS");
	std::string folder = dumps ? dumps : EXAMPLES_DIR;
	DIR *d = opendir(folder.c_str());
	ASSERT_NE(d, nullptr) << "no folder " << folder;
	int files = 0;
	for (const dirent *f; (f = readdir(d));) {
		std::string path = folder + "/" + f->d_name;
		struct stat sb;
		if (stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode))
			continue;
		if (!agree(path, slurp(path.c_str())))
			break;
		files++;
	}
	closedir(d);
	EXPECT_GT(files, 0) << "no dump in " << folder;
	printf("%d files\n", files);
}

} // namespace
