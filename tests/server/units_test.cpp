// The service's building blocks: text and time parsing, pictures and clips it makes, the
// store's ordering rules, the fault plan and the command line.
#include <gtest/gtest.h>
#include <zlib.h>

#include "server/app/options.h"
#include "server/core/clock.h"
#include "server/core/text.h"
#include "server/faults/fault_plan.h"
#include "server/media/artwork.h"
#include "server/media/image_probe.h"
#include "server/media/raster.h"
#include "server/media/speex_clip.h"
#include "server/store/message_repo.h"
#include "server/store/store.h"
#include "server/store/user_repo.h"

namespace lumeno::server {
namespace {

TEST(ServerText, TimeTextsRoundTripAndEverythingElseIsRefused) {
    std::int64_t t = 1700000000;
    EXPECT_EQ(ParseTimeText(TimeText(t)), t);
    EXPECT_EQ(TimeText(t).size(), 19u);
    for (const char* bad : {"0", "", "2024-13-01 00:00:00", "2024-01-01 24:00:00",
                            "2024-01-01T00:00:00", "2024-1-01 00:00:00", "2024-01-01 00:00:0x"})
        EXPECT_FALSE(ParseTimeText(bad)) << bad;
}

TEST(ServerText, IntegersMustFitThirtyTwoBits) {
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), -2147483647 - 1);
    for (const char* bad :
         {"2147483648", "", " 1", "1 ", "1e3", "0x10", "+", "12a", "99999999999999"})
        EXPECT_FALSE(ParseInt32(bad)) << bad;
}

TEST(ServerText, Utf8CheckRefusesOverlongsSurrogatesAndCutSequences) {
    EXPECT_TRUE(IsValidUtf8("中文 emoji \xF0\x9F\x98\x84"));
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE4\xB8", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(CodePointCount("中文ab"), 4u);
    EXPECT_EQ(SplitList(" a, ,b ,,c", ','), (std::vector<std::string>{"a", "b", "c"}));
}

// Inflates a PNG's IDAT after checking every chunk's CRC.
std::string PngPixels(const std::string& png, int& width, int& height) {
    std::string idat;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        auto u32 = [&](size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(png[i])) << 24 |
                   static_cast<unsigned char>(png[i + 1]) << 16 |
                   static_cast<unsigned char>(png[i + 2]) << 8 |
                   static_cast<unsigned char>(png[i + 3]);
        };
        std::uint32_t length = u32(at);
        std::string type = png.substr(at + 4, 4);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
        EXPECT_EQ(crc, u32(at + 8 + length)) << type;
        if (type == "IHDR") {
            width = static_cast<int>(u32(at + 8));
            height = static_cast<int>(u32(at + 12));
        }
        if (type == "IDAT") idat += png.substr(at + 8, length);
        at += 12 + length;
    }
    std::string pixels(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1), '\0');
    uLongf size = pixels.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(pixels.data()), &size,
                         reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
              Z_OK);
    EXPECT_EQ(size, pixels.size());
    return pixels;
}

TEST(ServerMedia, PngHoldsExactlyThePixelsDrawn) {
    Raster r(3, 2, {10, 20, 30});
    r.Set(2, 1, {255, 0, 7});
    int w = 0, h = 0;
    std::string pixels = PngPixels(EncodePng(r), w, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(pixels[0], '\0');
    EXPECT_EQ(pixels.substr(1, 3), "\x0a\x14\x1e");
    EXPECT_EQ(pixels.substr(pixels.size() - 3), std::string("\xff\x00\x07", 3));
}

TEST(ServerMedia, ProbeReadsTheSizeOfEveryKind) {
    auto png = ProbeImage(AvatarPng(7));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->mime, "image/png");
    EXPECT_EQ(png->width, 120);
    auto jpeg = ProbeImage(LandscapeJpeg(3, 321, 123));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->extension, ".jpg");
    EXPECT_EQ(jpeg->width, 321);
    EXPECT_EQ(jpeg->height, 123);
    auto gif = ProbeImage(std::string("GIF89a\x40\x01\xf0\x00", 10));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 320);
    EXPECT_EQ(gif->height, 240);
    std::string bmp(26, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[18] = 10;
    bmp[22] = static_cast<char>(0xF6);  // a negative height: a top-down bitmap of 10 rows
    for (int i = 23; i < 26; ++i)
        bmp[static_cast<size_t>(i)] = static_cast<char>(0xFF);
    auto b = ProbeImage(bmp);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->height, 10);
    EXPECT_FALSE(ProbeImage("plain text"));
    auto cut = ProbeImage(std::string("\x89PNG\r\n\x1a\n", 8));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->width, 0);
}

TEST(ServerMedia, SpeexClipsAreHeaderAndWholeFrames) {
    std::string clip = SpeexClip(1, 2);
    std::uint32_t frame =
        static_cast<unsigned char>(clip[72]) | static_cast<unsigned char>(clip[73]) << 8;
    ASSERT_GT(frame, 20u);
    EXPECT_EQ((clip.size() - 80) / frame, 100u);
    EXPECT_EQ((clip.size() - 80) % frame, 0u);
    EXPECT_NE(SpeexClip(1, 2), SpeexClip(2, 2));
}

