// The items and envelopes the conversation page receives, compared field by field against the
// JSON the page expects, for every kind of message and every kind of batch.

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>
#include <stdlib.h>
#include <time.h>

#include <QFont>
#include <QFontMetrics>
#include <QStringList>
#include <map>
#include <memory>
#include <string>

#include "conversation/message_items.h"
#include "conversation/page_font.h"
#include "storage/msg_dlg_store.h"

namespace {

Json::Value Parse(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        << errors << "\n"
        << text;
    return value;
}

#define EXPECT_JSON(actual, expected) \
    EXPECT_EQ(Parse(actual), Parse(expected)) << "actual: " << (actual)

// The width the page's face gives the text, measured here with Qt directly.
std::string BubbleWidth(const std::string& text) {
    QFont font;
    font.setFamilies(
        QStringList{QString::fromLatin1(kPageTextFamily), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(kPageTextPixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    const int width = QFontMetrics(font).horizontalAdvance(QString::fromStdString(text)) + 40;
    return std::to_string(std::min(width, 300));
}

// 2026-03-04 10:00:00 UTC.
constexpr std::int32_t kTen = 1772618400;

class MessageItems : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        account.qxid = "me1";
        account.realname = "Zhang San";
        account.avatar = "https://img.example.com/me.jpg";
        account.anon_avatar = "12";
        AddUser("u1", "Alice", "Engineer", "https://img.example.com/a.jpg", 1);
        AddUser("u2", "Bob", "Designer", "7", 0);
        conversation.id = 50;
        conversation.type = 2;
        conversation.member_ids = {"u1", "u2"};
        sources.conversation = &conversation;
        sources.account = &account;
        sources.findUser = [this](const std::string& qxid) -> const UserRecord* {
            const auto found = users.find(qxid);
            return found == users.end() ? nullptr : &found->second;
        };
        sources.fetchUser = [this](const std::string& qxid) { fetched.push_back(qxid); };
    }

    void AddUser(const std::string& qxid, const std::string& name, const std::string& career,
                 const std::string& avatar, int judge) {
        UserRecord& user = users[qxid];
        user.qxid = qxid;
        user.name = name;
        user.career = career;
        user.avatar = avatar;
        user.judge = judge;
    }

    static MessageRecord Message(std::int32_t id, std::int32_t type, const std::string& from,
                                 const std::string& text, std::int32_t stamp = kTen) {
        MessageRecord message;
        message.id = id;
        message.type = type;
        message.qxid = from;
        message.is_me = from == "me1";
        message.text = text;
        message.crtimestamp = stamp;
        message.crtime = "2026-03-04 10:00:00";
        return message;
    }

    LoginRecord account;
    ConversationRecord conversation;
    std::map<std::string, UserRecord> users;
    std::vector<std::string> fetched;
    ItemSources sources;
};

TEST_F(MessageItems, OneToOneTextIsEscapedLinkedAndUnnamed) {
    const std::string text = "<b>Tom & 'Jerry'</b> see www.example.com";
    EXPECT_JSON(MakeItem(Message(7, 0, "u1", text), sources), R"({
        "id": "7", "type": "text", "from": "other", "uid": "u1", "uname": "", "utitle": "",
        "uicon": "https://img.example.com/a.jpg", "uaddv": "", "width": ")" +
                                                                  BubbleWidth(text) + R"(",
        "time": "2026-03-04 10:00:00",
        "content": "&#60;b&#62;Tom &#38; &#39;Jerry&#39;&#60;/b&#62; see <a href=\"http://www.example.com\" target=\"_blank\">www.example.com</a>"
    })");

    // Own messages show the account's picture, from the copy on disk when there is one.
    sources.avatarFile = [](const std::string& qxid, const std::string& url) {
        return qxid == "me1" && url == "https://img.example.com/me.jpg" ? "/data/head/my pic.jpg"
                                                                        : "";
    };
    EXPECT_JSON(MakeItem(Message(8, 0, "me1", "ok"), sources, 3), R"({
        "id": "3", "type": "text", "from": "me", "uid": "me1", "uname": "", "utitle": "",
        "uicon": "file:///data/head/my%20pic.jpg", "uaddv": "", "width": ")" +
                                                                      BubbleWidth("ok") + R"(",
        "time": "2026-03-04 10:00:00", "content": "ok"})");

