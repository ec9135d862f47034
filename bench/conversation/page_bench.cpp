// The conversation page in the real web engine: how long a batch of 50 items takes from the
// script call until the page has drawn its next frame, against an empty script round trip and
// an empty frame timed in the same rounds; and the memory (PSS of this process and of the web
// engine's processes) of a page showing 500 messages, against the same page empty.
// An optional argument sets the number of rounds.

#include <unistd.h>
#include <QApplication>
#include <QWebEnginePage>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include <dirent.h>

#include "bench/support/rounds.h"
#include "tests/support/build_tree.h"
#include "tests/support/conversation_page.h"
#include "tests/support/sample_conversation.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace {

using lumeno::test::PumpUntil;

// The view, with the page's title to hear when a frame has been drawn.
class TimedView : public CQVHtmlViewEx {
  public:
    QWebEnginePage* WebPage() const { return Page(); }
};

// The proportional set size of a process, in KiB; 0 when it cannot be read.
long PssOf(int pid) {
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind("Pss:", 0) == 0) return std::atol(line.c_str() + 4);
    }
    return 0;
}

// This process and every process below it (the web engine's zygote, renderers and helpers):
// the sum of their PSS in KiB, and how many there are.
std::pair<long, int> PssOfTree() {
    std::map<int, int> parents;
    if (DIR* proc = opendir("/proc")) {
        while (dirent* entry = readdir(proc)) {
            const int pid = std::atoi(entry->d_name);
            if (pid <= 0) continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string text((std::istreambuf_iterator<char>(stat)), {});
            const std::size_t close = text.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(text.substr(close + 2));
            char state = 0;
            int parent = 0;
            rest >> state >> parent;
            parents[pid] = parent;
        }
        closedir(proc);
    }
    const int self = getpid();
    long total = 0;
    int processes = 0;
    for (const auto& [pid, parent] : parents) {
        for (int up = pid; up > 1;) {
            if (up == self) {
                total += PssOf(pid);
                ++processes;
                break;
            }
            const auto found = parents.find(up);
            if (found == parents.end()) break;
            up = found->second;
        }
    }
    return {total, processes};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    lumeno::test::TempDir home;
    lumeno::test::UseTempDataHome(home);
    RegisterComponentTable(kUtilComponentTable);
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    SetSkinDirectory(QString::fromUtf8(lumeno::test::build::SkinDir()));
    const EmoticonTable emoticons = EmoticonTable::Load(lumeno::test::build::SkinDir());
    lumeno::test::SamplePictureServer pictures;
    lumeno::test::SampleConversation chat(pictures, true, &emoticons);

    // 50 items of the sample's kinds, as one batch.
    std::string data;
    for (int i = 0; i < 50; ++i) {
        const MessageRecord& message = chat.Messages()[i % chat.Messages().size()];
        if (!data.empty()) data += ",";
        data += MakeItem(message, chat.Sources());
    }
    const std::string envelope = ArrivedEnvelope(true, data);

    lumeno::test::PageOwner owner;
    TimedView view;
    owner.view = &view;
    if (!owner.Create(nullptr, UiRect::FromSize(40, 40, 560, 700), QString(),
                      WS_POPUP | WS_VISIBLE) ||
        !QTest::qWaitForWindowExposed(owner.Widget()) ||
        !view.Create(owner, UiRect(0, 0, 560, 700)) || !view.NavigateToConversationPage() ||
        !PumpUntil([&] { return view.PageLoaded() && view.QueuedScripts() == 0; })) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    // Memory of the page just loaded, before anything is shown.
    PumpUntil([] { return false; }, std::chrono::milliseconds(1500));
    const auto [empty, emptyProcesses] = PssOfTree();

    int frames = 0;
    QObject::connect(view.WebPage(), &QWebEnginePage::titleChanged, [&] { ++frames; });
    const auto untilFrame = [&](const QString& script) {
        const int before = frames;
        view.RunScript(script + QStringLiteral(";requestAnimationFrame(function(){"
                                               "document.title='f'+performance.now();});"));
        PumpUntil([&] { return frames > before; });
    };
    const QString batch =
        QStringLiteral("document.getElementById('conversation').textContent='';") +
        QString::fromStdString(PageCall(envelope));
    std::vector<bench::Work> works = {
        {"empty script round trip",
         [&] {
             bool done = false;
             view.RunScript(QStringLiteral("0"), [&](const QVariant&) { done = true; });
             PumpUntil([&] { return done; });
         },
         10},
        {"empty frame", [&] { untilFrame(QStringLiteral("0")); }, 5},
        {"onQxMsg of 50 items to the next frame", [&] { untilFrame(batch); }, 5},
    };
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 21;
    bench::Measure(works, rounds);
    std::printf(
        "conversation page, %d rounds (medians; ratios to the empty round trip of the same "
        "round)\n",
        rounds);
    for (const bench::Work& work : works) {
        std::printf("  %-40s %9.1f us  %6.2fx\n", work.name, bench::Median(work.times),
                    bench::Median(work.ratios));
    }

    // Memory with 500 messages (ten batches of 50 distinct items) in a fresh list.
    view.RunScript(QStringLiteral("document.getElementById('conversation').textContent=''"));
    for (int batchIndex = 0; batchIndex < 10; ++batchIndex) {
        std::string items;
        for (int i = 0; i < 50; ++i) {
            MessageRecord message = chat.Messages()[i % chat.Messages().size()];
            message.id = 100000 + batchIndex * 50 + i;
            if (!items.empty()) items += ",";
            items += MakeItem(message, chat.Sources());
        }
        untilFrame(QString::fromStdString(PageCall(ArrivedEnvelope(false, items))));
    }
    int shown = 0;
    view.RunScript(QStringLiteral("document.querySelectorAll('#conversation .row.msg').length"),
                   [&](const QVariant& value) { shown = value.toInt(); });
    PumpUntil([] { return false; }, std::chrono::milliseconds(1500));
    const auto [full, fullProcesses] = PssOfTree();
    std::printf(
        "  memory (PSS of this process and the web engine's, %d and %d processes):\n"
        "    page loaded, nothing shown %.1f MiB; 500 items (%d messages) shown %.1f MiB "
        "(%.2fx)\n",
        emptyProcesses, fullProcesses, empty / 1024.0, shown, full / 1024.0,
        empty ? double(full) / empty : 0.0);
    view.DestroyHandle();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return 0;
}
