// One keystroke of the contact list's search over 10,000 contacts and 100 groups (name, whole
// pinyin, initials and career compared, people before groups), as a ratio to a bare scan that
// only looks for the text in the same rows' names, measured in this run: the matching alone,
// and the page's whole keystroke (matching and filling its list). Also the rebuild of the rows
// from the stores, which the search relies on having done once.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/component_tables.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/contacts/contact_entries.h"
#include "ui/contacts/page_contact.h"
#include "util/component_registry.h"
#include "util/pinyin/pinyin.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kContacts = 10000;
constexpr int kGroups = 100;

std::vector<std::string> Names(int count) {
    const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                              "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "欧阳"};
    const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳",
                           "杰", "娟", "涛", "明", "超", "秀", "霞", "平", "刚", "桂", "英", "华",
                           "玉", "萍", "红", "娥", "玲", "芬", "燕", "彬", "晓", "鹏", "辉", "宇"};
    const char* latin[] = {"Alice Martin", "Bob Chen", "James Wilson", "Émilie Dubois"};
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        if (next() % 10 == 0) {
            names.push_back(std::string(latin[next() % 4]) + " " + std::to_string(i));
            continue;
        }
        std::string name = surnames[next() % std::size(surnames)];
        const int length = 1 + static_cast<int>(next() % 2);
        for (int g = 0; g < length; ++g)
            name += given[next() % std::size(given)];
        names.push_back(name);
    }
    return names;
}

void FillStores() {
    const char* careers[] = {"云帆科技 产品经理", "Northwind Design Lead", "星河传媒 市场经理",
                             "Contoso Software Engineer", "知行咨询 高级顾问"};
    const std::vector<std::string> names = Names(kContacts);
    CDBUser& users = CDBUser::Instance();
    for (int i = 0; i < kContacts; ++i) {
        UserRecord user;
        user.qxid = std::to_string(20000 + i);
        user.id = 20000 + i;
        user.name = names[static_cast<std::size_t>(i)];
        user.py = ToPinyin(user.name, kPinyinWhole);
        user.career = careers[i % 5];
        user.dist = 1;
        user.utype = 1;
        users.Users()[user.qxid] = user;
    }
    users.RebuildContactIndex();
    CDBMsgDlg& conversations = CDBMsgDlg::Instance();
    for (int i = 0; i < kGroups; ++i) {
        ConversationRecord& group = conversations.ConversationFor(1000 + i);
        group.type = kGroupConversationType;
        group.name = names[static_cast<std::size_t>(i)] + "的群";
        conversations.Groups()[group.id] = &group;
    }
}

// The window the page sits in, as the main window holds it.
class Host : public VWindowImpl<Host, WS_POPUP> {
  public:
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
};

// Best of seven runs of `work`, in nanoseconds.
template <typename Work>
double Measure(Work work) {
    double best = 1e30;
    for (int run = 0; run < 7; ++run) {
        const auto start = Clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    lumeno::test::PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    FillStores();
    ContactRows rows;
    const double build = Measure([&] { rows = BuildContactRows(false); });

    // The keystrokes of typing "zhang", then initials, a career word and a Latin name.
    const char* typed[] = {"z", "zh", "zha", "zhan", "zhang", "zs", "产品", "wilson"};
    std::size_t sink = 0;
    const double search = Measure([&] {
        for (const char* text : typed)
            sink += SearchContactRows(rows.entries, text).size();
    });
    const double bare = Measure([&] {
        for (const char* text : typed) {
            std::vector<int> found;
            for (std::size_t i = 0; i < rows.entries.size(); ++i)
                if (rows.entries[i].searchName.find(text) != std::string::npos)
                    found.push_back(static_cast<int>(i));
            sink += found.size();
        }
    });

    Host host;
    host.Create(nullptr, UiRect::FromSize(0, 0, 300, 666));
    CPageContact page;
    page.Create(host.m_hWnd, UiRect(0, 120, 300, 666));
    const int listed = page.List().GetCount();
    page.Search(QStringLiteral("z"));
    const int found = page.List().GetCount();
    page.LeaveSearch();
    const double pageSearch = Measure([&] {
        for (const char* text : typed)
            page.Search(QString::fromUtf8(text));
        sink += static_cast<std::size_t>(page.List().GetCount());
        page.LeaveSearch();
    });

    const double keystrokes = static_cast<double>(std::size(typed));
    std::printf("rows: %zu (%d contacts, %d groups), keystrokes: %zu\n", rows.entries.size(),
                kContacts, kGroups, std::size(typed));
    std::printf("bare scan of the names: %.3f ms per keystroke\n", bare / keystrokes / 1e6);
    std::printf("contact list search: %.3f ms per keystroke (%.1fx the bare scan)\n",
                search / keystrokes / 1e6, search / bare);
    std::printf("the page lists %d rows; \"z\" finds %d\n", listed, found);
    std::printf("the page's keystroke, list filled: %.3f ms (%.1fx the bare scan)\n",
                pageSearch / keystrokes / 1e6, pageSearch / bare);
    std::printf("rebuild of the rows from the stores: %.2f ms (%.1f keystrokes)\n", build / 1e6,
                build / (search / keystrokes));
    page.DestroyWindow();
    host.DestroyWindow();
    return sink == 0 ? 1 : 0;
}
