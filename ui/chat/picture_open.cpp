#include "ui/chat/picture_open.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include "net/download.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "platform/shell_open.h"
#include "ui/prompts/message_box.h"

namespace {

constexpr char kCaption[] = "提示";
constexpr char kFolderName[] = "Opened";
// Where every picture went before each got a file of its own.
constexpr char kSharedDownloadName[] = "temp.png";

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

std::string OpenedPictureFolder() {
    const std::string folder = platform::JoinPath(platform::DataDirectory(), kFolderName);
    platform::MakeFolderPrivate(folder);
    return folder;
}

void RemoveOldOpenedPictures() {
    platform::RemoveFilesOlderThan(OpenedPictureFolder(), kOpenedPictureKeptSeconds);
    platform::RemoveFile(platform::JoinPath(platform::DataDirectory(), kSharedDownloadName));
}

std::string PictureExtension(const std::string& bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead() || !reader.size().isValid()) return {};
    const QByteArray format = reader.format();
    if (format == "jpeg" || format == "jpg") return "jpg";
    for (const char* known : {"png", "gif", "bmp", "webp"}) {
        if (format == known) return known;
    }
    return {};
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
        std::string body;
        bool tooLarge = false;
        if (!DownloadToBuffer(address, body, kOpenedPictureTimeoutMs, work, kOpenedPictureMaxBytes,
                              &tooLarge)) {
            ShowMessageBox(owner, tooLarge ? kPictureTooLarge : kPictureNotDownloaded, kCaption,
                           MB_OK);
            return;
        }
        const std::string extension = PictureExtension(body);
        if (extension.empty()) {
            Tell(owner, PictureOpen::kNotAPicture);
            return;
        }
        const std::string folder = OpenedPictureFolder();
        const std::string path = PoolScope::Run(work, [&] {
            platform::RemoveFilesOlderThan(folder, kOpenedPictureKeptSeconds);
            return platform::WriteUniquePrivateFile(folder, extension, body);
        });
        if (path.empty()) {
            ShowMessageBox(owner, kPictureNotSaved, kCaption, MB_OK);
            return;
        }
        Tell(owner, OpenPictureFile(path));
    });
    return PictureOpen::kDownloading;
}
