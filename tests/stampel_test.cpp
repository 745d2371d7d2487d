// stampel end to end, and the round trip through pagefuse.
#include "run.h"

#include <gtest/gtest.h>

namespace {

// The app file of the page that these bytes, padded with 0xFF, make.
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

const char SIGNING[] = "'Signing' App... ";
const std::string DONE = std::string(SIGNING) + "Done\n";
const char IOERR[] = "File IO Error\n";

const Case CASES[] = {
	{"FullPage", "", "in", pagedata(3), DONE, "", 0, app(pagedata(3))},
	{"LineEndBytesStayRaw", "", "in", std::string(PAGE / 2, '\x0d') + std::string(PAGE / 2, '\x1a') +
	 "\x0a", DONE, "", 0, app(std::string(PAGE / 2, '\x0d') + std::string(PAGE / 2, '\x1a'))},
	{"Empty", "", "in", "", DONE, "", 0, app("")},
	{"Short", "", "in", std::string("\x0a\x0d\x1a\x00\x7f", 5), DONE, "", 0,
	 app(std::string("\x0a\x0d\x1a\x00\x7f", 5))},
	{"LongerThanAPage", "", "in", pagedata(5) + pagedata(6), DONE, "", 0, app(pagedata(5))},
	{"NoArgument", "", "", "", "Usage: stampel file\n", "", 0, NOFILE},
	{"TwoArguments", "", "in in", "", "Usage: stampel file\n", "", 0, NOFILE},
	{"MissingInput", "", "nosuch", "", "", IOERR, 255, NOFILE},
	{"InputIsADirectory", "mkdir d", "d", "", WINDOWS ? "" : SIGNING, IOERR, 255, ANYFILE},
	{"InputIsTheApp", "echo keep >hex.app", "hex.app", "", "", IOERR, 255, "keep\n"},
	// On Windows the runtime expands the pattern; elsewhere that is the shell's
	// work, so the program takes it as a name.
	{"WildcardMatchingOne", "", "'i*'", pagedata(2), WINDOWS ? DONE : "", WINDOWS ? "" : IOERR,
	 WINDOWS ? 0 : 255, WINDOWS ? app(pagedata(2)) : NOFILE},
	{"WildcardMatchingTwo", "touch in2", "'i*'", "", WINDOWS ? "Usage: stampel file\n" : "",
	 WINDOWS ? "" : IOERR, WINDOWS ? 0 : 255, NOFILE},
	{"AppUncreatable", "mkdir hex.app", "in", "", "", IOERR, 255, ANYFILE},
	{"AppOnFullDevice", "ln -s /dev/full hex.app", "in", pagedata(1), SIGNING, IOERR, 255,
	 ANYFILE},
	{"MergedStreams", "", "nosuch 2>&1", "", IOERR, "", 255, NOFILE},
};

class Stampel : public testing::TestWithParam<Case> {};

TEST_P(Stampel, Runs)
{
	check(STAMPEL, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, Stampel, testing::ValuesIn(CASES), casename);

// The app file is a dump of page 0: "__" names page 0 and the end record
// closes the dump, so pagefuse fills the other 31 pages.
TEST(RoundTrip, AppFileIsPageZeroOfAnImage)
{
	check(PAGEFUSE, {"", "$RUN \"$STAMPEL\" in >/dev/null", "hex.app", pagedata(7),
			 "Writing ROM pages:\n" + tags(0, 32) + "Done\n", "", 0, pagedata(7) + fill(31)});
}

} // namespace
