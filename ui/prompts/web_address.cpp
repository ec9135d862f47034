#include "ui/prompts/web_address.h"

#include <QDesktopServices>
#include <QUrl>

#include "config/log.h"

namespace web_address {

bool Open(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        WriteLogText("not a web address, not opened: " + address);
        return false;
    }
    if (QDesktopServices::openUrl(url)) return true;
    WriteLogText("the desktop could not open " + address);
    return false;
}

}  // namespace web_address
