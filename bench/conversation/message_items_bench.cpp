// What turning messages into the conversation page's items costs: 1,000 messages of a group
// conversation (texts with links and mentions, pictures, cards, jobs) built into a history
// envelope with their time labels, in microseconds and as a ratio to writing the same fields,
// unescaped and unmeasured, with the JSON library alone in the same round. An optional argument
// sets the number of rounds.

#include <json/value.h>
#include <json/writer.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conversation/message_items.h"

namespace {

constexpr int kMessages = 1000;
constexpr std::int32_t kStart = 1772618400;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<MessageRecord> MakeMessages() {
    std::vector<MessageRecord> messages;
    for (int i = 0; i < kMessages; ++i) {
        MessageRecord m;
        m.id = kMessages - i;
        m.mid = 60;
        m.qxid = "u" + std::to_string(i % 20);
        m.is_me = i % 7 == 0;
        m.crtimestamp = kStart - i * 97;
        m.crtime = "2026-03-04 10:00:00";
        m.text = "第" + std::to_string(i) +
                 "条 <message> with https://example.com/p?a=1&b=2 @User3 " +
                 std::string(static_cast<std::size_t>(i % 40), 'x');
        switch (i % 10) {
            case 3:
                m.type = 2;
                m.file.url = "https://img.example.com/" + std::to_string(i) + ".jpg";
                break;
            case 5:
                m.type = 101;
                m.reveal_user.name = "Card";
                m.reveal_user.avatar = "https://img.example.com/c.jpg";
                break;
            case 7:
                m.type = 103;
                m.job.province = "Zhejiang";
                m.job.company = "A company with a long name " + std::to_string(i);
                m.job.salary_info = "20k-30k";
                m.job.share_url = "https://jobs.example.com/1";
                break;
            default:
                break;
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

std::string Write(const Json::Value& value) {
    static const std::unique_ptr<Json::StreamWriter> writer = [] {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "";
        builder["emitUTF8"] = true;
        return std::unique_ptr<Json::StreamWriter>(builder.newStreamWriter());
    }();
    std::ostringstream out;
    writer->write(value, &out);
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    std::map<std::string, UserRecord> users;
    ConversationRecord conversation;
    conversation.id = 60;
    conversation.type = kGroupConversationType;
    for (int i = 0; i < 20; ++i) {
        UserRecord& user = users["u" + std::to_string(i)];
        user.qxid = "u" + std::to_string(i);
        user.name = "User" + std::to_string(i);
        user.career = "Engineer";
        user.avatar = "https://img.example.com/u" + std::to_string(i) + ".jpg";
        user.judge = i % 2;
        conversation.member_ids.push_back(user.qxid);
    }
    LoginRecord account;
    account.qxid = "me1";
    account.realname = "Me";
    ItemSources sources;
    sources.conversation = &conversation;
    sources.account = &account;
    sources.findUser = [&](const std::string& qxid) -> const UserRecord* {
        const auto found = users.find(qxid);
        return found == users.end() ? nullptr : &found->second;
    };
    const std::vector<MessageRecord> messages = MakeMessages();
    std::map<std::int32_t, const MessageRecord*> byId;
    std::vector<std::int32_t> ids;
    for (const MessageRecord& m : messages) {
        byId[m.id] = &m;
        ids.push_back(m.id);
    }
    HistorySource history;
    history.findMessage = [&](std::int32_t id) -> const MessageRecord* {
        const auto found = byId.find(id);
        return found == byId.end() ? nullptr : found->second;
    };

    std::size_t sink = 0;
    const auto items = [&] {
        TimeLabelMarks marks;
        const HistoryBatch batch = BuildHistory(ids, sources, history, marks);
        sink += HistoryEnvelope(true, HistoryPosition::kBottom, batch.data).size();
    };
    const auto bare = [&] {
        std::string data;
        for (const MessageRecord& m : messages) {
            const UserRecord& user = users[m.qxid];
            Json::Value item(Json::objectValue);
            item["id"] = std::to_string(m.id);
            item["type"] = "text";
            item["from"] = m.is_me ? "me" : "other";
            item["uid"] = m.qxid;
            item["uname"] = user.name;
            item["utitle"] = user.career;
            item["uicon"] = user.avatar;
            item["uaddv"] = "";
            item["width"] = "300";
            item["time"] = m.crtime;
            item["content"] = m.text;
            if (!data.empty()) data += ',';
            data += Write(item);
        }
        sink += HistoryEnvelope(true, HistoryPosition::kBottom, data).size();
    };

    items();
    bare();
    std::vector<double> itemTimes, bareTimes, ratios;
    for (int round = 0; round < rounds; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        bare();
        const auto t1 = std::chrono::steady_clock::now();
        items();
        const auto t2 = std::chrono::steady_clock::now();
        bareTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        itemTimes.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        ratios.push_back(itemTimes.back() / bareTimes.back());
    }
    std::printf("%d messages, %d rounds (medians)\n", kMessages, rounds);
    std::printf("  JSON library alone:       %10.1f us\n", Median(bareTimes));
    std::printf("  items and envelope:       %10.1f us\n", Median(itemTimes));
    std::printf("  ratio items / bare:       %10.2f\n", Median(ratios));
    return sink == 0 ? 1 : 0;
}
