#include "ui/prompts/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdlib>

namespace autostart {

namespace {

constexpr char kEntryName[] = "lumeno.desktop";
constexpr char kArgument[] = "/autostart";

// A program path as one quoted argument of an Exec line: inside the quotes '"', '`', '$' and
// '\' are escaped with '\'; '%' is doubled (it starts field codes). The result is then a string
// value, whose own escape doubles every '\' again.
std::string QuoteForExec(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";
            quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

std::string ConfigHome() {
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured && configured[0] == '/') return configured;
    return QDir::homePath().toStdString() + "/.config";
}

}  // namespace

std::string EntryPath() {
    return ConfigHome() + "/autostart/" + kEntryName;
}

std::string ProgramPath() {
    return QCoreApplication::applicationFilePath().toStdString();
}

std::string EntryText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumeno\n"
           "Comment=Lumeno messenger\n"
           "Exec=" +
           QuoteForExec(program) + " " + kArgument +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string ProgramOfExec(const std::string& exec) {
    // Undo the string value's escapes first, then read the first argument.
    std::string line;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size() && exec[i + 1] == '\\') {
            line += '\\';
            ++i;
        } else {
            line += exec[i];
        }
    }
    std::string program;
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            program += line[i];
        }
        if (i >= line.size()) return {};  // no closing quote
    } else {
        for (; i < line.size() && line[i] != ' '; ++i)
            program += line[i];
    }
    std::string unescaped;
    for (std::size_t k = 0; k < program.size(); ++k) {
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%') ++k;
        unescaped += program[k];
    }
    return unescaped;
}

bool IsOn() {
    QFile file(QString::fromStdString(EntryPath()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    std::string program;
    bool hidden = false;
    while (!file.atEnd()) {
        const std::string line = file.readLine().trimmed().toStdString();
        if (line.rfind("Exec=", 0) == 0) program = ProgramOfExec(line.substr(5));
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") hidden = true;
    }
    if (hidden || program.empty()) return false;
    const QFileInfo info(QString::fromStdString(program));
    return info.exists() && info.isFile();
}

bool Set(bool on, const std::string& program, std::string& error) {
    const QString path = QString::fromStdString(EntryPath());
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path)) return true;
        error = "无法删除 " + path.toStdString();
        return false;
    }
    if (program.empty() || program.find('\n') != std::string::npos) {
        error = "程序路径无法写入启动项";
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        error = "无法创建目录 " + QFileInfo(path).absolutePath().toStdString();
        return false;
    }
    QSaveFile file(path);
    const std::string text = EntryText(program);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        error = "无法写入 " + path.toStdString();
        return false;
    }
    return true;
}

}  // namespace autostart
