// The update check and the downloads the answers point at.
#include <speex/speex.h>

#include "server/core/crypto.h"
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

class ServerDownloadContract : public ServiceFixture {
  protected:
    void SetUp() override { StartService("demo"); }

    std::string PathOf(const std::string& url) {
        std::string prefix = "http://127.0.0.1:" + std::to_string(api());
        EXPECT_EQ(url.rfind(prefix, 0), 0u) << url;
        return url.substr(prefix.size());
    }
};

TEST_F(ServerDownloadContract, UpdateCheckOffersAnInstallerWhoseMd5Matches) {
    RawAnswer a = RawGet(api(), std::string("/lumeno/check_version?p=windows&") + kClientQuery);
    ASSERT_TRUE(IsOk(a));
    for (const char* name : {"desc", "url", "md5", "version"})
        EXPECT_TRUE(IsText(a.json, name));
    EXPECT_TRUE(IsInt32(a.json, "force"));
    EXPECT_EQ(a.json["version"].asString(), "1.0.0.0");
    RawAnswer installer = RawGet(api(), PathOf(a.json["url"].asString()));
    EXPECT_EQ(installer.status, 200);
    EXPECT_FALSE(installer.body.empty());
    EXPECT_EQ(Md5Hex(installer.body), a.json["md5"].asString());

    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/update?version=1.0.0.2&force=1")));
    RawAnswer newer = RawGet(api(), "/lumeno/check_version?p=windows");
    EXPECT_EQ(newer.json["version"].asString(), "1.0.0.2");
    EXPECT_EQ(newer.json["force"].asInt(), 1);
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/lumeno/check_version?p=mac"), 10001));
}

TEST_F(ServerDownloadContract, AvatarsArePngAndPicturesJpeg) {
    Session me = SignIn("demo");
    RawAnswer d1 = Call(me, "contact/v3/d1");
    RawAnswer avatar = RawGet(api(), PathOf(d1.json["contacts"][0]["avatar"].asString()));
    EXPECT_EQ(avatar.status, 200);
    EXPECT_EQ(avatar.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_NE(avatar.headers.find("image/png"), std::string::npos);

    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1000&before_id=0&count=50");
    std::string picture_url;
    for (const Json::Value& d : history.json["dialogues"])
        if (d["type"].asInt() == 2) picture_url = d["file"]["url"].asString();
    ASSERT_FALSE(picture_url.empty());
    RawAnswer picture = RawGet(api(), PathOf(picture_url));
    EXPECT_EQ(picture.body.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(picture.body.substr(picture.body.size() - 2), "\xFF\xD9");
    EXPECT_EQ(RawGet(api(), "/files/pic/none.jpg").status, 404);
}

TEST_F(ServerDownloadContract, VoiceClipsHaveTheFrameLengthAtOffset72AndDecode) {
    Session me = SignIn("demo");
    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1000&before_id=0&count=50");
    std::string url;
    int duration = 0;
    for (const Json::Value& d : history.json["dialogues"])
        if (d["type"].asInt() == 1) {
            url = d["file"]["url"].asString();
            duration = d["file"]["duration"].asInt();
        }
    ASSERT_FALSE(url.empty());
    std::string clip = RawGet(api(), PathOf(url)).body;
    ASSERT_GT(clip.size(), 80u);
    EXPECT_EQ(clip.substr(0, 8), "Speex   ");
    std::uint32_t frame = 0;
    for (int i = 3; i >= 0; --i)
        frame = frame << 8 | static_cast<unsigned char>(clip[72 + i]);
    ASSERT_GT(frame, 0u);
    ASSERT_EQ((clip.size() - 80) % frame, 0u);
    size_t frames = (clip.size() - 80) / frame;
    EXPECT_EQ(frames, static_cast<size_t>(duration * 50));  // 20 ms a frame

    void* decoder = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_WB));
    SpeexBits bits;
    speex_bits_init(&bits);
    spx_int16_t samples[320];
    int loud = 0;
    for (size_t f = 0; f < frames; ++f) {
        speex_bits_read_from(&bits, clip.data() + 80 + f * frame, static_cast<int>(frame));
        ASSERT_EQ(speex_decode_int(decoder, &bits, samples), 0) << "frame " << f;
        for (spx_int16_t s : samples)
            loud += s > 2000 || s < -2000;
    }
    speex_bits_destroy(&bits);
    speex_decoder_destroy(decoder);
    EXPECT_GT(loud, 1000) << "the clip holds sound, not silence";
}

TEST_F(ServerDownloadContract, ShareLinksOpenPages) {
    RawAnswer page = RawGet(api(), "/share/user/10002");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("张伟"), std::string::npos);
    EXPECT_EQ(RawGet(api(), "/share/job/1").status, 200);
    EXPECT_EQ(RawGet(api(), "/share/user/nobody").status, 404);
}

}  // namespace
}  // namespace lumeno::server::testing
