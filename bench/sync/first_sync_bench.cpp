// The first synchronisation of a large account (1,000 conversations × 50 messages), client side:
// the service's get_msg_dlg answers are recorded once into files and replayed from there through
// the client's decode, merge and store path, so that the service's own speed does not count. It is
// set against the bare jsoncpp parse of the same bytes plus one transaction of bare prepared
// inserts of the same rows into the same kind of encrypted database, and against simdjson's parse
// of the same bytes. Measured in this run.
//
//   bench_sync_first [folder]            record into folder (when empty) and compare
//   bench_sync_first folder --client     only the client's path, once (for a profiler)
//
// The folder (by default lumeno-bench-first-sync in the temporary directory) keeps the answers
// between runs; remove it to record again after the service's answers changed.
#include <json/json.h>
#include <simdjson.h>
#include <sqlite3.h>
#include <time.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/decoders.h"
#include "api/login.h"
#include "config/config.h"
#include "flow/async_work_flow.h"
#include "net/url_encode.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "storage/sqlite_helper.h"
#include "storage/user_store.h"
#include "tests/support/client_window.h"
#include "tests/support/local_service.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 7;

// Wall time, and the processor time of all the process's threads: the machine is shared, and the
// processor time shows the work done whatever else runs.
struct Span {
    double wall = 0;
    double cpu = 0;
    Span& operator+=(const Span& other) {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

class Stopwatch {
  public:
    Stopwatch() : wall_(Clock::now()), cpu_(CpuMs()) {}
    Span Elapsed() const {
        return {std::chrono::duration<double, std::milli>(Clock::now() - wall_).count(),
                CpuMs() - cpu_};
    }

  private:
    static double CpuMs() {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    Clock::time_point wall_;
    double cpu_;
};

Span Median(const std::vector<Span>& samples) {
    std::vector<double> wall, cpu;
    for (const Span& s : samples) {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

fs::path PagePath(const fs::path& folder, std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04zu.json", index);
    return folder / name;
}

// jsoncpp alone, set up as the client sets it up.
Json::Value Parse(const std::string& text) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["stackLimit"] = 256;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    reader->parse(text.data(), text.data() + text.size(), &root, &errors);
    return root;
}

// Pages through a first synchronisation of the bulk account as the client does, keeping each
// answer's bytes. The account's qxid goes beside them.
bool Record(const fs::path& folder) {
    std::printf("recording the answers of the bulk service into %s ...\n", folder.c_str());
    lumeno::test::LocalService::Options options;
    options.seed = "bulk";
    lumeno::test::LocalService service(options);
    const Json::Value token = Parse(service.Get("/admin/token?account=bench"));
    const std::string auth =
        "u=" + token["qxid"].asString() + "&access_token=" + token["token"].asString();
    std::string afterD = "0", lastC = "2000-01-01 10:10:10", afterM = lastC;
    std::int64_t maxStatus = 0, maxDialog = 0, largestMid = 0;
    fs::create_directories(folder);
    for (std::size_t page = 0; page < 2000; ++page) {
        const std::string answer = service.Get(
            "/lumeno/msg/v3/get_msg_dlg?" + auth + "&after_d_time=" + UrlEncode(afterD) +
            "&last_c_time=" + UrlEncode(lastC) + "&after_m_time=" + UrlEncode(afterM) +
            "&after_mid=" + std::to_string(largestMid) + "&d_page=0&after_did=0&count=200&hints=1");
        const Json::Value a = Parse(answer);
        if (!a.isObject() || a["result"].asString() != "ok") {
            std::fprintf(stderr, "page %zu: not a usable answer\n", page);
            return false;
        }
        WriteFile(PagePath(folder, page), answer);
        for (const Json::Value& c : a["messages"]) {
            largestMid = std::max<std::int64_t>(largestMid, c["id"].asInt());
            if (c["status_timestamp"].asInt64() > maxStatus) {
                maxStatus = c["status_timestamp"].asInt64();
                afterM = c["status_time"].asString();
            }
        }
        for (const Json::Value& d : a["dialogues"]) {
            if (d["crtimestamp"].asInt64() > maxDialog) {
                maxDialog = d["crtimestamp"].asInt64();
                afterD = d["crtime"].asString();
            }
        }
        lastC = a["now"].asString();
        if (!a["msg_hasmore"].asBool() && !a["dlg_hasmore"].asBool()) break;
    }
    WriteFile(folder / "account.txt", token["qxid"].asString());
    return true;
}

std::vector<std::string> LoadPages(const fs::path& folder) {
    std::vector<std::string> pages;
    for (std::size_t i = 0; fs::exists(PagePath(folder, i)); ++i)
        pages.push_back(ReadFile(PagePath(folder, i)));
    return pages;
}

// Runs `step` as one work flow and waits for its end.
void RunAndWait(const std::function<void(CAsyncWorkFlow&)>& step) {
    FlowHandle handle;
    RunFlow(&handle, [&step](CAsyncWorkFlow& flow) { step(flow); });
    while (handle.Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A fresh account file, so that every round starts from an empty database as a first sign-in
// does. Opening (with its key derivation) is not timed: sign-in does it.
void OpenFreshAccount(const std::string& name) {
    CSQLiteHelper& database = CSQLiteHelper::Instance();
    database.CloseAccount();
    std::error_code ignored;
    fs::remove(database.AccountFilePath(name), ignored);
    if (!database.OpenAccount(name)) {
        std::fprintf(stderr, "account database %s does not open\n", name.c_str());
        std::exit(1);
    }
}

// The client's path: every recorded answer merged in order by one synchronisation flow, into the
// stores, the index and the account database (without a database open, the writes do nothing).
// What the client kept, to show that the replay did the whole work.
struct Kept {
    std::size_t conversations = 0;
    std::size_t messages = 0;
    std::size_t users = 0;
    int conversationRows = -1;
    int userRows = -1;
};

int CountRows(const char* sql) {
    int count = -1;
    sqlite3_exec(
        CSQLiteHelper::Instance().Handle(), sql,
        [](void* out, int, char** values, char**) {
            *static_cast<int*>(out) = values[0] ? std::atoi(values[0]) : -1;
            return 0;
        },
        &count, nullptr);
    return count;
}

Span ClientReplay(const std::vector<std::string>& pages, int round, bool withDatabase = true,
                  Kept* kept = nullptr) {
    CDBMsgDlg::Instance().Clear();
    CDBUser::Instance().Clear();
    if (withDatabase) OpenFreshAccount("client" + std::to_string(round));
    bool allOk = true;
    const Stopwatch watch;
    RunAndWait([&](CAsyncWorkFlow& flow) {
        // As a synchronisation pass does: every page merged, one write at the end.
        PendingSyncWrite pending;
        for (const std::string& page : pages)
            allOk = MergeSyncAnswer(page, flow, &pending).ok && allOk;
        WriteSyncPass(pending, flow);
    });
    const Span elapsed = watch.Elapsed();
    if (!allOk) std::fprintf(stderr, "an answer was not merged\n");
    if (kept) {
        kept->conversations = CDBMsgDlg::Instance().Conversations().size();
        kept->messages = CDBMsgDlg::Instance().Messages().size();
        kept->users = CDBUser::Instance().Users().size();
        kept->conversationRows = CountRows("select count(*) from messages;");
        kept->userRows = CountRows("select count(*) from users;");
    }
    CSQLiteHelper::Instance().CloseAccount();
    // Every path starts from the same heap: nothing of this one is left holding memory.
    CDBMsgDlg::Instance().Clear();
    CDBUser::Instance().Clear();
    return elapsed;
}

// A loopback server that serves the recorded answers in order to get_msg_dlg requests (any other
// request gets a bare "ok"). The client reads its address once per process: one for the run.
class RecordedService {
  public:
    explicit RecordedService(const std::vector<std::string>& pages)
        : pages_(pages), server_([this](const std::string& request) {
              lumeno::test::ScriptedAnswer answer;
              const std::size_t page = request.find("get_msg_dlg") != std::string::npos
                                           ? next_.fetch_add(1)
                                           : pages_.size();
              answer.bytes = lumeno::test::HttpAnswer(
                  200, page < pages_.size() ? pages_[page] : std::string(R"({"result":"ok"})"));
              return answer;
          }) {
        WriteConfigString("main", "online", "0");
        WriteConfigString("main", "msg", "127.0.0.1:" + std::to_string(server_.Port()));
        WriteConfigString("main", "long", "127.0.0.1:1");
    }
    void Rewind() { next_ = 0; }
    std::size_t Served() const { return std::min(next_.load(), pages_.size()); }

  private:
    const std::vector<std::string>& pages_;
    std::atomic<std::size_t> next_{0};
    lumeno::test::RawHttpServer server_;
};

// The whole synchronisation as the client runs it after sign-in, paging through the recorded
// service. The keeper and the heartbeat that it starts at its end are stopped at once.
Span LoopbackSync(RecordedService& service, int round, int& served) {
    CDBMsgDlg::Instance().Clear();
    CDBUser::Instance().Clear();
    OpenFreshAccount("loopback" + std::to_string(round));
    service.Rewind();
    CApiController& controller = CApiController::Instance();
    const Stopwatch watch;
    StartConversationSync(SyncKind::kActiveQuery);
    platform::PumpMessagesUntil([&] { return !controller.conversationSync.Busy(); },
                                std::chrono::seconds(600));
    const Span elapsed = watch.Elapsed();
    controller.CancelAllJobs();
    served = static_cast<int>(service.Served());
    CSQLiteHelper::Instance().CloseAccount();
    CDBMsgDlg::Instance().Clear();
    CDBUser::Instance().Clear();
    return elapsed;
}

// The decoders alone (parse, flatten, records into a private store), without the index, the
// user store or the database.
Span DecodeOnly(const std::vector<std::string>& pages, const std::string& me) {
    CDBMsgDlg store;
    const Stopwatch watch;
    RunAndWait([&](CAsyncWorkFlow& flow) {
        for (const std::string& page : pages) {
            Json::Value root;
            PoolScope::Run(flow, [&] { ParseJson(page, root); });
            std::vector<std::int32_t> changed, fresh;
            UserMap users;
            SyncSummary summary;
            DecodeSummary(root, summary, store);
            DecodeConversations(root, store, changed, users, flow, me);
            DecodeMessages(root, store, fresh, flow, me);
            DecodeSpecials(root, store, changed);
            DecodeUpdates(root, store, changed);
            PoolScope::Run(flow, [&root] { root = Json::Value(); });
        }
    });
    return watch.Elapsed();
}

struct BareTimes {
    Span parse;
    Span insert;
    int conversations = 0;
    int users = 0;
    int messages = 0;
};

// Member access on either parser's tree, so that both bare paths write the very same rows.
struct JsoncppTree {
    using Node = Json::Value;
    static int Int(const Node& object, const char* name) { return object[name].asInt(); }
    static bool Text(const Node& object, const char* name, std::string_view& text) {
        const Node& value = object[name];
        const char* begin = nullptr;
        const char* end = nullptr;
        if (!value.isString() || !value.getString(&begin, &end)) return false;
        text = std::string_view(begin, static_cast<std::size_t>(end - begin));
        return true;
    }
    template <typename Each>
    static void ForEach(const Node& object, const char* name, Each each) {
        const Node& array = object[name];
        if (!array.isArray()) return;
        for (const Node& element : array)
            each(element);
    }
};

struct SimdjsonTree {
    using Node = simdjson::dom::element;
    static int Int(const Node& object, const char* name) {
        std::int64_t value = 0;
        return object[name].get_int64().get(value) == simdjson::SUCCESS ? static_cast<int>(value)
                                                                        : 0;
    }
    static bool Text(const Node& object, const char* name, std::string_view& text) {
        return object[name].get_string().get(text) == simdjson::SUCCESS;
    }
    template <typename Each>
    static void ForEach(const Node& object, const char* name, Each each) {
        simdjson::dom::array array;
        if (object[name].get_array().get(array) != simdjson::SUCCESS) return;
        for (Node element : array)
            each(element);
    }
};

// Prepared statements of the rows the client keeps: conversations, the users of their member
// lists, and the two marks, written in one transaction.
class BareWriter {
  public:
    explicit BareWriter(sqlite3* db) : db_(db) {
        sqlite3_exec(db_, "begin;", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_,
                           "REPLACE INTO messages values(?,?,?,?,?,'0',?,'1',?,?,0,?,?,0,?,?,'',?,"
                           "?,'',0,?,?,?,?,?);",
                           -1, &conversation_, nullptr);
        sqlite3_prepare_v2(
            db_, "INSERT OR IGNORE INTO users values(NULL,?,?,?,?,?,?,?,?,?,?,0,?,'','');", -1,
            &user_, nullptr);
        sqlite3_prepare_v2(db_, "REPLACE INTO setting values(?,?,?,?);", -1, &setting_, nullptr);
    }

    template <typename Tree>
    void Page(const typename Tree::Node& root, BareTimes& counts) {
        using Node = typename Tree::Node;
        auto text = [](sqlite3_stmt* s, int index, const Node& object, const char* name) {
            std::string_view value;
            if (Tree::Text(object, name, value)) {
                sqlite3_bind_text(s, index, value.data(), static_cast<int>(value.size()),
                                  SQLITE_STATIC);
            } else {
                sqlite3_bind_null(s, index);
            }
        };
        Tree::ForEach(root, "messages", [&](const Node& c) {
            sqlite3_stmt* s = conversation_;
            sqlite3_bind_int(s, 1, Tree::Int(c, "id"));
            sqlite3_bind_int(s, 2, Tree::Int(c, "badge"));
            sqlite3_bind_int(s, 3, Tree::Int(c, "crtimestamp"));
            sqlite3_bind_int(s, 4, Tree::Int(c, "status_timestamp"));
            sqlite3_bind_int(s, 5, Tree::Int(c, "type"));
            sqlite3_bind_int(s, 6, Tree::Int(c, "has_reveal"));
            sqlite3_bind_int(s, 7, Tree::Int(c, "last_dialog_id"));
            text(s, 8, c, "text");
            sqlite3_bind_int(s, 9, Tree::Int(c, "last_dialog_timestamp"));
            text(s, 10, c, "last_dialog_time");
            sqlite3_bind_int(s, 11, Tree::Int(c, "deleted"));
            text(s, 12, c, "name");
            sqlite3_bind_int(s, 13, 1);
            sqlite3_bind_int(s, 14, Tree::Int(c, "me_is_anony"));
            text(s, 15, c, "uids");
            text(s, 16, c, "status_time");
            sqlite3_bind_int(s, 17, Tree::Int(c, "last_read_did"));
            text(s, 18, c, "mhash");
            sqlite3_bind_int(s, 19, Tree::Int(c, "init_by_me"));
            sqlite3_step(s);
            sqlite3_reset(s);
            ++counts.conversations;
            Tree::ForEach(c, "users", [&](const Node& u) {
                sqlite3_stmt* w = user_;
                sqlite3_bind_int(w, 1, Tree::Int(u, "id"));
                text(w, 2, u, "qxid");
                text(w, 3, u, "py");
                text(w, 4, u, "name");
                text(w, 5, u, "avatar");
                text(w, 6, u, "career");
                sqlite3_bind_int(w, 7, Tree::Int(u, "judge"));
                sqlite3_bind_int(w, 8, Tree::Int(u, "gender"));
                sqlite3_bind_int(w, 9, Tree::Int(u, "utype"));
                sqlite3_bind_int(w, 10, Tree::Int(u, "dist"));
                sqlite3_bind_int(w, 11, Tree::Int(u, "anonym"));
                sqlite3_step(w);
                counts.users += sqlite3_changes(db_);
                sqlite3_reset(w);
            });
        });
        Tree::ForEach(root, "dialogues", [&](const Node& d) {
            ++counts.messages;
            std::string_view crtime;
            if (Tree::Int(d, "crtimestamp") > maxDialog_ && Tree::Text(d, "crtime", crtime)) {
                maxDialog_ = Tree::Int(d, "crtimestamp");
                maxDialogText_ = crtime;
            }
        });
        std::string_view now;
        if (Tree::Text(root, "now", now)) now_ = now;
        nowStamp_ = Tree::Int(root, "nowstamp");
    }

    void Commit() {
        const std::pair<std::int32_t, const std::string*> marks[] = {{maxDialog_, &maxDialogText_},
                                                                     {nowStamp_, &now_}};
        for (int id = 0; id < 2; ++id) {
            sqlite3_bind_int(setting_, 1, id);
            sqlite3_bind_text(setting_, 2, id == 0 ? "max_dialog_time" : "last_ctime", -1,
                              SQLITE_STATIC);
            sqlite3_bind_int(setting_, 3, marks[id].first);
            sqlite3_bind_text(setting_, 4, marks[id].second->c_str(), -1, SQLITE_STATIC);
            sqlite3_step(setting_);
            sqlite3_reset(setting_);
        }
        sqlite3_finalize(conversation_);
        sqlite3_finalize(user_);
        sqlite3_finalize(setting_);
        sqlite3_exec(db_, "commit;", nullptr, nullptr, nullptr);
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* conversation_ = nullptr;
    sqlite3_stmt* user_ = nullptr;
    sqlite3_stmt* setting_ = nullptr;
    std::int32_t maxDialog_ = 0;
    std::string maxDialogText_ = "0";
    std::string now_;
    std::int32_t nowStamp_ = 0;
};

// The bare reference: jsoncpp parses each answer (and frees its tree), and the rows go straight
// from the parse tree into the prepared statements, all in one transaction.
BareTimes BareParseAndInsert(const std::vector<std::string>& pages, int round) {
    OpenFreshAccount("bare" + std::to_string(round));
    BareTimes times;
    Stopwatch watch;
    BareWriter writer(CSQLiteHelper::Instance().Handle());
    times.insert += watch.Elapsed();
    for (const std::string& page : pages) {
        watch = Stopwatch();
        Json::Value root = Parse(page);
        times.parse += watch.Elapsed();
        watch = Stopwatch();
        writer.Page<JsoncppTree>(root, times);
        times.insert += watch.Elapsed();
        watch = Stopwatch();
        root = Json::Value();
        times.parse += watch.Elapsed();
    }
    watch = Stopwatch();
    writer.Commit();
    times.insert += watch.Elapsed();
    CSQLiteHelper::Instance().CloseAccount();
    return times;
}

// The same with simdjson's parse: how low parse plus store can go with a faster parser.
BareTimes BareSimdjsonAndInsert(const std::vector<simdjson::padded_string>& pages, int round) {
    OpenFreshAccount("simd" + std::to_string(round));
    BareTimes times;
    simdjson::dom::parser parser;
    Stopwatch watch;
    BareWriter writer(CSQLiteHelper::Instance().Handle());
    times.insert += watch.Elapsed();
    for (const simdjson::padded_string& page : pages) {
        watch = Stopwatch();
        simdjson::dom::element root;
        const bool parsed = parser.parse(page).get(root) == simdjson::SUCCESS;
        times.parse += watch.Elapsed();
        if (!parsed) continue;
        watch = Stopwatch();
        writer.Page<SimdjsonTree>(root, times);
        times.insert += watch.Elapsed();
    }
    watch = Stopwatch();
    writer.Commit();
    times.insert += watch.Elapsed();
    CSQLiteHelper::Instance().CloseAccount();
    return times;
}

// simdjson's DOM parse of the same bytes (padding added beforehand, not timed).
Span SimdjsonParse(const std::vector<simdjson::padded_string>& pages) {
    simdjson::dom::parser parser;
    std::size_t elements = 0;
    const Stopwatch watch;
    for (const simdjson::padded_string& page : pages) {
        simdjson::dom::element root;
        if (parser.parse(page).get(root) != simdjson::SUCCESS) {
            std::fprintf(stderr, "simdjson refused an answer\n");
            continue;
        }
        simdjson::dom::array dialogues;
        if (root["dialogues"].get_array().get(dialogues) == simdjson::SUCCESS)
            elements += dialogues.size();
    }
    const Span elapsed = watch.Elapsed();
    if (elements == 0) std::fprintf(stderr, "simdjson found no messages\n");
    return elapsed;
}

Span JsoncppParse(const std::vector<std::string>& pages) {
    const Stopwatch watch;
    for (const std::string& page : pages) {
        Json::Value root = Parse(page);
        if (!root.isObject()) std::fprintf(stderr, "jsoncpp refused an answer\n");
    }
    return watch.Elapsed();
}

void Line(const char* what, const Span& span) {
    std::printf("%-46s %8.1f %8.1f\n", what, span.wall, span.cpu);
}

void Ratio(const char* what, const Span& a, const Span& b) {
    std::printf("  %-44s %8.2f %8.2f\n", what, a.wall / b.wall, a.cpu / b.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "lumeno-bench-first-sync";
    const bool clientOnly = argc > 2 && std::string(argv[2]) == "--client";
    if (LoadPages(folder).empty() && !Record(folder)) return 1;
    const std::vector<std::string> pages = LoadPages(folder);
    const std::string me = ReadFile(folder / "account.txt");
    if (pages.empty() || me.empty()) {
        std::fprintf(stderr, "no recorded answers in %s\n", folder.c_str());
        return 1;
    }

    lumeno::test::TempDir home;
    lumeno::test::UseTempDataHome(home);
    QCoreApplication app(argc, argv);
    RegisterComponentTable(kUtilComponentTable);
    RegisterComponentTable(kStorageComponentTable);
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    auto window = std::make_unique<lumeno::test::ClientWindow>();
    CDBLogin::Instance().Record().qxid = me;

    if (clientOnly) {
        const Span span = ClientReplay(pages, 0);
        std::printf("client decode, merge and store: %.0f ms (%.0f ms processor)\n", span.wall,
                    span.cpu);
        window.reset();
        return 0;
    }

    std::size_t bytes = 0;
    std::vector<simdjson::padded_string> padded;
    for (const std::string& page : pages) {
        bytes += page.size();
        padded.emplace_back(page);
    }

    std::vector<Span> jsoncpp, simd, bareParse, bareInsert, simdBare, decode, noDatabase, client,
        loopback;
    int served = 0;
    RecordedService recorded(pages);
    BareTimes rows;
    Kept kept;
    for (int round = 0; round < kRounds; ++round) {
        jsoncpp.push_back(JsoncppParse(pages));
        simd.push_back(SimdjsonParse(padded));
        rows = BareParseAndInsert(pages, round);
        bareParse.push_back(rows.parse);
        bareInsert.push_back(rows.insert);
        const BareTimes fast = BareSimdjsonAndInsert(padded, round);
        if (fast.conversations != rows.conversations || fast.users != rows.users ||
            fast.messages != rows.messages) {
            std::fprintf(stderr, "the simdjson path wrote other rows: %d %d %d\n",
                         fast.conversations, fast.users, fast.messages);
        }
        Span fastTotal = fast.parse;
        fastTotal += fast.insert;
        simdBare.push_back(fastTotal);
        // The client paths take turns at going first, so that none always meets the heap and the
        // page cache as another one left them.
        for (int turn = 0; turn < 4; ++turn) {
            switch ((round + turn) % 4) {
                case 0:
                    decode.push_back(DecodeOnly(pages, me));
                    break;
                case 1:
                    noDatabase.push_back(ClientReplay(pages, round, false));
                    break;
                case 2:
                    loopback.push_back(LoopbackSync(recorded, round, served));
                    break;
                default:
                    client.push_back(ClientReplay(pages, round, true, &kept));
                    break;
            }
        }
    }
    const Span parse = Median(jsoncpp), simdjson = Median(simd), insert = Median(bareInsert);
    Span bare = Median(bareParse);
    bare += insert;
    const Span decoded = Median(decode), merged = Median(noDatabase), total = Median(client);
    const Span merge{merged.wall - decoded.wall, merged.cpu - decoded.cpu};
    const Span store{total.wall - merged.wall, total.cpu - merged.cpu};
    Span decodeStore = decoded;
    decodeStore += store;

    std::printf(
        "first synchronisation replayed from %zu recorded answers (%.1f MB): %d "
        "conversations, %d users, %d messages; median of %d rounds\n",
        pages.size(), static_cast<double>(bytes) / 1e6, rows.conversations, rows.users,
        rows.messages, kRounds);
    std::printf(
        "the client kept %zu conversations, %zu messages and %zu users in memory, %d "
        "conversation and %d user rows in its database\n",
        kept.conversations, kept.messages, kept.users, kept.conversationRows, kept.userRows);
    std::printf("%-46s %8s %8s\n", "", "wall ms", "cpu ms");
    Line("simdjson parse (DOM)", simdjson);
    Line("jsoncpp parse", parse);
    Ratio("/ simdjson parse", parse, simdjson);
    Line("bare: jsoncpp parse + one-transaction insert", bare);
    Line("  of which the insert", insert);
    Line("bare: simdjson parse + the same insert", Median(simdBare));
    Line("client: parse + decode", decoded);
    Ratio("/ jsoncpp parse", decoded, parse);
    Line("client: + merge (stores, index; no database)", merged);
    Line("client: + store = the whole path", total);
    Line("  decode part (parse + decode)", decoded);
    Line("  merge part (difference)", merge);
    Line("  store part (difference)", store);
    Ratio("store part / bare insert", store, insert);
    Ratio("whole path / bare (target <= 1.50)", total, bare);
    Ratio("decode + store parts / bare", decodeStore, bare);
    Ratio("whole path / simdjson parse", total, simdjson);
    const Span whole = Median(loopback);
    std::printf("%-46s %8.1f %8.1f  (%d of %zu answers asked for)\n",
                "client: whole synchronisation over loopback", whole.wall, whole.cpu, served,
                pages.size());
    Ratio("/ bare parse + insert", whole, bare);
    window.reset();
    return 0;
}
