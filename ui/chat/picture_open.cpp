#include "ui/chat/picture_open.h"

#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include "net/download.h"
#include "platform/directories.h"
#include "platform/shell_open.h"
#include "ui/prompts/message_box.h"

namespace {

constexpr char kDownloadName[] = "temp.png";
constexpr char kCaption[] = "提示";

void Tell(HWND owner, PictureOpen result) {
    if (result == PictureOpen::kNotAPicture)
        ShowMessageBox(owner, kPictureNotOpened, kCaption, MB_OK);
    else if (result == PictureOpen::kNoViewer)
        ShowMessageBox(owner, kNoPictureViewer, kCaption, MB_OK);
}

}  // namespace

std::string LocalPicturePath(const std::string& address) {
    QString text = QString::fromStdString(address);
    text.replace(QStringLiteral("%20"), QStringLiteral(" "));
    const QUrl url(text);
    const QString path = url.scheme() == QLatin1String("file") ? url.toLocalFile() : text;
    if (path.isEmpty() || !QFileInfo(path).isAbsolute() || !QFileInfo(path).isFile()) return {};
    return path.toStdString();
}

PictureOpen OpenPictureFile(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    if (!reader.canRead() || !reader.size().isValid()) return PictureOpen::kNotAPicture;
    return platform::OpenLocalFile(path) ? PictureOpen::kOpened : PictureOpen::kNoViewer;
}

PictureOpen OpenPagePicture(const std::string& address, FlowHandle& flow, HWND owner) {
    const std::string local = LocalPicturePath(address);
    if (!local.empty()) {
        const PictureOpen result = OpenPictureFile(local);
        Tell(owner, result);
        return result;
    }
    if (!platform::IsWebAddress(address)) return PictureOpen::kUnknownSource;
    RunFlow(&flow, [address, owner](CAsyncWorkFlow& work) {
        const std::string folder = platform::DataDirectory();
        const std::string target = platform::JoinPath(folder, kDownloadName);
        if (!DownloadToFile(address, folder, target, kOpenedPictureTimeoutMs, work)) {
            ShowMessageBox(owner, kPictureNotDownloaded, kCaption, MB_OK);
            return;
        }
        Tell(owner, OpenPictureFile(target));
    });
    return PictureOpen::kDownloading;
}
