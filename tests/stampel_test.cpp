// stampel end to end, and the round trip through pagefuse.
#include "run.h"

#include <gtest/gtest.h>

namespace {

const char SIGNING[] = "'Signing' App... ";
const std::string DONE = std::string(SIGNING) + "Done\n";

const Case CASES[] = {
	{"FullPage", "", "in", pagedata(3), DONE, "", 0, app(pagedata(3))},
	{"LineEndBytesStayRaw", "", "in", std::string(PAGE / 2, '\x0d') + std::string(PAGE / 2, '\x1a') +
	 "\x0a", DONE, "", 0, app(std::string(PAGE / 2, '\x0d') + std::string(PAGE / 2, '\x1a'))},
	{"Empty", "", "in", "", DONE, "", 0, app("")},
	{"Short", "", "in", std::string("\x0a\x0d\x1a\x00\x7f", 5), DONE, "", 0,
	 app(std::string("\x0a\x0d\x1a\x00\x7f", 5))},
	{"LongerThanAPage", "", "in", pagedata(5) + pagedata(6), DONE, "", 0, app(pagedata(5))},
	// Input held open short of a page: the console says what the run waits on.
	{"WaitsForThePage", STUCK, "p", "x", SIGNING, "", KILLED, ANYFILE},
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
