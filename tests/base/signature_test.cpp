#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/paths.h"
#include "base/signature.h"
#include "tests/harness/testing.h"

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

std::wstring Probe(const wchar_t* kind) {
    return Paths::Join(BinDir(), std::wstring(L"signature_probe_") + kind + L".exe");
}

std::wstring Upper(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

TEST(SignatureTest, OnlyTheMakersPublishersPass) {
    ScratchDir dir;
    std::wstring missing = dir / L"missing.exe";
    struct {
        std::wstring path;
        bool accepted;
    } cases[] = {
        {Probe(L"signed"), true},
        {Probe(L"foreign"), false},  // valid signature, publisher not on the list
        {Probe(L"unsigned"), false},
        {missing, false},
    };
    for (const auto& c : cases) EXPECT_EQ(VerifyFileSignature(c.path.c_str()), c.accepted) << c.path;
    EXPECT_FALSE(VerifyFileSignature(nullptr));
}

TEST(SignatureTest, AlteredSignedFileFails) {
    ScratchDir dir;
    std::string bytes = ReadFileBytes(Probe(L"signed"));
    ASSERT_GT(bytes.size(), 4096u);
    // A byte of the code, well inside the signed image.
    bytes[bytes.size() / 3] = static_cast<char>(bytes[bytes.size() / 3] ^ 0x5A);
    std::wstring altered = dir / L"altered.exe";
    ASSERT_TRUE(WriteFileBytes(altered, bytes));
    EXPECT_FALSE(VerifyFileSignature(altered.c_str()));
    EXPECT_FALSE(VerifyFileSignedBy(altered.c_str(), KORVEL_TEST_PUBLISHER));
}

TEST(SignatureTest, SignedByComparesThePublisherWithoutCase) {
    std::wstring publisher = KORVEL_TEST_PUBLISHER;
    std::wstring signedProbe = Probe(L"signed");
    EXPECT_TRUE(VerifyFileSignedBy(signedProbe.c_str(), publisher.c_str()));
    EXPECT_TRUE(VerifyFileSignedBy(signedProbe.c_str(), Upper(publisher).c_str()));
    EXPECT_FALSE(VerifyFileSignedBy(signedProbe.c_str(), KORVEL_TEST_FOREIGN_PUBLISHER));
    EXPECT_FALSE(VerifyFileSignedBy(signedProbe.c_str(), (publisher + L" Holdings").c_str()));

    std::wstring foreign = Probe(L"foreign");
    EXPECT_TRUE(VerifyFileSignedBy(foreign.c_str(), KORVEL_TEST_FOREIGN_PUBLISHER));
    EXPECT_FALSE(VerifyFileSignedBy(foreign.c_str(), publisher.c_str()));

    std::wstring unsignedProbe = Probe(L"unsigned");
    EXPECT_FALSE(VerifyFileSignedBy(unsignedProbe.c_str(), publisher.c_str()));
}

TEST(SignatureTest, SignedByWithoutPublisherAcceptsAnything) {
    std::wstring unsignedProbe = Probe(L"unsigned");
    EXPECT_TRUE(VerifyFileSignedBy(unsignedProbe.c_str(), nullptr));
    EXPECT_TRUE(VerifyFileSignedBy(nullptr, nullptr));
}

}  // namespace
