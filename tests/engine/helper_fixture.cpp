#include "tests/engine/helper_fixture.h"

#include <psapi.h>
#include <shlobj.h>

#include <sstream>

#include "base/log.h"
#include "base/paths.h"
#include "engine/program_closer.h"

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

void HelperFixture::SetUp() {
    m_scratch = std::make_unique<ScratchDir>();
    m_install = std::make_unique<ScratchDir>();
    m_record = *m_scratch / L"record.txt";
    m_log = *m_scratch / L"korvel_uninst.log";
    SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", m_record.c_str());
    Logger().Open(m_log);
}

void HelperFixture::TearDown() { SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", nullptr); }

std::wstring HelperFixture::InInstall(const std::wstring& relative) const { return *m_install / relative; }

void HelperFixture::Place(const std::wstring& built, const std::wstring& relative) const {
    std::wstring target = InInstall(relative);
    SHCreateDirectoryExW(nullptr, Paths::ParentDirectory(target).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Paths::Join(BinDir(), built).c_str(), target.c_str(), FALSE)) << Narrow(built);
}

std::vector<std::string> HelperFixture::Records() const {
    std::vector<std::string> lines;
    std::istringstream stream(ReadFileBytes(m_record));
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string HelperFixture::LogText() const {
    Logger().WriteOut();
    std::string text = ReadFileBytes(m_log);
    std::string lines;  // "\r\n" as "\n", so that tests can look for whole lines
    for (char c : text)
        if (c != '\r') lines += c;
    return lines;
}

std::unique_ptr<CSetupConfig> HelperFixture::LoadProject(const std::string& body) const {
    WriteFileBytes(*m_scratch / L"roots.xml", "<RootDirFiles><Dir/><File/></RootDirFiles>\r\n");
    WriteFileBytes(*m_scratch / L"test.zyrprj",
                   "<Setup><UninstallRootDirFileList File=\"roots.xml\"/>" + body + "</Setup>\r\n");
    auto config = std::make_unique<CSetupConfig>();
    EXPECT_TRUE(config->Load(*m_scratch / L"test.zyrprj"));
    return config;
}

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), n, nullptr, nullptr);
    return result;
}

int FindLine(const std::vector<std::string>& lines, const std::string& part) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
    return -1;
}

bool EndProcessesOf(const std::wstring& path) {
    DWORD ids[512] = {};
    DWORD bytes = 0;
    if (!EnumProcesses(ids, sizeof(ids), &bytes)) return false;
    bool found = false;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        wchar_t image[1024] = {};
        if (!GetProcessImagePath(ids[i], image, 1024) || _wcsicmp(image, path.c_str()) != 0) continue;
        found = true;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ids[i]);
        if (!process) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    return found;
}
