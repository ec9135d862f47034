// The page's clicks read back from the addresses it navigates to and checked against what the
// page holds, and emoticons in a text item beside a link and a mention.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conversation/emoticon_table.h"
#include "conversation/message_items.h"
#include "conversation/page_dispatch.h"
#include "tests/support/build_tree.h"

namespace {

TEST(PageDispatch, ClicksAreReadOnlyFromTheLinkHostAndCheckedAgainstThePage) {
    std::map<std::int32_t, MessageRecord> messages;
    messages[7].type = 1;  // a voice clip
    messages[8].type = 101;
    messages[8].reveal_user.qxid = "card1";
    messages[9].type = 101;  // a card without its user
    messages[10].type = 0;
    PageContents page;
    page.findMessage = [&](std::int32_t id) -> const MessageRecord* {
        const auto found = messages.find(id);
        return found == messages.end() ? nullptr : &found->second;
    };
    page.showsPicture = [](const std::string& address) {
        return address == "http://127.0.0.1:8080/p/a b.png";
    };
    const auto allowed = [&](const std::string& url) {
        return PageLinkAllowed(ParsePageLink(url), page);
    };

    // Every kind of click, as the page sends it.
    EXPECT_EQ(ParsePageLink("http://lumenoclient/iconclick?id=10").click, PageClick::kAvatar);
    EXPECT_EQ(ParsePageLink("http://lumenoclient/audio?id=7").id, 7);
    EXPECT_EQ(ParsePageLink("HTTP://LumenoClient/GetMore").click, PageClick::kMore);
    const PageLink picture = ParsePageLink(
        "http://lumenoclient/imgclick?id=http%3A%2F%2F127.0.0.1%3A8080%2Fp%2Fa%20b.png");
    EXPECT_EQ(picture.click, PageClick::kPicture);
    EXPECT_EQ(picture.text, "http://127.0.0.1:8080/p/a b.png");
    EXPECT_EQ(ParsePageLink("http://lumenoclient/atnameclick?id=u_2").text, "u_2");
    EXPECT_TRUE(allowed("http://lumenoclient/iconclick?id=10"));
    EXPECT_TRUE(allowed("http://lumenoclient/iconclick?id=31"));  // just sent: own avatar
    EXPECT_TRUE(allowed("http://lumenoclient/audio?id=7"));
    EXPECT_TRUE(allowed("http://lumenoclient/cardclick?id=8"));
    EXPECT_TRUE(allowed("http://lumenoclient/getmore"));
    EXPECT_TRUE(
        allowed("http://lumenoclient/imgclick?id=http%3A%2F%2F127.0.0.1%3A8080%2Fp%2Fa%20b.png"));
    EXPECT_TRUE(allowed("http://lumenoclient/atnameclick?id=u_2"));

    // Ids of the wrong kind, or of nothing on the page, do nothing.
    EXPECT_FALSE(allowed("http://lumenoclient/audio?id=10"));     // a text, not a clip
    EXPECT_FALSE(allowed("http://lumenoclient/audio?id=99"));     // not in this conversation
    EXPECT_FALSE(allowed("http://lumenoclient/cardclick?id=7"));  // a clip, not a card
    EXPECT_FALSE(allowed("http://lumenoclient/cardclick?id=9"));  // a card without its user
    EXPECT_FALSE(allowed("http://lumenoclient/cardclick?id=abc"));
    EXPECT_FALSE(allowed("http://lumenoclient/iconclick?id=-4"));
    EXPECT_FALSE(allowed("http://lumenoclient/iconclick?id=99999999999"));
    EXPECT_FALSE(allowed("http://lumenoclient/imgclick?id=file%3A%2F%2F%2Fetc%2Fpasswd"));
    EXPECT_FALSE(allowed("http://lumenoclient/imgclick?id="));
    EXPECT_FALSE(allowed("http://lumenoclient/atnameclick?id=u1%22%3E"));
    EXPECT_FALSE(allowed("http://lumenoclient/atnameclick?id="));
    EXPECT_FALSE(allowed("http://lumenoclient/somethingelse"));

    // Only the link host itself, at the very start.
    EXPECT_EQ(ParsePageLink("http://lumenoclient.example.com/getmore").click, PageClick::kNone);
    EXPECT_EQ(ParsePageLink("https://lumenoclient/getmore").click, PageClick::kNone);
    EXPECT_EQ(ParsePageLink("http://example.com/?u=http://lumenoclient/getmore").click,
              PageClick::kNone);
    EXPECT_EQ(ParsePageLink("http://lumenoclient/getmore2").click, PageClick::kUnknown);
}

TEST(PageDispatch, EmoticonsInATextSitBesideItsLinksAndMentions) {
    EmoticonTable table = EmoticonTable::Load(lumeno::test::build::SkinDir());
    ASSERT_FALSE(table.Empty());
    LoginRecord account;
    account.qxid = "me1";
    ConversationRecord conversation;
    conversation.type = 3;
    conversation.member_ids = {"u1"};
    UserRecord alice;
    alice.qxid = "u1";
    alice.name = "Alice";
    ItemSources sources;
    sources.conversation = &conversation;
    sources.account = &account;
    sources.findUser = [&](const std::string& id) { return id == "u1" ? &alice : nullptr; };
    sources.emoticons = &table;
    MessageRecord message;
    message.id = 3;
    message.qxid = "u1";
    message.is_me = 0;
    message.text = "[smiles_01_01]@Alice see http://a.example/[smiles_01_02]x [nope]";
    const std::string item = MakeItem(message, sources);
    EXPECT_NE(item.find(R"(src=\"images/smiles/smiles_01_01.png\")"), std::string::npos) << item;
    EXPECT_NE(item.find("atnameclick?id=u1"), std::string::npos) << item;
    // The code inside the address is a picture after the link, never inside its attribute.
    EXPECT_NE(item.find(R"(href=\"http://a.example/\")"), std::string::npos) << item;
    EXPECT_NE(item.find("[nope]"), std::string::npos);
    // A system notice keeps its codes as text.
    message.type = 99;
    EXPECT_EQ(MakeItem(message, sources).find("<img"), std::string::npos);
}

}  // namespace
