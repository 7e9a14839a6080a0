#include <gtest/gtest.h>

#include "app/command_parser.h"

namespace {

struct ValueCase {
    const wchar_t* tail;
    const wchar_t* key;
    const wchar_t* value;  // null: the key must be absent
};

class CommandParserValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CommandParserValueTest, Parses) {
    const ValueCase& c = GetParam();
    CCommandParser parser;
    ASSERT_TRUE(parser.Parse(c.tail));
    std::wstring value = L"untouched";
    if (!c.value) {
        EXPECT_FALSE(parser.HasKey(c.key));
        EXPECT_FALSE(parser.GetValue(c.key, &value));
        EXPECT_EQ(value, L"untouched");
        return;
    }
    EXPECT_TRUE(parser.HasKey(c.key));
    ASSERT_TRUE(parser.GetValue(c.key, &value));
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommandParserValueTest,
    ::testing::Values(
        ValueCase{L"/readyuninstall /s", L"/READYUNINSTALL", L""},       // keys ignore case
        ValueCase{L"/S", L"/s", L""},                                     // so do lookups
        ValueCase{L"/CHK=abc==", L"/CHK", L"abc=="},                      // later '=' stay in the value
        ValueCase{L"/CHK=a=b=c", L"/chk", L"a=b=c"},
        ValueCase{L"\"/K\"", L"/K", L""},                                 // the splitter removes quotes
        ValueCase{L"\"/X= \\\"word\\\"\"", L"/X", L"word"},               // trimmed, then unquoted
        ValueCase{L"/X=\\\"", L"/X", L""},                                // a lone quote becomes empty
        ValueCase{L"\"  /Y  =  v  \"", L"/Y", L"v"},                      // key and value trimmed
        ValueCase{L"/A=1 /a=2", L"/A", L"2"},                             // the last occurrence wins
        ValueCase{L"/CHK=Ab/Cd+", L"/CHK", L"Ab/Cd+"},                    // values keep their case
        ValueCase{L"", L"/S", nullptr},
        ValueCase{L"/SILENT", L"/S", nullptr}));

TEST(CommandParserTest, SilentMeansSOrZ) {
    struct {
        const wchar_t* tail;
        bool silent;
    } cases[] = {{L"/S", true}, {L"/z", true}, {L"/s /Z", true}, {L"/K /READYUNINSTALL", false}, {L"", false}};
    for (const auto& c : cases) {
        CCommandParser parser;
        parser.Parse(c.tail);
        EXPECT_EQ(parser.IsSilent(), c.silent) << c.tail;
    }
}

TEST(CommandParserTest, ParseRebuildsTheMapAndKeepsTheTail) {
    CCommandParser parser;
    parser.Parse(L"/S /K");
    parser.Parse(L"/Z");
    EXPECT_FALSE(parser.HasKey(L"/K"));
    EXPECT_TRUE(parser.HasKey(L"/Z"));
    EXPECT_EQ(parser.Tail(), L"/Z");
}

}  // namespace
