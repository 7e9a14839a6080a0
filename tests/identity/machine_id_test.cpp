#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "base/registry.h"
#include "identity/id_resolve.h"
#include "identity/id_text.h"
#include "identity/machine_id.h"
#include "identity/zyr_mid2.h"

namespace {

using Registry::RegView;
using namespace identity_detail;

// Test-only cache keys, so that fixed hardware facts never reach the caches other tests rely on.
const wchar_t kTestMidKey[] = L"Software\\Keeper2\\RozazeTest";
const wchar_t kTestMid2Key[] = L"SOFTWARE\\ComKeeperTest";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring ReadValue(const wchar_t* key, const wchar_t* name, RegView view) {
    std::wstring value;
    return Registry::ReadString(HKEY_LOCAL_MACHINE, key, name, &value, 0, view) ? value : L"<absent>";
}

bool IsLowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

class MachineIdTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kTestMidKey);
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kTestMid2Key, RegView::Native64);
    }
    static std::string Mid(const std::string& hardware) {
        return ResolveMid([&] { return hardware; }, kTestMidKey);
    }
    std::wstring MidValue(const wchar_t* name) { return ReadValue(kTestMidKey, name, RegView::Product); }
    std::wstring Mid2Value(const wchar_t* name) { return ReadValue(kTestMid2Key, name, RegView::Native64); }

    // Fixed components; counts how often each is asked for.
    Mid2Sources Sources(Mid2Components components, bool elevated) {
        Mid2Sources sources;
        sources.elevated = elevated;
        sources.retryDelayMs = 0;
        sources.key = kTestMid2Key;
        sources.collect = [this, components](unsigned component) mutable {
            ++m_collects;
            return components.Get(component);
        };
        return sources;
    }
    static Mid2Components Components(const std::string& mac, const std::string& disk) {
        Mid2Components c;
        c.mac = mac;
        c.disk = disk;
        c.processor = "GenuineIntel,906ea,Test CPU";
        return c;
    }
    static std::string Text(const Mid2Components& components, bool elevated) {
        std::string text;
        BuildMid2Text(components, elevated, nullptr, &text);
        return text;
    }
    int m_collects = 0;
};

TEST_F(MachineIdTest, MidIsComputedStoredWithItsCheckAndThenServedFromTheCache) {
    std::string mid = Mid("HW-1");
    EXPECT_EQ(mid, "e4f62cb735b1e2c0e2c82c8f1f894a92");  // digest text of "HW-1" (host route, see id_text_test)
    EXPECT_EQ(MidValue(L"mid"), Wide(mid + MidDigestText(mid)));
    EXPECT_EQ(MidValue(L"mid_old"), L"<absent>");
    EXPECT_EQ(Mid("HW-2"), mid);  // a valid stored value wins over the hardware
}

TEST_F(MachineIdTest, MidWithWrongCheckHalfIsRecomputedAndKeptAsOld) {
    std::wstring bad = L"e4f62cb735b1e2c0e2c82c8f1f894a92" + std::wstring(32, L'a');
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMidKey, L"mid", bad));
    std::string mid = Mid("HW-2");
    EXPECT_EQ(mid, "c323b105695010207a1f5fa946d3fa94");  // digest text of "HW-2"
    EXPECT_EQ(MidValue(L"mid"), Wide(mid + MidDigestText(mid)));
    EXPECT_EQ(MidValue(L"mid_old"), bad);
}

TEST_F(MachineIdTest, Mid2FailedFallbackIsNotStored) {
    EXPECT_EQ(Mid(""), "30908dae359c9665d70190674e7dc5a0");  // digest text of "Mid2Failed"
    EXPECT_EQ(MidValue(L"mid"), L"<absent>");
}

TEST_F(MachineIdTest, StoredMid2Of43CharactersIsIgnored) {
    Mid2Components facts = Components("001122AABBCC", "SERIALMODEL");
    std::wstring short43 = Wide(Text(facts, true).substr(0, 43));
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMid2Key, L"m2", short43, RegView::Native64));
    std::string mid2 = ResolveMid2(Sources(facts, true));
    EXPECT_EQ(mid2, Text(facts, true));
    EXPECT_EQ(Mid2Value(L"m2"), Wide(mid2));
    EXPECT_EQ(Mid2Value(L"m2_old"), short43);
}

TEST_F(MachineIdTest, ValidStoredMid2IsKeptWhenNotElevatedOrUnchanged) {
    Mid2Components facts = Components("001122AABBCC", "SERIALMODEL");
    std::string stored = Text(Components("AABBCCDDEEFF", "OTHER"), true);
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMid2Key, L"m2", Wide(stored), RegView::Native64));
    EXPECT_EQ(ResolveMid2(Sources(facts, false)), stored);
    EXPECT_EQ(m_collects, 0);  // no device was asked

    std::string same = Text(facts, true);
    for (size_t i = 42; i < same.size(); ++i) same[i] = char(toupper(same[i]));  // check digits in upper case
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMid2Key, L"m2", Wide(same), RegView::Native64));
    EXPECT_EQ(ResolveMid2(Sources(facts, true)), same);
    EXPECT_EQ(Mid2Value(L"m2_old"), L"<absent>");
}