TEST(ServerStoreRules, MessageTimesFollowMessageIds) {
    Store store(":memory:");
    auto lock = store.Lock();
    MessageRow later;
    later.mid = 1000;
    later.sender_id = 1;
    later.text = "later";
    later.crtime = 2000;
    InsertMessage(store, later);
    MessageRow earlier = later;
    earlier.crtime = 1000;  // asked for an earlier time than the message before it
    InsertMessage(store, earlier);
    EXPECT_GT(earlier.id, later.id);
    EXPECT_EQ(earlier.crtime, 2000);
    EXPECT_EQ(MaxMessageIdUpTo(store.Db(), 1999), 0);
    EXPECT_EQ(MaxMessageIdUpTo(store.Db(), 2000), earlier.id);
}

TEST(ServerStoreRules, StampsIncreaseEvenWhenTheClockStands) {
    Store store(":memory:");
    auto lock = store.Lock();
    store.FreezeClock(5000);
    Stamp a = store.NextStamp();
    Stamp b = store.NextStamp();
    EXPECT_EQ(a.ts, 5000);
    EXPECT_EQ(b.ts, 5000);
    EXPECT_GT(b.seq, a.seq);
    store.FreezeClock(4000);
    EXPECT_EQ(store.NextStamp().ts, 5000) << "time never goes backwards";
}

TEST(ServerStoreRules, PasswordsAndTokens) {
    Store store(":memory:");
    auto lock = store.Lock();
    UserRow u;
    u.name = "x";
    std::int64_t id = InsertUser(store.Db(), u);
    EXPECT_EQ(id, 10001);
    EXPECT_FALSE(CheckPassword(store.Db(), id, "")) << "no password set";
    SetPassword(store.Db(), id, "secret");
    EXPECT_TRUE(CheckPassword(store.Db(), id, "secret"));
    EXPECT_FALSE(CheckPassword(store.Db(), id, "Secret"));
    std::string token = IssueToken(store.Db(), id, 1);
    EXPECT_EQ(CheckToken(store.Db(), "10001", token).state, TokenState::kValid);
    EXPECT_EQ(CheckToken(store.Db(), "10002", token).state, TokenState::kUnknown);
    RevokeTokens(store.Db(), id, 20002);
    TokenCheck revoked = CheckToken(store.Db(), "10001", token);
    EXPECT_EQ(revoked.state, TokenState::kRevoked);
    EXPECT_EQ(revoked.revoked_code, 20002);
}

TEST(ServerFaultPlan, CountsPathsUsersAndOneBrokenBodyPerAnswer) {
    FaultPlan plan;
    plan.Add({0, HttpFaultKind::kServerError, "/lumeno/msg/", "", 2, 0});
    plan.Add({0, HttpFaultKind::kMalformed, "", "7", -1, 0});
    plan.Add({0, HttpFaultKind::kDelay, "", "", 1, 50});
    FaultPlan::Applied first = plan.Take("/lumeno/msg/v3/get_msg_dlg", "7");
    EXPECT_EQ(first.body, HttpFaultKind::kServerError);
    EXPECT_EQ(first.delay_ms, 50);
    EXPECT_EQ(plan.Take("/lumeno/contact/v3/d1", "8").body, std::nullopt);
    EXPECT_EQ(plan.Take("/lumeno/contact/v3/d1", "7").body, HttpFaultKind::kMalformed);
    EXPECT_EQ(plan.Take("/lumeno/msg/v3/x", "").body, HttpFaultKind::kServerError);
    EXPECT_EQ(plan.Take("/lumeno/msg/v3/x", "").body, std::nullopt) << "used up";
    EXPECT_EQ(plan.Take("/files/a.png", "7").body, std::nullopt) << "downloads only by path";
    EXPECT_EQ(plan.List().size(), 1u);
}

TEST(ServerCommandLine, OnlyLoopbackAndSaneValues) {
    auto parse = [](std::vector<const char*> args, Options& o, std::string& error) {
        args.insert(args.begin(), "lumeno-server");
        return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
    };
    Options o;
    std::string error;
    EXPECT_TRUE(parse({"--port", "0", "--seed", "demo", "--host", "localhost", "-v"}, o, error));
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.log_level, 2);
    for (std::vector<const char*> bad : {std::vector<const char*>{"--host", "0.0.0.0"},
                                         {"--host", "192.168.1.2"},
                                         {"--port", "70000"},
                                         {"--port"},
                                         {"--seed", "everything"},
                                         {"--tls-cert", "odd"},
                                         {"--frobnicate"}}) {
        Options fresh;
        EXPECT_FALSE(parse(bad, fresh, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.2"));
    EXPECT_FALSE(IsLoopbackAddress("::1"));
}

}  // namespace
}  // namespace lumeno::server
