// `cmake --install` into a temporary prefix: the program, its crash reporter among the helpers,
// the skin, the desktop entry and the icon theme's sizes land where a desktop looks for them, and
// the installed program starts with the installed skin and finds the installed reporter.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/build_tree.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The keys of the "[Desktop Entry]" group.
std::map<std::string, std::string> DesktopEntry(const fs::path& path) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(ReadText(path));
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
        } else if (const auto equals = line.find('='); inEntry && equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return keys;
}

bool IsExecutableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) &&
           (fs::status(path, error).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

// Runs `program` with the client's folders inside `home`; the exit code, or -1 when it did not end
// normally within a minute.
int RunInstalled(const fs::path& program, const QStringList& arguments, const fs::path& home,
                 const QProcessEnvironment& extra = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const fs::path folder = home / name;
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
        environment.insert(name, QString::fromStdString(folder.string()));
    }
    // Under the sanitizers: this run is about where the program finds its files; what it leaves
    // at exit (the pool's detached workers end with the process) is for the in-process tests.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
    // The service at a closed local port: the program's update check stays on this machine.
    fs::create_directories(home / "XDG_DATA_HOME/Lumeno");
    std::ofstream(home / "XDG_DATA_HOME/Lumeno/Config.ini")
        << "[main]\nonline=0\nmsg=127.0.0.1:9\nlong=127.0.0.1:9\n";
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QString::fromStdString(program.string()), arguments);
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

class InstallLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(lumeno::test::build::CMakeProgram(),
                      {"--install", lumeno::test::build::Tree(), "--prefix",
                       QString::fromStdString(prefix_.string())});
        ASSERT_TRUE(install.waitForFinished(120'000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    }

    lumeno::test::TempDir dir_;
    fs::path prefix_ = dir_ / "prefix";
};

TEST_F(InstallLayoutTest, PutsEachPieceWhereTheDesktopLooksAndTheProgramStartsFromThere) {
    // The program and its crash reporter; nothing of the development tree.
    const fs::path program = prefix_ / "bin/lumeno";
    EXPECT_TRUE(IsExecutableFile(program));
    EXPECT_TRUE(IsExecutableFile(prefix_ / "libexec/lumeno/lumeno-crash-reporter"));
    std::vector<std::string> programs;
    for (const auto& entry : fs::directory_iterator(prefix_ / "bin"))
        programs.push_back(entry.path().filename().string());
    EXPECT_EQ(programs, std::vector<std::string>{"lumeno"});
    EXPECT_FALSE(fs::exists(prefix_ / "bin/skin"));

    // Every file of the build tree's skin, with the same size.
    const fs::path skin = prefix_ / "share/lumeno/skin";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(lumeno::test::build::SkinDir())) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path installed =
            skin / fs::relative(entry.path(), lumeno::test::build::SkinDir());
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        EXPECT_EQ(fs::file_size(installed), entry.file_size()) << installed;
    }
    EXPECT_GT(files, 100);

    // The desktop entry starts the installed program and names the installed icon.
    const fs::path desktopFile = prefix_ / "share/applications/lumeno.desktop";
    const auto entry = DesktopEntry(desktopFile);
    EXPECT_EQ(entry.count("Type") ? entry.at("Type") : "", "Application");
    EXPECT_EQ(entry.count("Exec") ? entry.at("Exec") : "", "lumeno");
    EXPECT_EQ(entry.count("Icon") ? entry.at("Icon") : "", "lumeno");
    EXPECT_EQ(entry.count("Name") ? entry.at("Name") : "", "Lumeno");
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {QString::fromStdString(desktopFile.string())});
        ASSERT_TRUE(validate.waitForFinished(30'000));
        EXPECT_EQ(validate.exitCode(), 0);
        EXPECT_EQ(validate.readAll().toStdString(), "");
    }

    // The icon at every size of the theme, each a PNG of its size; twice as large in "@2".
    const fs::path icons = prefix_ / "share/icons/hicolor";
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        for (int scale : {1, 2}) {
            if (size == 512 && scale == 2) continue;
            const fs::path file =
                icons / (folder + (scale == 2 ? "@2" : "")) / "apps" / "lumeno.png";
            QImageReader reader(QString::fromStdString(file.string()));
            EXPECT_EQ(reader.format().toStdString(), "png") << file;
            EXPECT_EQ(reader.size(), QSize(size * scale, size * scale)) << file;
            const QImage image = reader.read();
            EXPECT_FALSE(image.isNull()) << file;
            // The tile's corners are clear and its middle is painted.
            if (!image.isNull()) {
                EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << file;
                EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255) << file;
            }
        }
    }
    const std::string drawing = ReadText(icons / "scalable/apps/lumeno.svg");
    EXPECT_TRUE(drawing.starts_with("<svg")) << drawing.substr(0, 40);
    EXPECT_EQ(drawing.find("{{"), std::string::npos);

    EXPECT_TRUE(fs::is_regular_file(prefix_ / "share/man/man1/lumeno.1.gz"));
    EXPECT_TRUE(fs::is_regular_file(prefix_ / "share/doc/lumeno/copyright"));

    // The installed program draws its login page with the installed skin and ends cleanly (no
    // skin beside it: a missing skin would stop it at the message box instead).
    EXPECT_EQ(RunInstalled(program, {"--first-frame-exit"}, dir_ / "first"), 0);

    // A crash starts the installed reporter, which notes the path it was started as.
    QProcessEnvironment crash;
    crash.insert("LUMENO_CRASH_REPORTER_MODE", "record");
    // Under the sanitizers the client's own handlers must see the signals.
    crash.insert("ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") +
                                     ":detect_leaks=0:handle_segv=0:handle_abort=0");
    RunInstalled(program, {"--crash-test=ui-throw"}, dir_ / "crash", crash);
    const fs::path note = dir_ / "crash/XDG_DATA_HOME/Lumeno/Dump/reporter-started.txt";
    for (auto until = std::chrono::steady_clock::now() + 60s;
         !fs::exists(note) && std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(100ms);
    const std::string started = ReadText(note);
    EXPECT_EQ(started.substr(0, started.find('\n')),
              fs::weakly_canonical(prefix_ / "libexec/lumeno/lumeno-crash-reporter").string());
}

}  // namespace