    // A picture address that is not a web address never reaches the page.
    for (const std::string avatar :
         {"javascript:alert(1)", "file:///etc/passwd", "/home/x/a.png",
          "http://lumenoclient/getmore", "http://x.com/\"onerror=\"alert(1)"}) {
        users["u1"].avatar = avatar;
        EXPECT_EQ(Parse(MakeItem(Message(7, 0, "u1", "x"), sources))["uicon"], "") << avatar;
    }

    // No conversation, no item.
    sources.conversation = nullptr;
    EXPECT_EQ(MakeItem(Message(7, 0, "u1", "x"), sources), "");
}

TEST_F(MessageItems, GroupItemsNameTheSenderUnlessAnonymous) {
    conversation.type = kGroupConversationType;
    const std::string text = "@Bob look, @Alice";
    EXPECT_JSON(MakeItem(Message(9, 0, "u1", text), sources), R"({
        "id": "9", "type": "text", "from": "other", "uid": "u1", "uname": "Alice",
        "utitle": "Engineer", "uicon": "https://img.example.com/a.jpg",
        "uaddv": "images/icon_v1.png", "width": ")" + BubbleWidth(text) +
                                                                  R"(",
        "time": "2026-03-04 10:00:00",
        "content": "<a href=\"http://lumenoclient/atnameclick?id=u2\"><font color=#2f678c>@Bob</font></a> look, <a href=\"http://lumenoclient/atnameclick?id=u1\"><font color=#2f678c>@Alice</font></a>"
    })");

    MessageRecord anonymous = Message(10, 0, "u1", "psst");
    anonymous.anonym = 1;
    EXPECT_JSON(MakeItem(anonymous, sources), R"({
        "id": "10", "type": "text", "from": "other", "uid": "u1", "uname": "匿名", "utitle": "",
        "uicon": "images/sys/anony.png", "uaddv": "", "width": ")" +
                                                  BubbleWidth("psst") + R"(",
        "time": "2026-03-04 10:00:00", "content": "psst"})");

    const Json::Value own = Parse(MakeItem(Message(11, 0, "me1", "hi"), sources));
    EXPECT_EQ(own["uname"], "Zhang San");
    EXPECT_EQ(own["utitle"], "");

    // An unknown sender is fetched and shown without a name for now.
    const Json::Value unknown = Parse(MakeItem(Message(12, 0, "u9", "hi"), sources));
    EXPECT_EQ(unknown["uname"], "");
    EXPECT_EQ(unknown["uicon"], "");
    EXPECT_EQ(fetched, std::vector<std::string>{"u9"});

    // Names are plain text for the page to set as text: kept as they are, made valid UTF-8.
    users["u1"].name = "<img src=x onerror=alert(1)>\xFF";
    EXPECT_EQ(Parse(MakeItem(Message(9, 0, "u1", "x"), sources))["uname"],
              "<img src=x onerror=alert(1)>\xEF\xBF\xBD");

    EXPECT_JSON(
        MakeItem(Message(13, 99, "u1", "Bob <joined> http://lumenoclient/getmore"), sources),
        R"({"id": "13", "type": "text", "from": "sys", "uid": "u1", "uname": "",
        "utitle": "", "uicon": "", "uaddv": "", "width": ")" +
            BubbleWidth("Bob <joined> http://lumenoclient/getmore") + R"(",
        "time": "2026-03-04 10:00:00",
        "content": "Bob &#60;joined&#62; http://lumenoclient/getmore"})");

    // A group that was left shows no names.
    conversation.deleted = 1;
    EXPECT_EQ(Parse(MakeItem(Message(9, 0, "u1", "x"), sources))["uname"], "");
}

TEST_F(MessageItems, AnonymousConversationsShowTheSkinsAnonymousPictures) {
    conversation.type = 1;
    conversation.me_is_anony = 0;  // the other side is anonymous
    EXPECT_EQ(Parse(MakeItem(Message(1, 0, "u2", "x"), sources))["uicon"], "images/anony/7.png");
    EXPECT_EQ(Parse(MakeItem(Message(2, 0, "me1", "x"), sources))["uicon"],
              "https://img.example.com/me.jpg");
    conversation.me_is_anony = 1;  // this account is anonymous
    EXPECT_EQ(Parse(MakeItem(Message(3, 0, "me1", "x"), sources))["uicon"], "images/anony/12.png");
    // A picture name that could leave the folder or the attribute gives no picture.
    conversation.me_is_anony = 0;
    for (const std::string name : {"../../../x", "a\"b", "", "123456789012345678901234567890123"}) {
        users["u2"].avatar = name;
        EXPECT_EQ(Parse(MakeItem(Message(1, 0, "u2", "x"), sources))["uicon"], "") << name;
    }
}

