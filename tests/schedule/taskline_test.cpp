// Fields of task lines and script texts, character counts and integer texts.
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {
namespace {

using namespace std::string_literals;

struct FieldCase {
    std::string name;
    std::string line;
    std::string separator;
    std::int32_t index;
    std::string expected;
};

std::string Long(char c, std::size_t n) {
    return std::string(n, c);
}

std::vector<FieldCase> FieldCases() {
    const std::string a254 = Long('a', 254);
    return {
        {"FirstField", "a|b|c", "|", 0, "a"},
        {"MiddleField", "a|b|c", "|", 1, "b"},
        {"LastField", "a|b|c", "|", 2, "c"},
        {"PastLastField", "a|b|c", "|", 3, ""},
        {"FarPastLastField", "a|b|c", "|", 1000, ""},
        {"MinusOne", "a|b|c", "|", -1, ""},
        {"MostNegative", "a|b|c", "|", INT32_MIN, ""},
        {"LargestIndex", "a|b|c", "|", INT32_MAX, ""},
        {"TrailingSeparatorAddsNothing", "a|b|", "|", 2, ""},
        {"NoTrailingSeparator", "a|b", "|", 2, ""},
        {"TrailingSeparatorKeepsLast", "a|b|", "|", 1, "b"},
        {"EmptyMiddle", "a||c", "|", 1, ""},
        {"AfterEmptyMiddle", "a||c", "|", 2, "c"},
        {"LeadingSeparatorField0", "|b", "|", 0, ""},
        {"LeadingSeparatorField1", "|b", "|", 1, "b"},
        {"EmptyLineField0", "", "|", 0, ""},
        {"EmptyLineField1", "", "|", 1, ""},
        {"EmptyLineNegative", "", "|", -1, ""},
        {"OnlySeparators", "||", "|", 1, ""},
        {"EmptySeparatorWholeLine", "a|b;c", "", 0, "a|b;c"},
        {"EmptySeparatorNoField1", "a|b;c", "", 1, ""},
        {"EmptySeparatorNegative", "a|b", "", -1, ""},
        {"SeparatorFirstCharOnly0", "a;b|c;d", ";|", 0, "a"},
        {"SeparatorFirstCharOnly1", "a;b|c;d", ";|", 1, "b|c"},
        {"SeparatorNulFirst", "a|b", "\0|"s, 0, "a|b"},
        {"ScriptStep", "abc;{ENTER};", ";", 1, "{ENTER}"},
        {"ScriptEmptyLastStep", "abc;{ENTER};", ";", 2, ""},
        {"NulEndsLine", "a|b\0|c"s, "|", 1, "b"},
        {"NulEndsLineNoField2", "a|b\0|c"s, "|", 2, ""},
        {"LongLineWholeField", Long('x', 300), "|", 0, Long('x', 255)},
        {"FieldAfter255IsEmpty", a254 + "|" + "late", "|", 1, ""},
        {"FieldAt255", a254 + "|" + "late", "|", 0, a254},
        {"FieldSpanning255IsCut", "ab|" + Long('z', 300), "|", 1, Long('z', 252)},
        {"SeparatorAt256Ignored", Long('q', 255) + "|r", "|", 1, ""},
        {"EightBitBytes", "caf\xe9|\xff\x80", "|", 1, "\xff\x80"},
        {"BlanksKept", " a | b ", "|", 1, " b "},
    };
}

class ExtractFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(ExtractFieldTest, GivesTheField) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(ExtractField(c.line, c.separator, c.index), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractFieldTest, testing::ValuesIn(FieldCases()),
                         [](const auto& info) { return info.param.name; });

TEST(ExtractFieldTest, FieldNeverLongerThan255) {
    for (const std::string& line :
         {Long('a', 1000), Long('a', 256) + "|b", "b|" + Long('a', 999)}) {
        for (std::int32_t i = 0; i < 3; ++i) {
            EXPECT_LE(ExtractField(line, "|", i).size(), 255u);
        }
    }
}

struct CountCase {
    std::string name;
    std::string text;
    std::string character;
    std::int32_t expected;
};

class CountCharTest : public testing::TestWithParam<CountCase> {};

TEST_P(CountCharTest, Counts) {
    const CountCase& c = GetParam();
    EXPECT_EQ(CountChar(c.text, c.character), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CountCharTest,
                         testing::Values(CountCase{"TrailingSeparator", "a;b;", ";", 2},
                                         CountCase{"NoSeparator", "abc", ";", 0},
                                         CountCase{"EmptyText", "", ";", 0},
                                         CountCase{"OnlySeparators", ";;;", ";", 3},
                                         CountCase{"EmptyCharacterIsNul", "a\0b"s, "", 0},
                                         CountCase{"NulNeverCounted", "a\0b"s, "\0"s, 0},
                                         CountCase{"FirstCharacterOnly", "a;b|c", ";|", 1},
                                         CountCase{"NulEndsText", "a;\0;;"s, ";", 1},
                                         CountCase{"Only255Looked", Long(';', 300), ";", 255},
                                         CountCase{"EightBit", "\xe9x\xe9", "\xe9", 2}),
                         [](const auto& info) { return info.param.name; });

struct IntCase {
    std::string name;
    std::string text;
    std::int32_t expected;
};

class TextToIntValidTest : public testing::TestWithParam<IntCase> {};

TEST_P(TextToIntValidTest, Reads) {
    const IntCase& c = GetParam();
    EXPECT_EQ(TextToInt(c.text), c.expected);
    EXPECT_EQ(TextToIntDef(c.text, 12345), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntValidTest,
    testing::Values(IntCase{"Plain", "7", 7}, IntCase{"LeadingZero", "07", 7},
                    IntCase{"LeadingBlanks", "   7", 7}, IntCase{"Plus", "+7", 7},
                    IntCase{"Hex", "$7", 7}, IntCase{"HexLeadingZeros", "$0007", 7},
                    IntCase{"Zero", "0", 0}, IntCase{"MinusZero", "-0", 0},
                    IntCase{"Negative", "-7", -7}, IntCase{"Max", "2147483647", INT32_MAX},
                    IntCase{"Min", "-2147483648", INT32_MIN},
                    IntCase{"MinLeadingZeros", "-0002147483648", INT32_MIN},
                    IntCase{"HexAllOnes", "$FFFFFFFF", -1},
                    IntCase{"HexLowerCase", "$ffffffff", -1}, IntCase{"HexMixed", "$aB", 171},
                    IntCase{"HexSignBit", "$80000000", INT32_MIN},
                    IntCase{"HexMax", "$7FFFFFFF", INT32_MAX},
                    IntCase{"HexLeadingZerosLong", "$00000000000000FF", 255},
                    IntCase{"ManyLeadingZeros", "0000000000000000000023", 23},
                    IntCase{"NulEndsText", "59\0x"s, 59}, IntCase{"BlanksThenHex", "  $10", 16}),
    [](const auto& info) { return info.param.name; });

class TextToIntMalformedTest : public testing::TestWithParam<IntCase> {};

TEST_P(TextToIntMalformedTest, RaisesAndDefaults) {
    const IntCase& c = GetParam();
    EXPECT_EQ(TextToIntDef(c.text, 12345), 12345);
    EXPECT_EQ(TextToIntDef(c.text, -1), -1);
    try {
        TextToInt(c.text);
        FAIL() << "no error for '" << c.text << "'";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "'" + c.text.substr(0, c.text.find('\0')) + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntMalformedTest,
    testing::Values(IntCase{"TrailingBlank", "7 ", 0}, IntCase{"Empty", "", 0},
                    IntCase{"Blanks", "   ", 0}, IntCase{"TrailingLetter", "7a", 0},
                    IntCase{"BlankAfterMinus", "- 7", 0}, IntCase{"MinusHex", "-$7", 0},
                    IntCase{"PlusHex", "+$7", 0}, IntCase{"LoneDollar", "$", 0},
                    IntCase{"LoneMinus", "-", 0}, IntCase{"LonePlus", "+", 0},
                    IntCase{"TooLarge", "2147483648", 0}, IntCase{"TooSmall", "-2147483649", 0},
                    IntCase{"HugeDecimal", "99999999999999999999999", 0},
                    IntCase{"HexTooLarge", "$100000000", 0}, IntCase{"HexBadDigit", "$1G", 0},
                    IntCase{"Tab", "\t7", 0}, IntCase{"DoubleSign", "--7", 0},
                    IntCase{"SignThenBlank", "+ 7", 0}, IntCase{"Decimal", "7.0", 0},
                    IntCase{"HexPrefix0x", "0x10", 0}, IntCase{"InnerBlank", "1 2", 0},
                    IntCase{"NulAtStart",
                            "\0"
                            "7"s,
                            0},
                    IntCase{"EightBitDigit", "\xb2", 0}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace orvanel
