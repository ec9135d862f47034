// Decoding a synchronisation answer of 200 conversations and 2,000 messages into the stores, as a
// ratio to the bare JSON parse of the same bytes, measured in this run.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "api/decoders.h"
#include "flow/async_work_flow.h"
#include "tests/support/flow_window.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Answer(int conversations, int messages) {
    std::string json = R"({"result":"ok","now":"2026-12-09 10:00:00","nowstamp":1765274400,)"
                       R"("msg_hasmore":false,"dlg_hasmore":false,"msg_count":)" +
                       std::to_string(messages) + R"(,"dlg_count":)" +
                       std::to_string(conversations) + R"(,"messages":[)";
    for (int c = 0; c < conversations; ++c) {
        const std::string id = std::to_string(c + 100);
        json += (c ? "," : "") + std::string(R"({"id":)") + id + R"(,"type":)" +
                (c % 5 == 0 ? "3" : "1") + R"(,"uids":"q)" + id + R"(,me,q7","name":"会话 )" + id +
                R"(","badge":2,"crtime":"2026-01-01 08:00:00","crtimestamp":1767254400,)"
                R"("last_dialog_time":"2026-12-09 09:59:00","last_dialog_timestamp":1765274340,)"
                R"("text":"最近的一条消息","mhash":"m)" +
                id +
                R"(","status_time":"2026-12-09 09:59:00","status_timestamp":1765274340,)"
                R"("last_read_did":0,"has_reveal":0,"master_uid":1,"deleted":0,"max_cnt":50,)"
                R"("has_reply":1,"init_by_me":0,"last_dialog_src_uid":7,"me_is_anony":0})";
    }
    json += R"(],"dialogues":[)";
    for (int m = 0; m < messages; ++m) {
        const std::string id = std::to_string(m + 1);
        json +=
            (m ? "," : "") + std::string(R"({"id":)") + id + R"(,"mid":)" +
            std::to_string(m % conversations + 100) +
            R"(,"type":0,"is_me":0,"unread":1,"qxid":"q7","tid":"t7","text":"你好，这是第 )" + id +
            R"( 条消息 hello","msghash":"h)" + id +
            R"(","crtime":"2026-12-09 09:00:00","crtimestamp":1765270800,)"
            R"("uptime":"2026-12-09 09:00:00","uptimestamp":1765270800,"anonym":0,"atme":0,)"
            R"("file_id":0,"file_type":0)" +
            (m % 10 == 0
                 ? R"(,"file":{"url":"http://h/p.jpg","turl":"http://h/t.jpg","xsize":640,"ysize":480})"
                 : "") +
            "}";
    }
    json +=
        R"(],"update_msgs":[{"mid":100,"count":0,"last_read_did":0,"deleted":0}],"specials":[]})";
    return json;
}

template <typename Body>
double MedianMicroseconds(int rounds, Body body) {
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        body();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    lumeno::test::FlowWindow window;
    const std::string answer = Answer(200, 2000);
    constexpr int kRounds = 15;

    const double parse = MedianMicroseconds(kRounds, [&] {
        Json::Value root;
        ParseJson(answer, root);
    });

    const double decode = MedianMicroseconds(kRounds, [&] {
        CDBMsgDlg store;
        UserMap users;
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
            Json::Value root;
            PoolScope::Run(flow, [&] { return ParseJson(answer, root); });
            std::vector<std::int32_t> changed, fresh;
            SyncSummary summary;
            DecodeSummary(root, summary, store);
            DecodeConversations(root, store, changed, users, flow, "me");
            DecodeMessages(root, store, fresh, flow, "me");
            DecodeUpdates(root, store, changed);
            DecodeSpecials(root, store, changed);
        });
        while (handle.Busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });

    std::printf("answer: %zu bytes, 200 conversations, 2000 messages\n", answer.size());
    std::printf("bare JSON parse:                 %8.0f us\n", parse);
    std::printf("parse and decode into the stores: %7.0f us  ratio %.2f\n", decode, decode / parse);
    return 0;
}