TEST_F(MessageItems, EveryKindOfMessage) {
    MessageRecord picture = Message(20, 2, "u1", "[图片]");
    picture.file.url = "https://img.example.com/full.jpg";
    picture.file.turl = "https://img.example.com/thumb.jpg";
    EXPECT_JSON(MakeItem(picture, sources), R"({
        "id": "20", "type": "img", "from": "other", "uid": "u1", "uname": "", "utitle": "",
        "uicon": "https://img.example.com/a.jpg", "uaddv": "", "width": ")" +
                                                BubbleWidth("[图片]") + R"(",
        "time": "2026-03-04 10:00:00", "content": "https://img.example.com/full.jpg"})");
    picture.file.url = "javascript:alert(1)";
    EXPECT_EQ(Parse(MakeItem(picture, sources))["content"], "");
    // A picture on its way from this desktop shows its own file, however its path is written
    // (a path that starts with "//" names no other machine here).
    MessageRecord sending = Message(0, 2, "me1", "[图片]");
    for (const auto& [path, address] :
         {std::pair<std::string, std::string>{"/home/x/my pic.png", "file:///home/x/my%20pic.png"},
          {"//home/x/a.png", "file:///home/x/a.png"},
          {"///f", "file:///f"},
          {"relative.png", ""}}) {
        sending.file.local_path = path;
        EXPECT_EQ(Parse(MakeItem(sending, sources, 5))["content"].asString(), address) << path;
    }

    MessageRecord audio = Message(21, 1, "u1", "<voice>");
    audio.file.duration = 12;
    const Json::Value audioItem = Parse(MakeItem(audio, sources));
    EXPECT_EQ(audioItem["type"], "audio");
    EXPECT_EQ(audioItem["playtime"], "12");
    EXPECT_EQ(audioItem["content"], "<voice>");  // plain text, set as text by the page

    MessageRecord card = Message(22, 101, "u1", std::string(500, 'w'));
    card.reveal_user.avatar = "http://img.example.com/c.jpg";
    card.reveal_user.name = "Carol <3";
    card.reveal_user.judge = 2;
    card.reveal_user.line1 = "CTO";
    card.reveal_user.line2 = "Beijing";
    card.reveal_user.dist = 2;
    EXPECT_JSON(MakeItem(card, sources), R"({
        "id": "22", "type": "card", "from": "other", "uid": "u1", "uname": "", "utitle": "",
        "uicon": "https://img.example.com/a.jpg", "uaddv": "", "width": "320",
        "time": "2026-03-04 10:00:00", "content": "http://lumenoclient/cardclick?id=22",
        "cimg": "http://img.example.com/c.jpg", "cname": "Carol <3",
        "caddv": "images/icon_v2.png", "ctitle": "CTO", "cfrom": "Beijing",
        "relation": "images/icon_contact2.png"})");

    MessageRecord job = Message(23, 103, "u1", "job");
    job.job.position = "Engineer";
    job.job.province = "Zhejiang";
    job.job.company = "A Company Whose Name Goes On And On Without End";
    job.job.salary_info = "20k-30k";
    job.job.user_info = "HR Li";
    job.job.clogo = "https://img.example.com/logo.png";
    job.job.share_url = "https://jobs.example.com/1";
    job.job.dist = 1;
    const Json::Value jobItem = Parse(MakeItem(job, sources));
    const std::string line = jobItem["promoney"].asString();
    EXPECT_JSON(MakeItem(job, sources), R"({
        "id": "23", "type": "profession", "from": "other", "uid": "u1", "uname": "",
        "utitle": "", "uicon": "https://img.example.com/a.jpg", "uaddv": "", "width": "320",
        "time": "2026-03-04 10:00:00", "content": "https://jobs.example.com/1",
        "proname": "Engineer", "promoney": ")" +
                                            line + R"(", "issuer": "HR Li",
        "company": "https://img.example.com/logo.png", "relation": "images/icon_contact1.png"})");
    // The long line is cut in its province and company part; the salary stays whole, and the
    // cut keeps the most that fits.
    ASSERT_GT(line.size(), std::string("...  20k-30k").size());
    EXPECT_EQ(line.rfind("Zhejiang A Com", 0), 0u) << line;
    EXPECT_EQ(line.substr(line.size() - 11), "... 20k-30k") << line;
    EXPECT_LE(PageTextWidth(line), kJobLineRoom);
    const std::string kept = line.substr(0, line.size() - 11);
    const std::string head = "Zhejiang " + job.job.company;
    EXPECT_GT(PageTextWidth(head.substr(0, kept.size() + 1) + "... 20k-30k"), kJobLineRoom);
    job.job.company = "ACo";
    EXPECT_EQ(Parse(MakeItem(job, sources))["promoney"], "Zhejiang ACo 20k-30k");

    MessageRecord resume = Message(24, 105, "u1", "cv");
    resume.resume_user.avatar = "https://img.example.com/r.jpg";
    resume.resume_user.realname = "Wang Wu";
    resume.resume_user.line = "Five years of C++";
    resume.resume_user.share_url = "https://cv.example.com/9";
    resume.resume_user.dist = 0;
    EXPECT_JSON(MakeItem(resume, sources), R"({
        "id": "24", "type": "resume", "from": "other", "uid": "u1", "uname": "", "utitle": "",
        "uicon": "https://img.example.com/a.jpg", "uaddv": "", "width": "320",
        "time": "2026-03-04 10:00:00", "content": "https://cv.example.com/9",
        "rimg": "https://img.example.com/r.jpg", "rname": "Wang Wu的简历",
        "rtitle": "Five years of C++", "relation": "images/icon_contact_me.png"})");

    // Job types 100, 102 and 104 look like 103; a type this client does not know is escaped text.
    for (int type : {100, 102, 104}) {
        EXPECT_EQ(Parse(MakeItem(Message(25, type, "u1", "x"), sources))["type"], "profession");
    }
    const Json::Value unknown = Parse(MakeItem(Message(26, 7, "u1", "<i>new</i>"), sources));
    EXPECT_EQ(unknown["type"], "text");
    EXPECT_EQ(unknown["content"], "&#60;i&#62;new&#60;/i&#62;");
}

