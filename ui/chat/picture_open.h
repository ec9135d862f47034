#pragma once
// Opening a picture of the conversation page with the desktop's picture viewer: a picture on disk
// (one the user sent) directly, a picture of the service after downloading it. Only what reads as
// a picture is handed to the desktop: a download that turns out to be anything else is not
// opened.

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

// The local file a page address names ("file:" address or plain path, "%20" read as a space),
// or empty.
std::string LocalPicturePath(const std::string& address);

// Opens a picture file after checking that it reads as one.
PictureOpen OpenPictureFile(const std::string& path);

// Opens what the page's picture address names. A web address is downloaded in `flow` (a running
// download of the same handle is cancelled) to "temp.png" of the data folder and opened when it
// arrives; a failure is told in a message box over `owner`.
PictureOpen OpenPagePicture(const std::string& address, FlowHandle& flow, HWND owner);

// What the reader is told when a picture cannot be opened.
inline constexpr char kPictureNotOpened[] = "这张图片无法打开";
inline constexpr char kPictureNotDownloaded[] = "图片下载失败，请稍后再试";
inline constexpr char kNoPictureViewer[] = "没有找到可以查看图片的程序";
