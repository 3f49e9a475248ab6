#include "tests/platform/platform_fixture.h"

namespace {

TEST(Text, Equality) {
  EXPECT_EQ(StringsEqual("abc", "abc"), 1);
  EXPECT_EQ(StringsEqual("abc", "ABC"), 0);
  EXPECT_EQ(StringsEqual("", ""), 1);
  EXPECT_EQ(StringsEqual("", " "), 0);
  EXPECT_EQ(StringsEqual(std::string("a\0b", 3), "a"), 0);
}

TEST(Text, FirstCharCodeAndLength) {
  EXPECT_EQ(FirstCharCode("A"), 65);
  EXPECT_EQ(FirstCharCode("\xE9x"), 0xE9);
  EXPECT_EQ(FirstCharCode(""), 0);
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("Tolvane"), 7);
}

struct PartCase {
  std::string text;
  int32_t start;  // 0 for LeftPart
  int32_t count;
  std::string want;
};
void PrintTo(const PartCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.text) << " from " << c.start << " count " << c.count;
}

class LeftParts : public ::testing::TestWithParam<PartCase> {};
TEST_P(LeftParts, Cut) { EXPECT_EQ(LeftPart(GetParam().text, GetParam().count), GetParam().want); }
INSTANTIATE_TEST_SUITE_P(Cases, LeftParts,
                         ::testing::Values(PartCase{"abcdef", 0, 3, "abc"}, PartCase{"abc", 0, 10, "abc"},
                                           PartCase{"abc", 0, 0, ""}, PartCase{"abc", 0, -2, ""},
                                           PartCase{"", 0, 4, ""}, PartCase{"abc", 0, INT32_MAX, "abc"}));

class MidParts : public ::testing::TestWithParam<PartCase> {};
TEST_P(MidParts, Cut) {
  EXPECT_EQ(MidPart(GetParam().text, GetParam().start, GetParam().count), GetParam().want);
}
INSTANTIATE_TEST_SUITE_P(Cases, MidParts,
                         ::testing::Values(PartCase{"abc", 3, 5, "c"}, PartCase{"abc", 4, 5, ""},
                                           PartCase{"abcdef", 2, 3, "bcd"}, PartCase{"abc", 1, 2, "ab"},
                                           PartCase{"abc", 0, 2, "ab"}, PartCase{"abc", -7, 2, "ab"},
                                           PartCase{"abc", 2, 0, ""}, PartCase{"abc", 2, -1, ""},
                                           PartCase{"abc", INT32_MAX, 1, ""}, PartCase{"", 1, 1, ""}));

TEST(Text, IntToText) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-42), "-42");
  EXPECT_EQ(IntToText(123456), "123456");
  EXPECT_EQ(IntToText(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToText(INT32_MAX), "2147483647");
}

struct MapCase {
  std::string in, out;
};
void PrintTo(const MapCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.in); }

class Trims : public ::testing::TestWithParam<MapCase> {};
TEST_P(Trims, OnlyBlanks) { EXPECT_EQ(TrimSpaces(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Cases, Trims,
                         ::testing::Values(MapCase{"  a b  ", "a b"}, MapCase{"ab", "ab"}, MapCase{"   ", ""},
                                           MapCase{"", ""}, MapCase{"\tab\t", "\tab\t"},
                                           MapCase{" \ta ", "\ta"}, MapCase{"x  ", "x"}, MapCase{"  x", "x"}));

class Uppers : public ::testing::TestWithParam<MapCase> {};
TEST_P(Uppers, AsciiAndLatin1) { EXPECT_EQ(UpperCaseText(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Cases, Uppers,
                         ::testing::Values(MapCase{"a", "A"}, MapCase{"\xE9", "\xC9"}, MapCase{"{", "{"},
                                           MapCase{"`", "`"}, MapCase{"z", "Z"}, MapCase{"\xFF", "\xDF"},
                                           MapCase{"\xDF", "\xDF"}, MapCase{"\xE0", "\xC0"},
                                           MapCase{"Hello, World 9!", "HELLO, WORLD 9!"}, MapCase{"", ""}));

TEST(Text, OperationsLeaveTheirArgumentAlone) {
  const std::string text = " abc ";
  UpperCaseText(text);
  TrimSpaces(text);
  EXPECT_EQ(text, " abc ");
}

}  // namespace
