#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "config/setup_config.h"
#include "tests/harness/testing.h"

// An installation directory of copied helpers, a record file every helper appends to, and the log.
class HelperFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::wstring& InstallDir() const { return m_install->Path(); }
    std::wstring InInstall(const std::wstring& relative) const;
    // Copies a built file (bin/<built>) to <install>\<relative>.
    void Place(const std::wstring& built, const std::wstring& relative) const;
    // Record lines "<file name>|<text>", in the order they were written.
    std::vector<std::string> Records() const;
    // The log with every line ending in "\n".
    std::string LogText() const;
    // A setup project whose <Setup> holds `body`, loaded from the scratch directory.
    std::unique_ptr<CSetupConfig> LoadProject(const std::string& body) const;

    std::unique_ptr<testing_support::ScratchDir> m_scratch;
    std::unique_ptr<testing_support::ScratchDir> m_install;

private:
    std::wstring m_record;
    std::wstring m_log;
};

std::string Narrow(const std::wstring& text);
// Index of the first line containing `part`, or -1.
int FindLine(const std::vector<std::string>& lines, const std::string& part);
// Ends every process whose image is `path`; true when one was running.
bool EndProcessesOf(const std::wstring& path);