TEST_F(MessageItems, LongHostileTextStaysTextInAWideBubble) {
    std::string big;
    while (big.size() < (1u << 20))
        big += "<script>alert('x')</script> \xC3 http://lumenoclient/getmore \u200F\u200B ";
    const Json::Value item = Parse(MakeItem(Message(30, 0, "u1", big), sources));
    EXPECT_EQ(item["width"], "300");
    const std::string content = item["content"].asString();
    EXPECT_EQ(content.find('<'), std::string::npos);
    EXPECT_EQ(content.find("\xC3 "), std::string::npos);
    EXPECT_NE(content.find("&#60;script&#62;alert(&#39;x&#39;)"), std::string::npos);
}

TEST_F(MessageItems, TimeLabelsCountTheMinutesBeyondWholeHours) {
    EXPECT_JSON(MakeTimeLabel(Message(1, 0, "u1", "x", kTen + 5 * 60 + 59)), R"({
        "id": "0", "type": "time", "from": "sys", "uid": "", "uname": "", "utitle": "",
        "uicon": "", "uaddv": "", "width": "180", "time": "03-04 10:05",
        "content": "03-04 10:05"})");

    const auto at = [](std::int32_t seconds) { return Message(1, 0, "u1", "x", kTen + seconds); };
    EXPECT_FALSE(TimeLabelBetween(at(0), at(3 * 60 + 59)));  // 3 minutes
    EXPECT_TRUE(TimeLabelBetween(at(0), at(5 * 60)));        // 5 minutes
    EXPECT_FALSE(TimeLabelBetween(at(0), at(62 * 60)));      // 62 minutes count as 2
    EXPECT_TRUE(TimeLabelBetween(at(0), at(65 * 60)));       // 65 minutes count as 5
    EXPECT_FALSE(TimeLabelBetween(at(5 * 60), at(0)));       // not later

    TimeLabelMarks marks;
    // The first message of an empty window gets a label.
    EXPECT_TRUE(TimeLabelDue(at(30), marks, LabelDirection::kDown));
    EXPECT_EQ(marks.top, kTen);
    EXPECT_EQ(marks.bottom, kTen);
    // Every later one counts from the one before it, labelled or not.
    const auto down = [&](std::int32_t seconds) {
        return TimeLabelDue(at(seconds), marks, LabelDirection::kDown);
    };
    EXPECT_FALSE(down(3 * 60 + 59));
    EXPECT_EQ(marks.bottom, kTen + 3 * 60);
    EXPECT_FALSE(down(65 * 60));  // 62 minutes after the one before
    EXPECT_TRUE(down(70 * 60 + 10));
    EXPECT_FALSE(down(60 * 60));  // not later than the newest shown
    EXPECT_EQ(marks.bottom, kTen + 70 * 60);
    // Upwards from the oldest shown, independently of the bottom.
    EXPECT_FALSE(TimeLabelDue(at(-4 * 60), marks, LabelDirection::kUp));
    EXPECT_TRUE(TimeLabelDue(at(-9 * 60), marks, LabelDirection::kUp));
    EXPECT_EQ(marks.top, kTen - 9 * 60);
}

