// Items of a chat window read from the account's stores: only the window's own conversation's
// messages are shown, senders are named from the user store, and the label before the oldest
// message looks at the next older message of the conversation's index.

#include <gtest/gtest.h>
#include <json/reader.h>
#include <stdlib.h>
#include <time.h>

#include <memory>

#include "api/login.h"
#include "conversation/store_sources.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"

namespace {

constexpr std::int32_t kTen = 1772618400;  // 2026-03-04 10:00:00 UTC

class StoreSources : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        Clear();
        CDBLogin::Instance().Record().qxid = "me1";
        CDBLogin::Instance().Record().realname = "Zhang San";
        UserRecord& alice = CDBUser::Instance().Users()["u1"];
        alice.qxid = "u1";
        alice.name = "Alice";
        alice.avatar = "https://img.example.com/a.jpg";
        ConversationRecord& group = CDBMsgDlg::Instance().ConversationFor(60);
        group.type = kGroupConversationType;
        group.member_ids = {"u1"};
        Add(1, 60, kTen);
        Add(2, 60, kTen + 9 * 60);
        Add(3, 60, kTen + 10 * 60);
        Add(9, 61, kTen + 10 * 60);
        CDBMsgDlg::Instance().Index()[60].ids = {3, 2, 1};
    }
    void TearDown() override { Clear(); }

    static void Clear() {
        CDBMsgDlg::Instance().Clear();
        CDBUser::Instance().Clear();
        CDBLogin::Instance().Record().Clear();
    }

    static void Add(std::int32_t id, std::int32_t conversation, std::int32_t stamp) {
        MessageRecord message;
        message.id = id;
        message.mid = conversation;
        message.qxid = "u1";
        message.is_me = 0;
        message.text = "m" + std::to_string(id);
        message.crtimestamp = stamp;
        CDBMsgDlg::Instance().AddMessage(id, message);
    }
};

Json::Value ParseArray(const std::string& items) {
    const std::string text = "[" + items + "]";
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text;
    return value;
}

TEST_F(StoreSources, HistoryShowsTheWindowsConversationFromTheStores) {
    const ItemSources sources = StoreItemSources(60);
    ASSERT_NE(sources.conversation, nullptr);
    TimeLabelMarks marks;
    const HistoryBatch batch = BuildHistory({3, 9, 2}, sources, StoreHistorySource(60), marks);
    EXPECT_EQ(batch.oldestShown, 2);
    // 9 belongs to another conversation. 2 is a minute before 3; 1, before 2 in the index, is
    // 9 minutes older, so 2 opens with its label.
    const Json::Value items = ParseArray(batch.data);
    ASSERT_EQ(items.size(), 3u) << batch.data;
    EXPECT_EQ(items[0]["type"], "time");
    EXPECT_EQ(items[0]["time"], "03-04 10:09");
    EXPECT_EQ(items[1]["id"], "2");
    EXPECT_EQ(items[2]["id"], "3");
    EXPECT_EQ(items[2]["uname"], "Alice");
    EXPECT_EQ(items[2]["uicon"], "https://img.example.com/a.jpg");

    EXPECT_EQ(StoreItemSources(99).conversation, nullptr);
    EXPECT_EQ(MakeItem(*CDBMsgDlg::Instance().FindMessage(3), StoreItemSources(99)), "");
}

}  // namespace