TEST_F(MachineIdTest, StoredMid2MayBeAnExpandString) {
    Mid2Components facts = Components("001122AABBCC", "SERIALMODEL");
    std::wstring stored = Wide(Text(Components("AABBCCDDEEFF", "OTHER"), true));
    ScopedRegKey key;
    ASSERT_EQ(Registry::CreateKey(HKEY_LOCAL_MACHINE, kTestMid2Key, KEY_SET_VALUE, &key, RegView::Native64),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), L"m2", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                             DWORD((stored.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(Wide(ResolveMid2(Sources(facts, false))), stored);
}

TEST_F(MachineIdTest, ChangedHardwareReplacesStoredMid2AndKeepsTheOld) {
    std::string stored = Text(Components("AABBCCDDEEFF", "OTHER"), true);
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMid2Key, L"m2", Wide(stored), RegView::Native64));
    Mid2Components facts = Components("001122AABBCC", "SERIALMODEL");
    EXPECT_EQ(ResolveMid2(Sources(facts, true)), Text(facts, true));
    EXPECT_EQ(Mid2Value(L"m2"), Wide(Text(facts, true)));
    EXPECT_EQ(Mid2Value(L"m2_old"), Wide(stored));
}

TEST_F(MachineIdTest, RandomStoredMid2SurvivesMissingHardware) {
    const GUID guid = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    std::string random;
    BuildMid2Text(Mid2Components(), true, &guid, &random);
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestMid2Key, L"m2", Wide(random), RegView::Native64));
    EXPECT_EQ(ResolveMid2(Sources(Components("", ""), true)), random);
}

TEST_F(MachineIdTest, MissingComponentsAreAskedForOnceMore) {
    Mid2Components facts = Components("001122AABBCC", "");
    std::string mid2 = ResolveMid2(Sources(facts, true));
    EXPECT_EQ(m_collects, 3 + 1);  // all three, then the disk again
    EXPECT_EQ(mid2, Text(facts, true));
    EXPECT_EQ(mid2.substr(40, 2), "29");  // MAC and processor bits, no disk bit

    // Nothing at all and nothing stored: a random value, stored.
    m_collects = 0;
    Clean();
    std::string random = ResolveMid2(Sources(Mid2Components(), true));
    EXPECT_EQ(m_collects, 3 + 2);
    EXPECT_TRUE(IsRandomMid2(random)) << random;
    EXPECT_EQ(Mid2Value(L"m2"), Wide(random));
}

TEST_F(MachineIdTest, NonElevatedProcessReportsEeeeeeee) {
    Mid2Components facts = Components("001122AABBCC", "SERIALMODEL");
    std::string mid2 = ResolveMid2(Sources(facts, false));
    EXPECT_EQ(mid2.substr(0, 8), "eeeeeeee");
    EXPECT_TRUE(IsValidStoredMid2(mid2));
}

// The real identifiers on this machine (Wine answers few device queries): well-formed, stable,
// cached under the product's keys, and the same from every thread.
TEST(MachineIdRealTest, MidFromThisMachine) {
    char mid[33];
    ASSERT_TRUE(GetMachineId(mid, sizeof(mid)));
    EXPECT_EQ(strlen(mid), 32u);
    EXPECT_TRUE(IsLowerHex(mid)) << mid;
    wchar_t wide[64];
    ASSERT_TRUE(GetMachineIdW(wide, 64));
    EXPECT_EQ(std::wstring(wide), Wide(mid));
    char small[32] = "untouched";
    EXPECT_FALSE(GetMachineId(small, sizeof(small)));
    EXPECT_STREQ(small, "untouched");

    std::wstring stored = ReadValue(kMidKey, L"mid", RegView::Product);
    if (std::string(mid) != MidDigestText("Mid2Failed")) {
        EXPECT_EQ(stored, Wide(MakeStoredMid(mid)));
    }
}

TEST(MachineIdRealTest, Mid2FromThisMachineOnEveryThread) {
    wchar_t tooSmall[49];
    EXPECT_EQ(GetMachineId2(tooSmall, 49), E_INVALIDARG);

    std::vector<std::wstring> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] {
            wchar_t buffer[50];
            if (SUCCEEDED(GetMachineId2(buffer, 50))) results[i] = buffer;
        });
    for (auto& t : threads) t.join();
    std::string mid2(results[0].begin(), results[0].end());
    EXPECT_EQ(mid2.size(), 44u);
    EXPECT_TRUE(IsValidStoredMid2(mid2)) << mid2;
    for (const auto& r : results) EXPECT_EQ(r, results[0]);
    if (!IsProcessElevated()) {
        EXPECT_TRUE(mid2.rfind("eeeeeeee", 0) == 0 || IsRandomMid2(mid2)) << mid2;
    }
}

TEST(MachineIdRealTest, Mid2ServerInterfaces) {
    CZyrMID2* server = CZyrMID2::Instance();
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server, CZyrMID2::Instance());
    INewMID* newMid = nullptr;
    ASSERT_EQ(static_cast<IExtend*>(server)->QueryInterface(IID_INewMID, reinterpret_cast<void**>(&newMid)), S_OK);
    IExtend* extend = nullptr;
    ASSERT_EQ(newMid->QueryInterface(IID_IExtend, reinterpret_cast<void**>(&extend)), S_OK);
    EXPECT_EQ(extend->Reserved1(), E_NOTIMPL);
    EXPECT_EQ(extend->Reserved8(), E_NOTIMPL);
    void* other = nullptr;
    EXPECT_EQ(newMid->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(newMid->Release(), 1u);
    wchar_t buffer[50];
    EXPECT_EQ(newMid->GetMID2(buffer, 50), S_OK);
    wchar_t tiny[10];
    EXPECT_EQ(newMid->GetMID2(tiny, 10), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
