// The frame both programs run in: every row runs against each of them.
#include "run.h"

#include <cstring>
#include <tuple>

#include <gtest/gtest.h>

namespace {

// What differs between the programs is named by a placeholder, filled in per
// program: the usage line, a sample input, the console of a run on it
// (STARTED, PROGRESS up to the last write, DONE at the end), and the file
// that run writes.  stampel turns a page into its app file, and pagefuse
// that app file into an image.
constexpr char USAGE[] = "\x02usage";
constexpr char SAMPLE[] = "\x02sample";
constexpr char STARTED[] = "\x02started";
constexpr char PROGRESS[] = "\x02progress";
constexpr char DONE[] = "\x02done";
constexpr char WHOLE[] = "\x02whole";
constexpr char FIRST[] = "\x02" "first";	// the console's first write, after the banner
constexpr char AFTERFIRST[] = "\x02" "after first";	// the console after its first write

std::string fillin(const Program &p, const std::string &s)
{
	bool pf = &p == &PAGEFUSE;
	if (s == USAGE)
		return pf ? "Usage: pagefuse file\n" : "Usage: stampel file\n";
	if (s == SAMPLE)
		return pf ? app(pagedata(1)) : pagedata(1);
	if (s == STARTED)
		return pf ? "Writing ROM pages:\n" : "'Signing' App... ";
	if (s == PROGRESS)
		return pf ? "Writing ROM pages:\n" + tags(0, 32) : "'Signing' App... ";
	if (s == DONE)
		return fillin(p, PROGRESS) + "Done\n";
	if (s == WHOLE)
		return pf ? pagedata(1) + fill(31) : app(pagedata(1));
	if (s == FIRST)
		return pf ? "Writing ROM pages:\n[0x00]" : "'Signing' App... ";
	if (s == AFTERFIRST)
		return std::string(WHOLECONSOLE) + (pf ? tags(1, 32) : "");
	return s;
}

const char IOERR[] = "File IO Error\n";
#define OLD "echo old >\"$OUT\""

// Rows that the Windows programs under Wine can't meet, marked by a shell
// comment: strace can't trace them, and a file-size limit stops Wine itself.
#define NATIVE "# native only\n"
// strace fails every call of a kind on one path, or only the first.  It
// says what it resolved a path into unless the path is absolute or does not
// exist yet.  LeakSanitizer can't run under it, in the sanitizer build.
#define TRACED(path, fault) NATIVE "export ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" && RUN=\"strace -o /dev/null -P " path " -e " fault " $RUN\""

const Case FRAME[] = {
	{"NoArgument", "", "", "", USAGE, "", 0, NOFILE},
	{"TwoArguments", "", "in in", SAMPLE, USAGE, "", 0, NOFILE},
	{"UsageOnFullDevice", "", ">/dev/full", "", NOCONSOLE, IOERR, 255, NOFILE},
	{"MissingInput", "", "nosuch", "", "", IOERR, 255, NOFILE},
	{"MissingInputLeavesOldOutput", OLD, "nosuch", "", "", IOERR, 255, "old\n"},
	{"ExistingOutputRewritten", OLD, "in", SAMPLE, DONE, "", 0, WHOLE},
	{"InputIsADirectory", "mkdir d && echo old >\"$OUT\"", "d", "", "", IOERR, 255, "old\n"},
	{"InputIsTheOutput", OLD, "\"$OUT\"", "", "", IOERR, 255, "old\n"},
	{"InputLinkedToTheOutput", "ln in \"$OUT\"", "in", SAMPLE, "", IOERR, 255, SAMPLE},
	{"ReadError", "", "/proc/self/mem", "", STARTED, IOERR, 255, ANYFILE},
	{"OutputUncreatable", "mkdir \"$OUT\"", "in", SAMPLE, "", IOERR, 255, ANYFILE},
	{"OutputOnFullDevice", "ln -s /dev/full \"$OUT\"", "in", SAMPLE, PROGRESS, IOERR, 255, ANYFILE},
	// The shell has made the file before the program starts; what is left
	// to the program is not to write the image into it as well.
	{"StdoutIsTheOutput", "", "in >\"$OUT\"", SAMPLE, NOCONSOLE, IOERR, 255, ANYFILE},
	{"StdoutAppendsToTheOutput", OLD, "in >>\"$OUT\"", SAMPLE, NOCONSOLE, IOERR, 255, ANYFILE},
	{"StderrIsTheOutput", OLD, "in 2>\"$OUT\"", SAMPLE, "", "", 255,
	 WINDOWS ? "File IO Error\r\n" : IOERR},
	// A console that cannot be written fails the run, but the file is whole.
	{"ConsoleOnFullDevice", "", "in >/dev/full", SAMPLE, NOCONSOLE, IOERR, 255, WHOLE},
	// Standard output a pipe that nobody reads any more.
	{"ConsoleGoneAway", "mkfifo p", "in 3<>p >p 3<&-", SAMPLE, NOCONSOLE, IOERR, 255, WHOLE},
	// A console write that failed is not made good by later ones.
	{"ConsoleWriteFailsOnce", TRACED("\"${PWD%/*}/out\"", "inject=write:error=EIO:when=1"), "in", SAMPLE,
	 AFTERFIRST, IOERR, 255, WHOLE},
	// For stampel the second write is its last, "Done".
	{"ConsoleFailsAfterFirstWrite", TRACED("\"${PWD%/*}/out\"", "inject=write:error=EIO:when=2+"), "in",
	 SAMPLE, FIRST, IOERR, 255, WHOLE},
	// A file-size limit fails the write, as a full disk does.
	{"FileSizeLimit", NATIVE "ulimit -f 30", "in", SAMPLE, PROGRESS, IOERR, 255, ANYFILE},
	// Where the output's identity, or a stream's, can't be learnt, they may
	// be one file: refused.  A closed stream is no file.
	{"OutputIdentityUnknown", TRACED("\"$OUT\"", "inject=newfstatat:error=EIO"), "in", SAMPLE, "",
	 IOERR, 255, NOFILE},
	{"InputIdentityUnknown", TRACED("\"$PWD/in\"", "inject=newfstatat:error=EIO") " && ln in \"$OUT\"",
	 "in", SAMPLE, "", IOERR, 255, SAMPLE},
	{"ConsoleIdentityUnknown", TRACED("\"$PWD/c\"", "inject=newfstatat:error=EIO") " && " OLD,
	 "in >c", SAMPLE, NOCONSOLE, IOERR, 255, "old\n"},
	{"StderrClosed", "", "in 2>&-", SAMPLE, DONE, "", 0, WHOLE},
	// With both streams in one place, the banner comes before the message.
	{"MergedStreams", "", "nosuch 2>&1", "", IOERR, "", 255, NOFILE},
	// Names in any script; on Windows the manifest makes them UTF-8.
	{"CyrillicName", "mv in 'дамп.hex'", "'дамп.hex'", SAMPLE, DONE, "", 0, WHOLE},
	{"CjkName", "mv in '转储.hex'", "'转储.hex'", SAMPLE, DONE, "", 0, WHOLE},
	{"NonAsciiLinkToTheOutput", "echo old >\"$OUT\" && ln \"$OUT\" 'связь'", "'связь'", "", "", IOERR, 255,
	 "old\n"},
	// On Windows the runtime expands the pattern; elsewhere that is the shell's
	// work, so the program takes it as a name.
	{"WildcardMatchingOne", "", "'i*'", SAMPLE, WINDOWS ? DONE : "", WINDOWS ? "" : IOERR,
	 WINDOWS ? 0 : 255, WINDOWS ? WHOLE : NOFILE},
	{"WildcardInNonAsciiFolder", "mkdir 'папка' && mv in 'папка/转储.hex'", "'папка/*'", SAMPLE,
	 WINDOWS ? DONE : "", WINDOWS ? "" : IOERR, WINDOWS ? 0 : 255, WINDOWS ? WHOLE : NOFILE},
	{"WildcardMatchingTwo", "touch in2", "'i*'", "", WINDOWS ? USAGE : "", WINDOWS ? "" : IOERR,
	 WINDOWS ? 0 : 255, NOFILE},
};

using Row = std::tuple<const Program *, Case>;

class Frame : public testing::TestWithParam<Row> {};

TEST_P(Frame, Runs)
{
	const Program &p = *std::get<0>(GetParam());
	Case c = std::get<1>(GetParam());
	if (WINDOWS && strncmp(c.setup, NATIVE, strlen(NATIVE)) == 0)
		GTEST_SKIP() << "not for a Windows program under Wine";
	c.input = fillin(p, c.input);
	c.out = fillin(p, c.out);
	c.file = fillin(p, c.file);
	check(p, c);
}

std::string rowname(const testing::TestParamInfo<Row> &r)
{
	return std::string(std::get<0>(r.param)->name) + "_" + std::get<1>(r.param).name;
}

INSTANTIATE_TEST_SUITE_P(Both, Frame,
			 testing::Combine(testing::Values(&PAGEFUSE, &STAMPEL), testing::ValuesIn(FRAME)),
			 rowname);

} // namespace
