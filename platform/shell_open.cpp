#include "platform/shell_open.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace platform {

bool IsWebAddress(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool OpenWebAddress(const std::string& address) {
    if (!IsWebAddress(address)) return false;
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address), QUrl::StrictMode));
}

bool OpenLocalFile(const std::string& path) {
    const QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

bool StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(path), list);
}

}  // namespace platform
