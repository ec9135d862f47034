// The component registry: numbers, shared and per-request components, tables and termination.
#include "util/component_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "util/binary_buffer.h"
#include "util/png_codec.h"
#include "util/small_components.h"

namespace {

std::atomic<int> g_made{0};
std::atomic<int> g_destroyed{0};

class CCountedShared : public CKesPluginBase<CCountedShared, 500> {
  public:
    CCountedShared() {
        ++g_made;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // widen the race window
    }
    ~CCountedShared() override { ++g_destroyed; }
};

class COldVersion : public CKesPluginBase<COldVersion, 501> {};
class CNewVersion : public CKesPluginBase<CNewVersion, 501> {};

const ComponentRecord kTestTable[] = {
    ComponentTableHeader(),
    ComponentEntry<CCountedShared>(u"CCountedShared", true),
    ComponentEntry<CNewVersion>(u"CNewVersion", false, 2),
    ComponentEntry<COldVersion>(u"COldVersion", false, 1),  // lower version: ignored
    ComponentTableEnd(),
};

const ComponentRecord kBadHeaderTable[] = {
    {kComponentTableTag + 1, nullptr, nullptr, 0, 0},
    ComponentEntry<COldVersion>(u"COldVersion", false, 9),
    ComponentTableEnd(),
};

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kTestTable);
        RegisterComponentTable(kBadHeaderTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    }
    void TearDown() override {
        GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    }
};

TEST_F(RegistryTest, UnregisteredAndOutOfRangeNumbersFailAndClearTheOutReference) {
    for (int number : {0, 1, 2, 8, 142, 1023, 1024, 5000, -3, -100}) {
        IKesPlugin* out = reinterpret_cast<IKesPlugin*>(0x1234);
        EXPECT_EQ(GetComponent(number, &out), E_FAIL) << number;
        EXPECT_EQ(out, nullptr) << number;
    }
    EXPECT_EQ(GetComponent(7, static_cast<IKesPlugin**>(nullptr)), E_INVALIDARG);
}

TEST_F(RegistryTest, SharedTwiceGivesOneObjectPerRequestGivesTwo) {
    KesPtr<CLibPng> png1, png2;
    ASSERT_EQ(png1.Get(26), S_OK);
    ASSERT_EQ(png2.Get(26), S_OK);
    EXPECT_EQ(png1.get(), png2.get());
    EXPECT_EQ(png1->GetId(), 26);

    KesPtr<CKesBinaryBuffer> buffer1, buffer2;
    ASSERT_EQ(buffer1.Get(7), S_OK);
    ASSERT_EQ(buffer2.Get(7), S_OK);
    EXPECT_NE(buffer1.get(), buffer2.get());
    EXPECT_EQ(buffer1->GetId(), 7);
}

TEST_F(RegistryTest, AskingForTheWrongClassFails) {
    CLibPng* png = nullptr;
    EXPECT_EQ(GetComponent(7, &png), E_FAIL);
    EXPECT_EQ(png, nullptr);
}

TEST_F(RegistryTest, HigherVersionWinsAndBadTablesAreSkipped) {
    IKesPlugin* plugin = nullptr;
    ASSERT_EQ(GetComponent(501, &plugin), S_OK);
    EXPECT_NE(dynamic_cast<CNewVersion*>(plugin), nullptr);
    plugin->Release();
}

TEST_F(RegistryTest, SharedInstanceIsMadeOnceUnderConcurrentFirstRequests) {
    g_made = 0;
    std::vector<std::thread> threads;
    std::vector<IKesPlugin*> got(8, nullptr);
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&got, i] { GetComponent(500, &got[i]); });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(g_made, 1);
    for (IKesPlugin* plugin : got) {
        EXPECT_EQ(plugin, got[0]);
        plugin->Release();
    }
}

TEST_F(RegistryTest, TerminationReleasesSharedInstances) {
    g_destroyed = 0;
    IKesPlugin* plugin = nullptr;
    ASSERT_EQ(GetComponent(500, &plugin), S_OK);
    plugin->Release();  // the registry still holds its own reference
    EXPECT_EQ(g_destroyed, 0);
    // Initialised twice (SetUp and here): only the last termination releases.
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    EXPECT_EQ(g_destroyed, 0);
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    EXPECT_EQ(g_destroyed, 1);
    EXPECT_EQ(GetComponent(500, &plugin), E_FAIL) << "slots are cleared";
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
}

TEST(BinaryBuffer, SetSizeFollowsItsGrowthRules) {
    RegisterComponentTable(kUtilComponentTable);
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    KesPtr<CKesBinaryBuffer> buffer;
    ASSERT_EQ(buffer.Get(7), S_OK);
    EXPECT_EQ(buffer->Data(), nullptr);
    EXPECT_EQ(buffer->Size(), 0u);

    std::uint8_t* ten = buffer->SetSize(10);
    ASSERT_NE(ten, nullptr);
    EXPECT_EQ(buffer->Size(), 10u);
    EXPECT_EQ(ten[10], 0);
    EXPECT_EQ(ten[11], 0);
    std::memset(ten, 'a', 10);

    EXPECT_EQ(buffer->SetSize(4), ten) << "big enough: same storage";
    EXPECT_EQ(buffer->Size(), 10u);
    EXPECT_EQ(ten[0], 'a') << "content kept";

    std::uint8_t* twenty = buffer->SetSize(20);
    ASSERT_NE(twenty, nullptr);
    EXPECT_EQ(buffer->Size(), 20u);
    EXPECT_EQ(twenty[20], 0);
    EXPECT_EQ(twenty[21], 0);

    EXPECT_EQ(buffer->SetSize(SIZE_MAX), nullptr) << "no overflow of size + 2";
    EXPECT_EQ(buffer->SetSize(SIZE_MAX - 1), nullptr);
    EXPECT_EQ(buffer->Data(), twenty) << "old storage stays after a failure";
    EXPECT_EQ(buffer->Size(), 20u);
}

TEST(SmallComponents, ZlibRoundTripAndLimit) {
    RegisterComponentTable(kUtilComponentTable);
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    KesPtr<CZlib> zlib;
    ASSERT_EQ(zlib.Get(25), S_OK);
    std::string text(100000, 'z');
    auto packed = zlib->Compress(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_FALSE(packed.empty());
    EXPECT_LT(packed.size(), text.size() / 10);
    auto unpacked = zlib->Uncompress(packed.data(), packed.size(), text.size());
    EXPECT_EQ(std::string(unpacked.begin(), unpacked.end()), text);
    EXPECT_TRUE(zlib->Uncompress(packed.data(), packed.size(), 1000).empty()) << "over the limit";
    EXPECT_TRUE(zlib->Uncompress(packed.data(), packed.size() / 2, text.size()).empty());
}

}  // namespace
