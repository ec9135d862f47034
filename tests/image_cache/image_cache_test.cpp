// The image cache against a loopback picture server: downloads once, serves again from memory
// and from its database, announces what became ready, runs at most five downloads at once and
// stays within its memory bound.
#include "storage/image_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/ui_thread.h"
#include "storage/sqlite_component.h"
#include "tests/image_cache/test_pictures.h"
#include "tests/support/flow_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "util/user_messages.h"

namespace {

using namespace std::chrono_literals;
using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;

// Records the cache's completion broadcasts.
class ReadyRecorder final : public CAsyncMsgHandler {
  public:
    ReadyRecorder() { LinkAtHead(); }
    void OnMessage(const BroadcastMessage* record) override {
        if (!record || record->message != UM_IMAGE_READY) return;
        if (record->wParam != reinterpret_cast<WPARAM>(&CImageCache::Instance())) return;
        keys.push_back(reinterpret_cast<const ImageReadyNotice*>(record->lParam)->key);
    }
    std::vector<std::string> keys;
};

class ImageCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    }
    template <typename Step>
    void RunToEnd(Step step) {
        FlowHandle handle;
        RunFlow(&handle, step);
        ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
    }
    std::string Url(const RawHttpServer& server, const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
    }

    lumeno::test::TempDir dir_;
    lumeno::test::FlowWindow window_;
    CImageCache& cache_ = CImageCache::Instance();
};

RawHttpServer PictureServer() {
    return RawHttpServer([](const std::string& request) {
        if (request.find("GET /html") == 0) return ScriptedAnswer{HttpAnswer(200, "<html/>")};
        if (request.find("GET /gone") == 0) return ScriptedAnswer{HttpAnswer(404, "")};
        return ScriptedAnswer{
            HttpAnswer(200, lumeno::test::SolidPicture(120, 80, 0x3366CC), "image/png")};
    });
}

TEST_F(ImageCacheTest, SecondRequestIsServedWithoutNetwork) {
    RawHttpServer server = PictureServer();
    const std::string url = Url(server, "/avatar/1.png");
    ReadyRecorder ready;
    auto list = std::make_shared<PictureMap>();
    EXPECT_FALSE(cache_.GetBitmap(list.get(), url, 42));
    PicturePtr small;
    RunToEnd([&](CAsyncWorkFlow& flow) { small = cache_.Download(list, url, 42, flow); });
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 42);
    EXPECT_EQ(list->count(url + "&42"), 1u);
    EXPECT_EQ(list->count(url + "&80"), 1u);
    EXPECT_EQ(ready.keys, std::vector<std::string>{url + "&42"});

    PicturePtr large = cache_.GetBitmap(nullptr, url, 80);
    ASSERT_TRUE(large);
    EXPECT_EQ(large->width, 90) << "the larger size is kept under &80";
    EXPECT_EQ(cache_.GetBitmap(nullptr, url, 42), small);
    EXPECT_FALSE(cache_.GetBitmap(nullptr, url, 0)) << "the unscaled picture was not asked for";

    // Memory forgets; the database still has both.
    cache_.SetMemoryLimit(1);
    cache_.SetMemoryLimit(48u * 1024 * 1024);
    EXPECT_FALSE(cache_.InMemory(url + "&42"));
    PicturePtr again = cache_.GetBitmap(nullptr, url, 42);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bits, small->bits);
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(ImageCacheTest, UnscaledPictureKeepsItsSize) {
    RawHttpServer server = PictureServer();
    PicturePtr picture;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        picture = cache_.Download({}, Url(server, "/photo.png"), 0, flow);
    });
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 120);
    EXPECT_EQ(picture->height, 80);
    EXPECT_TRUE(cache_.Database().Contains(Url(server, "/photo.png")));
}

TEST_F(ImageCacheTest, FailedDownloadsLeaveTheKeyUncached) {
    RawHttpServer server = PictureServer();
    ReadyRecorder ready;
    std::vector<bool> got;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        for (const char* path : {"/html", "/gone", "/html"})
            got.push_back(cache_.Download({}, Url(server, path), 42, flow) != nullptr);
    });
    EXPECT_EQ(got, std::vector<bool>(3, false));
    EXPECT_EQ(server.RequestCount(), 3u) << "each request tries again";
    EXPECT_TRUE(ready.keys.empty());
    EXPECT_EQ(cache_.Database().Rows(), 0u);
}

TEST_F(ImageCacheTest, DamagedStoredPicturesAreNoPicturesAndAreDownloadedAgain) {
    RawHttpServer server = PictureServer();
    const std::string url = Url(server, "/avatar/2.png");
    // What a bad sector or a half-written value leaves in the file.
    for (const std::string& damaged :
         {std::string(), std::string("\x89PNG\r\n", 6), std::string(5000, '\xff')}) {
        cache_.SetMemoryLimit(1);
        cache_.SetMemoryLimit(48u * 1024 * 1024);
        ASSERT_TRUE(cache_.Database().Write(url + "&42", damaged));
        EXPECT_FALSE(cache_.GetBitmap(nullptr, url, 42)) << damaged.size();
        PicturePtr fresh;
        RunToEnd([&](CAsyncWorkFlow& flow) { fresh = cache_.Download({}, url, 42, flow); });
        ASSERT_TRUE(fresh) << damaged.size();
        EXPECT_EQ(fresh->width, 42);
        EXPECT_TRUE(cache_.GetBitmap(nullptr, url, 42)) << "the good copy replaced the damaged one";
    }
}

TEST_F(ImageCacheTest, AtMostFiveDownloadsRunAtOnce) {
    std::atomic<int> running{0}, most{0};
    const std::string png = lumeno::test::SolidPicture(10, 10, 0xFF00FF);
    RawHttpServer server([&](const std::string&) {
        const int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(300ms);
        --running;
        return ScriptedAnswer{HttpAnswer(200, png, "image/png")};
    });
    std::vector<std::unique_ptr<FlowHandle>> flows;
    int done = 0;
    for (int i = 0; i < 8; ++i) {
        flows.push_back(std::make_unique<FlowHandle>());
        const std::string url = Url(server, "/p" + std::to_string(i) + ".png");
        RunFlow(flows.back().get(), [&, url](CAsyncWorkFlow& flow) {
            if (cache_.Download({}, url, 42, flow)) ++done;
        });
    }
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return done == 8; }, 30s));
    EXPECT_EQ(most.load(), kImageDownloadsAtOnce);
    EXPECT_EQ(server.RequestCount(), 8u);
}

TEST_F(ImageCacheTest, MemoryStaysWithinItsBound) {
    RawHttpServer server = PictureServer();
    // Room for about three scaled pairs.
    const std::size_t limit = 3 * (90 * 90 * 4 + 42 * 42 * 4) + 1000;
    cache_.SetMemoryLimit(limit);
    RunToEnd([&](CAsyncWorkFlow& flow) {
        for (int i = 0; i < 6; ++i)
            cache_.Download({}, Url(server, "/a" + std::to_string(i)), 42, flow);
    });
    EXPECT_LE(cache_.MemoryBytes(), limit);
    EXPECT_TRUE(cache_.InMemory(Url(server, "/a5") + "&42"));
    EXPECT_FALSE(cache_.InMemory(Url(server, "/a0") + "&42"));
    EXPECT_TRUE(cache_.GetBitmap(nullptr, Url(server, "/a0"), 42)) << "still in the database";
    EXPECT_EQ(server.RequestCount(), 6u);
}

}  // namespace
