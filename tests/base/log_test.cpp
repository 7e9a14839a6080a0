#include <gtest/gtest.h>
#include <locale.h>

#include <string>

#include "base/log.h"
#include "tests/harness/testing.h"

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// Lines are "YYYY-MM-DD hh:mm:ss " + text + CR LF; strips the 20-character time stamps.
std::string WithoutStamps(const std::string& file) {
    std::string out;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t end = file.find('\n', pos);
        std::string line = file.substr(pos, end == std::string::npos ? std::string::npos : end - pos + 1);
        if (line.size() > 20 && line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[19] == ' ')
            line = line.substr(20);
        out += line;
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return out;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { setlocale(LC_ALL, "chs"); }
    ScratchDir dir;
    std::wstring path = dir / L"korvel_uninst.log";
};

TEST_F(LogTest, LinesBeforeOpenAreWrittenAfterTheHeaderOnce) {
    CSmartLogger logger;
    logger.AppendLine(L"early");
    EXPECT_FALSE(logger.WriteOut());
    logger.Open(path);
    logger.AppendLine(L"ends in newline\n");
    EXPECT_TRUE(logger.WriteOut());
    logger.AppendLine(L"second write");
    EXPECT_TRUE(logger.WriteOut());

    std::string file = ReadFileBytes(path);
    // The header's own "\r\n" becomes CR CR LF in text mode; two blanks before the closing signs.
    ASSERT_EQ(file.rfind("\r\r\n================== Start Log:", 0), 0u) << file;
    size_t headerEnd = file.find(" ==================\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    EXPECT_EQ(file[headerEnd - 1], ' ');
    EXPECT_EQ(WithoutStamps(file.substr(headerEnd + 21)), "early\r\nends in newline\r\nsecond write\r\n");
    EXPECT_EQ(file.find("Start Log", headerEnd), std::string::npos) << "header written twice";
}

TEST_F(LogTest, TwoLoggersAppendEachWithItsOwnHeader) {
    for (int run = 0; run < 2; ++run) {
        CSmartLogger logger;
        logger.Open(path);
        logger.AppendLine(L"run");
        logger.WriteOut();
    }
    std::string file = ReadFileBytes(path);
    size_t first = file.find("Start Log:");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(file.find("Start Log:", first + 1), std::string::npos);
}

TEST_F(LogTest, TextIsWrittenInCodePage936) {
    CSmartLogger logger;
    logger.Open(path);
    logger.AppendLine(L"卸载 100%");
    logger.WriteOut();
    std::string file = ReadFileBytes(path);
    // GBK bytes of 卸 (D0 B6) and 载 (D4 D8).
    EXPECT_NE(file.find("\xD0\xB6\xD4\xD8 100%\r\n"), std::string::npos);
}

TEST_F(LogTest, PendingLinesAreForcedOutAfterOneHundred) {
    CSmartLogger logger;
    logger.Open(path);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(logger.AppendLine(L"x"), static_cast<size_t>(i + 1));
    EXPECT_TRUE(ReadFileBytes(path).empty());
    EXPECT_EQ(logger.AppendLine(L"x"), 0u);  // the 101st line wrote all of them
    EXPECT_FALSE(ReadFileBytes(path).empty());
}

TEST_F(LogTest, OpenDiscardsOnlyFilesLargerThanOneGiB) {
    struct Case {
        unsigned long long size;
        bool survives;
    } cases[] = {{CSmartLogger::kMaxFileSize, true}, {CSmartLogger::kMaxFileSize + 1, false}};
    for (const Case& c : cases) {
        {
            HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            LARGE_INTEGER size;
            size.QuadPart = static_cast<LONGLONG>(c.size);
            SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
            CloseHandle(file);
        }
        CSmartLogger logger;
        logger.Open(path);
        EXPECT_EQ(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES, c.survives) << c.size;
        DeleteFileW(path.c_str());
    }
}

TEST_F(LogTest, LogFunctionDropsMessagesLongerThan511Characters) {
    Logger().Open(path);
    std::wstring exact(511, L'a'), tooLong(600, L'b');
    Log(L"%s", exact.c_str());
    Log(L"%s", tooLong.c_str());
    Log(L"percent %s and %d%%", L"wide", 42);
    std::string file = ReadFileBytes(path);
    EXPECT_NE(file.find(std::string(511, 'a') + "\r\n"), std::string::npos);
    EXPECT_EQ(file.find('b'), std::string::npos);
    EXPECT_NE(file.find("percent wide and 42%\r\n"), std::string::npos);
}

}  // namespace
