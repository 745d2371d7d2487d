// pagefuse end to end: each row is one run of the built program.
#include "run.h"

#include <gtest/gtest.h>

namespace {

enum Style { PLAIN = 0, CRLF = 1, LOWER = 2, JUNK = 4 };

// The page block of these page bytes under the page number named.
std::string blockof(int named, const std::string &data, int style = PLAIN)
{
	const char *digits = style & LOWER ? "0123456789abcdef" : "0123456789ABCDEF";
	std::string eol = style & CRLF ? "\r\n" : "\n";
	std::string b = std::string(style & JUNK ? std::string("~ \t:z\0-%\x01\x7f\xff", 11) : ":02000002FF") +
		digits[named >> 4] + digits[named & 15] + (style & JUNK ? "\r\r" : "00") + eol;
	std::string rec = std::string(style & JUNK ? std::string("#\x0d\x1a \0zz\xfe?", 9) : ":20000000") +
		std::string(64, '0') + (style & JUNK ? "\r " : "00") + eol;
	for (int k = 0; k < 512; k++) {
		for (int i = 0; i < 32; i++) {
			unsigned char c = static_cast<unsigned char>(data[k * 32 + i]);
			rec[9 + 2 * i] = digits[c >> 4];
			rec[10 + 2 * i] = digits[c & 15];
		}
		b += rec;
	}
	return b;
}

std::string block(int named, int seed, int style = PLAIN)
{
	return blockof(named, pagedata(seed), style);
}

// Where column col of data record k stands in a page block with LF line ends.
size_t at(int k, int col)
{
	return 16 + 76 * static_cast<size_t>(k) + col;
}

std::string edit(std::string s, size_t pos, const std::string &chars)
{
	return s.replace(pos, chars.size(), chars);
}

// Pages seed0, seed1, ... named 0, 1, ...: a dump of the pages 0 to n-1.
std::string pages(int from, int to, int style = PLAIN)
{
	std::string d;
	for (int p = from; p < to; p++)
		d += block(p, p, style);
	return d;
}

std::string image(int from, int to)
{
	std::string d;
	for (int p = from; p < to; p++)
		d += pagedata(p);
	return d;
}

// A dump as a Windows tool saves it: a byte-order mark first, and in UTF-16
// two bytes to a character.
const std::string UTF8MARK = "\xef\xbb\xbf";

std::string utf16(const std::string &text, bool little)
{
	std::string u = little ? "\xff\xfe" : "\xfe\xff";
	for (char c : text)
		u += little ? std::string(1, c) + '\0' : std::string(1, '\0') + c;
	return u;
}

const std::string ALLTAGS = "Writing ROM pages:\n" + tags(0, 32) + "Done\n";
const std::string END = ":00000001FF";

// The message for a record of the kind due ("page" or "data") at line, and
// what the line there was instead.
std::string fmterr(int line, const std::string &due, const std::string &found)
{
	return "Dump Format Error at line " + std::to_string(line) + ": a " + due +
		" record is due, and " + found + "\n";
}

std::string chars(int n, int due)
{
	return "the line has " + std::to_string(n) + " characters, not " + std::to_string(due);
}

const char LONG[] = "the line is longer than any record";
const char BLANK[] = "the line is blank";
const char ENDS[] = "the input ends";

// Page 0 whose first data record carries the given 64 characters.
std::string oddrecord(const std::string &chars)
{
	return edit(block(0, 0), at(0, 9), chars);
}

// strtol's rules on pairs that are not two hex digits, one per byte.
const std::string ODDPAIRS = " 5-1+A0xG11Gx1\t7";
const std::string ODDBYTES("\x05\xff\x0a\x00\x00\x01\x00\x07", 8);

std::string oddimage()
{
	std::string img = pagedata(0);
	img.replace(0, ODDBYTES.size(), ODDBYTES);
	for (size_t i = ODDBYTES.size(); i < 32; i++)
		img[i] = 0x11;
	return img + fill(31);
}

// Data records 0 to 7 of page 0 each hold the pairs "Bc" and "cB", c one of
// the characters on either side of the digit and letter ranges or a byte
// above 0x7F, and only B and D besides, so that no bound of those ranges is
// met: strtol reads 0x0B and 0.
const char ODDCHARS[] = "/:@G`g\xa0\xd5";

std::string oddchars(bool dump)
{
	std::string s = dump ? block(0, 0) : pagedata(0);
	for (int k = 0; ODDCHARS[k]; k++) {
		const char c = ODDCHARS[k];
		std::string digits = std::string("B") + c + c + "B";
		std::string bytes("\x0b\x00", 2);
		for (int i = 2; i < 32; i++) {
			digits += "BD";
			bytes += '\xbd';
		}
		s = dump ? edit(s, at(k, 9), digits) : edit(s, 32 * static_cast<size_t>(k), bytes);
	}
	return s;
}

const Case CASES[] = {
	// What a dump is made of.
	{"Complete", "", "in", pages(0, 32), ALLTAGS, "", 0, image(0, 32)},
	{"Gaps", "", "in", pages(0, 8) + pages(0x1c, 32), ALLTAGS, "", 0,
	 image(0, 8) + fill(0x14) + image(0x1c, 32)},
	{"FirstPageThree", "", "in", pages(3, 32), ALLTAGS, "", 0, fill(3) + image(3, 32)},
	{"RepeatedPageTakesNextSlot", "", "in", block(0, 0) + block(0, 1) + block(1, 2), ALLTAGS, "",
	 0, image(0, 3) + fill(29)},
	{"LowerPageTakesNextSlot", "", "in", block(5, 5) + block(2, 6), ALLTAGS, "", 0,
	 fill(5) + image(5, 7) + fill(25)},
	{"PageAboveLastEndsImage", "", "in", block(0, 0) + block(0x28, 9) + block(0x29, 1),
	 "Writing ROM pages:\n" + tags(0, 0x29) + "Done\n", "", 0,
	 pagedata(0) + fill(0x27) + pagedata(9)},
	{"PageFFEndsWithoutWrapping", "", "in", block(0xff, 1) + block(0, 2),
	 "Writing ROM pages:\n" + tags(0, 256) + "Done\n", "", 0, fill(255) + pagedata(1)},
	{"CrLf", "", "in", pages(0, 32, CRLF), ALLTAGS, "", 0, image(0, 32)},
	{"LowerCase", "", "in", pages(0, 32, LOWER), ALLTAGS, "", 0, image(0, 32)},
	{"IgnoredColumnsHoldAnything", "", "in", pages(0, 32, JUNK | CRLF), ALLTAGS, "", 0,
	 image(0, 32)},
	{"StrtolRulesForOddPairs", "", "in",
	 oddrecord(ODDPAIRS + std::string(64 - ODDPAIRS.size(), '1')) + END, ALLTAGS, "", 0,
	 oddimage()},
	{"UnderscorePageNumberIsPageZero", "", "in",
	 ":XXXXXXXX____XX\n" + block(0, 4).substr(16) + END, ALLTAGS, "", 0, pagedata(4) + fill(31)},
	{"LastLineWithoutLineEnd", "", "in", pages(0, 32).substr(0, 32 * 38928 - 1), ALLTAGS, "", 0,
	 image(0, 32)},
	// Records whose digits take the fast path only if it is right.
	{"LettersOtherThanAAndF", "", "in", blockof(0, std::string(PAGE, '\xbd')) + END, ALLTAGS, "",
	 0, std::string(PAGE, '\xbd') + fill(31)},
	{"CharactersAroundTheRanges", "", "in", oddchars(true) + END, ALLTAGS, "", 0,
	 oddchars(false) + fill(31)},
	// A character that is no hex digit in the last pair's high digit, then in
	// its low one: the fast path must look at every column.
	{"OddCharacterInTheLastPair", "", "in", edit(edit(block(0, 0), at(0, 71), " 5"), at(1, 71), "5G") + END,
	 ALLTAGS, "", 0, edit(edit(pagedata(0), 31, "\x05"), 63, "\x05") + fill(31)},
	// An LF ends a line wherever it stands.
	{"LfInAddressColumn", "", "in", edit(block(0, 0), at(2, 3), "\n"), "Writing ROM pages:\n[0x00]",
	 fmterr(4, "data", chars(3, 75)), 255, ANYFILE},
	{"LfInTypeColumn", "", "in", edit(block(0, 0), at(2, 8), "\n"), "Writing ROM pages:\n[0x00]",
	 fmterr(4, "data", chars(8, 75)), 255, ANYFILE},
	{"LfInChecksumColumn", "", "in", edit(block(0, 0), at(2, 74), "\n"),
	 "Writing ROM pages:\n[0x00]", fmterr(4, "data", chars(74, 75)), 255, ANYFILE},
	// A dump that stops early still gives a whole image.
	{"EndsAfterABlock", "", "in", pages(0, 2), ALLTAGS, "", 0, image(0, 2) + fill(30)},
	{"EndRecordEndsDump", "", "in", pages(0, 2) + END + "\n" + block(2, 2), ALLTAGS, "", 0,
	 image(0, 2) + fill(30)},
	{"EndRecordCrLfAtEndOfFile", "", "in", pages(0, 1, CRLF) + END + "\r\n", ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"CrAtEndOfInput", "", "in", pages(0, 1, CRLF).substr(0, 39441 - 1), ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"EndRecordCrAtEndOfInput", "", "in", pages(0, 1, CRLF) + END + "\r", ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"BlankLinesAtEndOfInput", "", "in", pages(0, 1) + "\n\r\n\n\r", ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	// A UTF-8 mark at the very start is passed over; UTF-16 is refused by name.
	{"Utf8Mark", "", "in", UTF8MARK + pages(0, 2), ALLTAGS, "", 0, image(0, 2) + fill(30)},
	{"Utf8MarkCrLf", "", "in", UTF8MARK + pages(0, 2, CRLF) + END + "\r\n", ALLTAGS, "", 0,
	 image(0, 2) + fill(30)},
	{"Utf8MarkKeepsLineNumbers", "", "in", UTF8MARK + block(0, 0).erase(16 + 76 + 5, 1),
	 "Writing ROM pages:\n[0x00]", fmterr(3, "data", chars(74, 75)), 255, ANYFILE},
	{"Utf8MarkOnlyAtTheStart", "", "in", block(0, 0) + UTF8MARK + block(1, 1),
	 "Writing ROM pages:\n[0x00]", fmterr(514, "page", chars(18, 15)), 255, ANYFILE},
	// Ignored columns that begin like a mark but are none.
	{"IgnoredColumnsLikeAUtf16Mark", "", "in", edit(pages(0, 1), 0, "\xff\xff") + END, ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"IgnoredColumnsLikeAUtf8Mark", "", "in", edit(pages(0, 1), 0, "\xef\xbb") + END, ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"Utf16MarkAlone", "", "in", "\xff\xfe", "Writing ROM pages:\n",
	 fmterr(1, "page", "the input is UTF-16 text"), 255, ANYFILE},
	{"Utf16LittleEndian", "", "in", utf16(pages(0, 1), true), "Writing ROM pages:\n",
	 fmterr(1, "page", "the input is UTF-16 text"), 255, ANYFILE},
	{"Utf16BigEndian", "", "in", utf16(pages(0, 1), false), "Writing ROM pages:\n",
	 fmterr(1, "page", "the input is UTF-16 text"), 255, ANYFILE},
	// Input held open: the run ends with the last record that the dump needs.
	{"HeldOpenAfterEndRecord", HELDOPEN, "p", pages(0, 1) + END + "\n", ALLTAGS, "", 0,
	 image(0, 1) + fill(31)},
	{"HeldOpenAfterCrLfEndRecord", HELDOPEN, "p", pages(0, 1, CRLF) + END + "\r\n", ALLTAGS, "",
	 0, image(0, 1) + fill(31)},
	// The last record takes the exact path, which must not ask further either.
	{"HeldOpenAfterLastPage", HELDOPEN, "p", edit(block(0x1f, 3), at(511, 9), " 5"), ALLTAGS, "",
	 0, fill(31) + edit(pagedata(3), 511 * 32, "\x05")},
	// A line longer than any record is reported once it is, not when more comes.
	{"HeldOpenAfterALongLine", HELDOPEN, "p", std::string(77, '0'), "Writing ROM pages:\n",
	 fmterr(1, "page", LONG), 255, ANYFILE},
	{"TagShowsBeforeItsData", STUCK, "p", block(2, 0).substr(0, 16 + 76),
	 "Writing ROM pages:\n[0x00][0x01][0x02]", "", KILLED, ANYFILE},
	// Anything else where a record is due is a broken dump.
	{"OnlyBlankLines", "", "in", "\n\r\n", "Writing ROM pages:\n", fmterr(1, "page", ENDS), 255, ANYFILE},
	{"BlankLinesBeforeABlock", "", "in", block(0, 0) + "\r\n" + std::string(12, '\n') + block(1, 1),
	 "Writing ROM pages:\n[0x00]", fmterr(514, "page", BLANK), 255, ANYFILE},
	{"BlankLineBeforeEndRecord", "", "in", block(0, 0) + "\n" + END, "Writing ROM pages:\n[0x00]",
	 fmterr(514, "page", BLANK), 255, ANYFILE},
	{"Empty", "", "in", "", "Writing ROM pages:\n", fmterr(1, "page", ENDS), 255, ANYFILE},
	{"OnlyEndRecord", "", "in", END, "Writing ROM pages:\n", fmterr(1, "page", chars(11, 15)), 255, ANYFILE},
	{"Binary", "", "in", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + pagedata(0),
	 "Writing ROM pages:\n", fmterr(1, "page", chars(48, 15)), 255, ANYFILE},
	{"EndsInsideBlock", "", "in", block(0, 0).substr(0, 16 + 10 * 76), "Writing ROM pages:\n[0x00]",
	 fmterr(12, "data", ENDS), 255, ANYFILE},
	{"EndRecordInsideBlock", "", "in", block(0, 0).substr(0, 16 + 3 * 76) + END,
	 "Writing ROM pages:\n[0x00]", fmterr(5, "data", chars(11, 75)), 255, ANYFILE},
	{"BlankLineInsideBlock", "", "in", edit(block(0, 0), at(3, 0), "\n"),
	 "Writing ROM pages:\n[0x00]", fmterr(5, "data", BLANK), 255, ANYFILE},
	{"ShortDataRecord", "", "in", block(0, 0).erase(16 + 76 + 5, 1), "Writing ROM pages:\n[0x00]",
	 fmterr(3, "data", chars(74, 75)), 255, ANYFILE},
	{"LongDataRecord", "", "in", block(0, 0).insert(16 + 5, "0"), "Writing ROM pages:\n[0x00]",
	 fmterr(2, "data", LONG), 255, ANYFILE},
	{"DataRecordWhereAPageRecordIsDue", "", "in", block(0, 0) + block(1, 1).substr(16, 76),
	 "Writing ROM pages:\n[0x00]", fmterr(514, "page", chars(75, 15)), 255, ANYFILE},
	{"LongPageRecordAfterABlock", "", "in", block(0, 0) + "X" + block(1, 1),
	 "Writing ROM pages:\n[0x00]", fmterr(514, "page", chars(16, 15)), 255, ANYFILE},
	// A CR just before the LF belongs to the line end, wherever the LF stands.
	{"CrLfRecordShortOfOneCharacter", "", "in", pages(0, 1, CRLF).erase(17 + 4 * 77 + 20, 1),
	 "Writing ROM pages:\n[0x00]", fmterr(6, "data", chars(74, 75)), 255, ANYFILE},
	{"CrInChecksumColumnBeforeLf", "", "in", edit(block(0, 0), at(2, 74), "\r"),
	 "Writing ROM pages:\n[0x00]", fmterr(4, "data", chars(74, 75)), 255, ANYFILE},
	{"LoneCrEndsNoDataRecord", "", "in", edit(block(0, 0), at(2, 75), "\r"),
	 "Writing ROM pages:\n[0x00]", fmterr(4, "data", LONG), 255, ANYFILE},
	{"LoneCrIsNoLineEnd", "", "in", ":02000002FF0000\r" + block(0, 0).substr(16),
	 "Writing ROM pages:\n", fmterr(1, "page", LONG), 255, ANYFILE},
};

class Pagefuse : public testing::TestWithParam<Case> {};

TEST_P(Pagefuse, Runs)
{
	check(PAGEFUSE, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, Pagefuse, testing::ValuesIn(CASES), casename);

} // namespace
