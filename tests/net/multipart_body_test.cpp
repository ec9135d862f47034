// The multipart body: exact bytes, order, and content that must not be able to add parts.
#include "net/multipart_body.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace {

TEST(MultipartBody, TextThenFileWithExactBytes) {
    lumeno::test::TempDir dir;
    std::ofstream(dir / "photo.jpg", std::ios::binary) << std::string("\xff\xd8\x00jpeg", 7);
    auto body = BuildMultipartBody({{"a", "hello", false}, {"pic", dir / "photo.jpg", true}});
    ASSERT_TRUE(body);
    EXPECT_EQ(body->boundary, "--MULTI-PARTS-FORM-DATA-BOUNDARY");
    const std::string expected =
        "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
        "Content-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n"
        "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
        "Content-Disposition: form-data; name=\"pic\"; filename=\"photo.jpg\"\r\n\r\n" +
        std::string("\xff\xd8\x00jpeg", 7) +
        "\r\n"
        "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";
    EXPECT_EQ(body->bytes, expected);
}

TEST(MultipartBody, UnreadableFileFailsInsteadOfSendingAnEmptyPart) {
    EXPECT_FALSE(BuildMultipartBody({{"mid", "5", false}, {"pic", "/no/such/file.png", true}}));
}

TEST(MultipartBody, ContentCannotStartPartsOfItsOwn) {
    lumeno::test::TempDir dir;
    std::ofstream(dir / "x") << "data";
    const std::string evil =
        "hi\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY\r\nContent-Disposition: "
        "form-data; name=\"is_anony\"\r\n\r\n1";
    auto body = BuildMultipartBody(
        {{"text", evil, false}, {"na\"me\r\nX: y", "v", false}, {"pic", dir / "x", true}});
    ASSERT_TRUE(body);
    EXPECT_NE(body->boundary, "--MULTI-PARTS-FORM-DATA-BOUNDARY");
    // Every delimiter line uses the chosen boundary, and only the three real parts start one.
    std::size_t parts = 0;
    for (std::size_t at = 0;
         (at = body->bytes.find("--" + body->boundary + "\r\n", at)) != std::string::npos; ++at) {
        ++parts;
    }
    EXPECT_EQ(parts, 3u);
    EXPECT_NE(body->bytes.find("name=\"na_me__X: y\""), std::string::npos);
    EXPECT_NE(body->bytes.find(evil), std::string::npos) << "the value itself is sent unchanged";
}

TEST(MultipartBody, LargeTextIsSizedExactly) {
    const std::string text(100 * 1024, 'x');
    auto body = BuildMultipartBody({{"text", text, false}});
    ASSERT_TRUE(body);
    const std::size_t overhead = std::string(
                                     "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
                                     "Content-Disposition: form-data; name=\"text\"\r\n\r\n"
                                     "\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n")
                                     .size();
    EXPECT_EQ(body->bytes.size(), text.size() + overhead);
}

}  // namespace