// The labels of a conversation do not depend on how it reached the page: one batch, a page and
// older history above it, or history and then arrivals below give the same labels at the same
// places. 11:14 and 14:14 are 3 whole hours apart (no label); 14:14 and 15:44, 30 minutes beyond
// the hour (a label); 15:46 is 2 minutes on; 16:50 is 64 minutes on (4 beyond the hour).
TEST_F(MessageItems, TheSameLabelsWhateverBatchesBroughtTheMessages) {
    std::map<std::int32_t, MessageRecord> held;
    const std::int32_t minutes[] = {
        0, 11 * 60 + 14, 14 * 60 + 14, 15 * 60 + 44, 15 * 60 + 46, 16 * 60 + 50, 17 * 60 + 1};
    const std::int64_t midnight = kTen - 10 * 3600;
    for (std::int32_t id = 1; id <= 6; ++id)
        held[id] = Message(id, 0, "u1", "m" + std::to_string(id),
                           static_cast<std::int32_t>(midnight + minutes[id] * 60 + 17));
    HistorySource history;
    history.findMessage = [&](std::int32_t id) -> const MessageRecord* {
        const auto found = held.find(id);
        return found == held.end() ? nullptr : &found->second;
    };
    history.olderMessage = [&](const MessageRecord& message) -> const MessageRecord* {
        const auto found = held.find(message.id - 1);
        return found == held.end() ? nullptr : &found->second;
    };
    // The page as a list of "label hh:mm" and "id" entries, oldest first.
    const auto page = [](const std::vector<std::string>& batches) {
        std::vector<std::string> entries;
        for (const std::string& data : batches) {
            for (const Json::Value& item : Parse("[" + data + "]")) {
                entries.push_back(item["type"] == "time" ? "label " + item["time"].asString()
                                                         : item["id"].asString());
            }
        }
        return entries;
    };

    TimeLabelMarks one;
    const std::vector<std::string> whole =
        page({BuildHistory({6, 5, 4, 3, 2, 1}, sources, history, one).data});
    EXPECT_EQ(whole, (std::vector<std::string>{"label 03-04 11:14", "1", "2", "label 03-04 15:44",
                                               "3", "4", "5", "label 03-04 17:01", "6"}));

    TimeLabelMarks paged;
    const std::string newest = BuildHistory({6, 5, 4}, sources, history, paged).data;
    const std::string older = BuildHistory({3, 2, 1}, sources, history, paged).data;
    EXPECT_EQ(page({older, newest}), whole) << "a page, then older history above it";

    TimeLabelMarks arrivals;
    std::vector<std::string> batches = {BuildHistory({3, 2, 1}, sources, history, arrivals).data};
    for (std::int32_t id : {4, 5, 6})
        batches.push_back(BelowData(held[id], sources, arrivals));
    EXPECT_EQ(page(batches), whole) << "history, then arrivals below it";
}

