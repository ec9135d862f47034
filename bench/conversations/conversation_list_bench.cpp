// What rebuilding the conversation page costs: a full reload of 1,000 conversations (the rows,
// the group tiles' names, the unread total), and the same followed by a repaint of the rows on
// screen, in microseconds and as a ratio to a bare scan of the same store records (the ordered
// ids looked up and their fields read) timed in the same round. An optional argument sets the
// number of rounds.

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/component_tables.h"
#include "bench/support/rounds.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/conversations/page_message.h"
#include "ui/main/main_wnd.h"
#include "util/component_registry.h"

namespace {

constexpr int kConversations = 1000;
constexpr int kGroupEvery = 10;

using bench::Measure;
using bench::Median;
using bench::Work;

// The store of an account with 1,000 conversations, every tenth a group, newest first.
void FillStore() {
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    store.Clear();
    ConversationRecord& pending = store.ConversationFor(kPendingItemsConversationId);
    pending.name = "待处理事项";
    pending.text = "3 个好友请求";
    pending.badge = 3;
    store.Order().push_back(kPendingItemsConversationId);
    const std::time_t now = std::time(nullptr);
    for (int i = 0; i < kConversations; ++i) {
        const std::int32_t id = 1000 + i;
        ConversationRecord& c = store.ConversationFor(id);
        c.id = id;
        c.name = "会话 " + std::to_string(i);
        c.text = "第 " + std::to_string(i) + " 条消息：好的，我们明天上午十点见。";
        c.badge = i % 7;
        c.notify = i % 13 == 0 ? 0 : 1;
        c.peer_judge = i % 5 == 0;
        c.last_dialog_timestamp = static_cast<std::int32_t>(now - i * 600);
        if (i % kGroupEvery == 0) {
            c.type = kGroupConversationType;
            c.member_ids = {std::to_string(10001 + i), std::to_string(10002 + i)};
            store.Groups()[id] = &c;
        } else {
            c.member_ids = {std::to_string(10001 + i)};
        }
        store.Order().push_back(id);
    }
}

// The page's parent: a plain window.
class CHost final : public VWindowImpl<CHost, WS_POPUP> {
  public:
    static std::string_view WindowClassName() { return "LumenoBenchHostClass"; }
    void DoUI(UiContext& ctx) override { (void)ctx; }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    lumeno::test::PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    FillStore();

    int checksum = 0;
    {
        CHost host;
        if (!host.Create(nullptr, UiRect::FromSize(0, 0, 300, 546))) return 1;
        host.ShowWindow(SW_SHOW);
        CPageMessage page;
        if (!page.Create(host, UiRect(0, 0, 300, 546))) return 1;
        QWidget* rows = page.List().Widget();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();

        CDBMsgDlg& store = CDBMsgDlg::Instance();
        std::vector<Work> works = {
            {"bare scan of the store",
             [&] {
                 std::size_t sum = 0;
                 for (std::int32_t id : store.Order()) {
                     if (const ConversationRecord* c = store.FindConversation(id)) {
                         sum += static_cast<std::size_t>(c->badge) + c->name.size() +
                                c->text.size() + c->display_time.size();
                     }
                 }
                 checksum += static_cast<int>(sum & 1);
             },
             20,
             {},
             {}},
            {"full rebuild", [&] { page.Reload(false); }, 20, {}, {}},
            {"full rebuild and repaint",
             [&] {
                 page.Reload(false);
                 rows->repaint();
             },
             10,
             {},
             {}},
        };
        const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
        Measure(works, rounds);

        std::printf(
            "conversation list, %d conversations (every %dth a group), %d rows on screen, %d "
            "rounds (medians; ratios to the bare scan of the same round)\n",
            kConversations, kGroupEvery, page.List().ClientHeight() / 56, rounds);
        for (const Work& work : works) {
            std::printf("  %-26s %9.1f us  %7.2fx\n", work.name, Median(work.times),
                        Median(work.ratios));
        }
        std::printf("  rows %d, unread total %d (checksum %d)\n", page.RowCount(),
                    page.UnreadTotal(), checksum & 1);
    }
    CMainWnd::DestroyInstance();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return 0;
}
