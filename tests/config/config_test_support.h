#pragma once
#include <windows.h>

#include <set>
#include <string>

#include "tests/harness/testing.h"

// SETUPCONFIG resources of the test program (tests/config/CMakeLists.txt).
namespace test_resources {
constexpr UINT kProduct = 209;     // the product's archive, as Uninstall.exe carries it
constexpr UINT kCases = 210;       // the projects of tests/config/data with their lists
constexpr UINT kEmpty = 211;       // 0 bytes
constexpr UINT kSized8192 = 212;   // a valid archive of exactly 8192 bytes
constexpr UINT kCorrupt = 213;     // the cases archive with its packed data overwritten
constexpr UINT kDotDot = 214;      // "inside.txt" and "../../evil.txt"
constexpr UINT kAbsolute = 215;    // one entry with an absolute path
constexpr UINT kPlainXml = 216;    // tests/config/data/roots.xml, not packed
constexpr UINT kOtherXml = 217;    // tests/config/data/roots_other.xml, not packed
}  // namespace test_resources

// Loads the 7z.dll built beside the tests (the process keeps it).
bool LoadSevenZip();

// The test data directory of the source tree.
std::wstring DataFile(const std::wstring& name);

// Points TMP and TEMP of this process to a fresh directory for the object's lifetime, so a test sees
// exactly the temporary files the code under test leaves.
class PrivateTempDir {
public:
    PrivateTempDir();
    ~PrivateTempDir();
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;

    const std::wstring& Path() const { return m_scratch.Path(); }
    // Names of the entries directly inside it.
    std::set<std::wstring> Entries() const;

private:
    testing_support::ScratchDir m_scratch;
    std::wstring m_oldTmp, m_oldTemp;
};

// Relative paths of the files below `directory`.
std::set<std::wstring> FilesBelow(const std::wstring& directory);