TEST_F(MessageItems, HistoryBatchLabelsAcrossASkippedMessage) {
    std::map<std::int32_t, MessageRecord> held;
    held[5] = Message(5, 0, "u1", "five", kTen + 30 * 60);
    held[3] = Message(3, 0, "u1", "three", kTen + 20 * 60);
    held[2] = Message(2, 0, "u1", "two", kTen + 18 * 60);
    held[1] = Message(1, 0, "u1", "one", kTen);
    HistorySource history;
    history.findMessage = [&](std::int32_t id) -> const MessageRecord* {
        const auto found = held.find(id);
        return found == held.end() || id == 1 ? nullptr : &found->second;
    };
    history.olderMessage = [&](const MessageRecord& message) -> const MessageRecord* {
        return message.id == 2 ? &held[1] : nullptr;
    };
    // The window already shows a message of 10:30 (a batch before this one).
    TimeLabelMarks marks{kTen + 30 * 60, kTen + 30 * 60};
    const HistoryBatch batch = BuildHistory({5, 4, 3, 2}, sources, history, marks);
    EXPECT_EQ(batch.oldestShown, 2);
    const auto item = [&](std::int32_t id) { return MakeItem(held[id], sources); };
    // 4 is unknown: the label between 3 and 5 carries the time of 5, the last item shown. 2 is
    // within 2 minutes of 3; 1, which the conversation holds before 2, is 18 minutes older.
    EXPECT_JSON("[" + batch.data + "]", "[" + MakeTimeLabel(held[2]) + "," + item(2) + "," +
                                            item(3) + "," + MakeTimeLabel(held[5]) + "," + item(5) +
                                            "]");
    EXPECT_EQ(Parse(MakeTimeLabel(held[5]))["time"], "03-04 10:30");
    EXPECT_EQ(marks.top, kTen + 18 * 60);

    EXPECT_JSON(HistoryEnvelope(true, HistoryPosition::kUp, batch.data),
                R"({"errno": "0", "errmsg": "ok", "hasmore": "1", "pos": "up", "data": [)" +
                    batch.data + "]}");
    EXPECT_EQ(HistoryEnvelope(false, HistoryPosition::kTop, ""),
              R"({"errno":"0","errmsg":"ok","hasmore":"0","pos":"top","data":[]})");

    // The oldest message of everything held gets its label in front; nothing shown, no text.
    marks = {};
    const HistoryBatch oldest = BuildHistory({2}, sources, history, marks);
    history.olderMessage = nullptr;
    const HistoryBatch first = BuildHistory({3}, sources, history, marks);
    EXPECT_EQ(first.data, MakeTimeLabel(held[3]) + "," + item(3));
    EXPECT_EQ(oldest.data, MakeTimeLabel(held[2]) + "," + item(2));  // 18 minutes after 1
    const HistoryBatch none = BuildHistory({4, 1}, sources, history, marks);
    EXPECT_EQ(none.data, "");
    EXPECT_EQ(none.oldestShown, 0);

    MessageIndexEntry index;
    index.ids = {5, 3, 2};
    index.moreOnServer = 0;
    EXPECT_TRUE(HistoryHasMore(&index, 3));
    EXPECT_FALSE(HistoryHasMore(&index, 2));
    index.moreOnServer = 1;
    EXPECT_TRUE(HistoryHasMore(&index, 2));
}

TEST_F(MessageItems, ArrivedAndSentBatches) {
    TimeLabelMarks marks{kTen, kTen};
    const MessageRecord soon = Message(40, 0, "u1", "soon", kTen + 2 * 60);
    EXPECT_EQ(BelowData(soon, sources, marks), MakeItem(soon, sources));
    const MessageRecord later = Message(41, 0, "u1", "later", kTen + 10 * 60);
    const std::string data = BelowData(later, sources, marks);
    EXPECT_EQ(data, MakeTimeLabel(later) + "," + MakeItem(later, sources));
    EXPECT_JSON(ArrivedEnvelope(false, data),
                R"({"errno": "0", "errmsg": "ok", "pos": "bottom", "data": [)" + data + "]}");
    EXPECT_EQ(Parse(ArrivedEnvelope(true, data))["pos"], "");

    MessageRecord sent = Message(0, 0, "me1", "mine");
    StampJustSent(sent, kTen + 20 * 60 + 7);
    EXPECT_EQ(sent.crtime, "2026-03-04 10:20:07");
    const std::string sentData = BelowData(sent, sources, marks, 17);
    const std::string call = PageCall(SentEnvelope(sentData));
    ASSERT_EQ(call.rfind("onQxMsg(", 0), 0u);
    ASSERT_EQ(call.back(), ')');
    const Json::Value envelope = Parse(call.substr(8, call.size() - 9));
    ASSERT_EQ(envelope["data"].size(), 2u);
    EXPECT_EQ(envelope["data"][0]["content"], "03-04 10:20");
    EXPECT_EQ(envelope["data"][1]["id"], "17");
    EXPECT_EQ(envelope["data"][1]["from"], "me");
    EXPECT_EQ(envelope["pos"], "bottom");
}

}  // namespace
