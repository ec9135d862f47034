#pragma once
// Opening a picture of the conversation page with the desktop's picture viewer: a picture on disk
// (one the user sent) directly, a picture of the service after downloading it. Only what reads as
// a picture is handed to the desktop: a download that turns out to be anything else is not
// opened.
//
// Each downloaded picture becomes a file of its own, private to the user (0600, in the folder
// "Opened" of the data folder, 0700), named at random with the extension of its format: the
// viewer reads it whenever it gets to it, and a later click never replaces a file handed out
// before. The viewer may read it late and again (a reload, a second window), and may outlive the
// client, so the files are not removed at exit: those older than kOpenedPictureKeptSeconds go
// when the next picture is opened and when the client starts.

#include <cstddef>
#include <cstdint>
#include <string>

#include "flow/async_work_flow.h"
#include "platform/win_types.h"

enum class PictureOpen {
    kOpened,
    kNotAPicture,    // the file does not read as a picture
    kNoViewer,       // the desktop could not open it
    kDownloading,    // a download has started; it opens when it arrives
    kUnknownSource,  // neither a file on disk nor a web address
};

// The largest picture of the service that is opened.
inline constexpr std::size_t kOpenedPictureMaxBytes = 32u * 1024 * 1024;
// How long a downloaded picture is kept for the viewer: an hour.
inline constexpr std::int64_t kOpenedPictureKeptSeconds = 3600;

// The local file a page address names ("file:" address or plain path, "%20" read as a space),
// or empty.
std::string LocalPicturePath(const std::string& address);

// Opens a picture file after checking that it reads as one.
PictureOpen OpenPictureFile(const std::string& path);

// Opens what the page's picture address names. A web address is downloaded in `flow` (a running
// download of the same handle is cancelled) into a new file of the opened pictures' folder and
// opened when it arrives; a failure is told in a message box over `owner`.
PictureOpen OpenPagePicture(const std::string& address, FlowHandle& flow, HWND owner);

// The private folder of downloaded pictures handed to the viewer.
std::string OpenedPictureFolder();
// Removes the downloaded pictures older than kOpenedPictureKeptSeconds, and the one shared file
// that earlier versions of the client downloaded every picture to.
void RemoveOldOpenedPictures();

// The extension for the picture in `bytes` ("png", "jpg", "gif", "bmp", "webp"), or empty when
// the bytes do not read as a picture of a format the desktop's viewers are sure to show.
std::string PictureExtension(const std::string& bytes);

// What the reader is told when a picture cannot be opened.
inline constexpr char kPictureNotOpened[] = "这张图片无法打开";
inline constexpr char kPictureNotDownloaded[] = "图片下载失败，请稍后再试";
inline constexpr char kPictureTooLarge[] = "图片太大（超过32MB），无法打开";
inline constexpr char kPictureNotSaved[] = "图片无法保存到本地，请检查磁盘空间";
inline constexpr char kNoPictureViewer[] = "没有找到可以查看图片的程序";
