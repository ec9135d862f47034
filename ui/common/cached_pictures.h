#pragma once
// The pictures from the image cache that one window draws: avatars by address and group tiles.
// A paint only looks at what is already in memory. A missing address is asked for once, after the
// paint, by one flow of the window that reads the cache's database and downloads what is not
// there; the window repaints when a picture arrives. An address that failed is not asked for again
// before a while has passed, so a broken avatar costs nothing on every repaint.

#include <QImage>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "flow/async_work_flow.h"
#include "storage/image_cache.h"
#include "toolkit/elements/ui_elements.h"

class CKesBitmap;
class VWindowImplRoot;

// A cached picture as Qt draws it.
QImage ImageOfPicture(const DibBitmap& picture);

class CCachedPictures {
  public:
    static constexpr std::chrono::seconds kRetryAfter{120};

    explicit CCachedPictures(VWindowImplRoot& owner);
    ~CCachedPictures();
    CCachedPictures(const CCachedPictures&) = delete;
    CCachedPictures& operator=(const CCachedPictures&) = delete;

    // Draws the picture at `url` (`size` as the cache's keys: 0, kSmallAvatarPixels or
    // kLargeAvatarKey) stretched over `rect`, else frame 0 of `fallback`. `round` cuts it to
    // a circle. On screens of more than one device pixel per pixel small avatars come from the
    // large copy.
    void Draw(UiRegion& region, const UiRect& rect, const std::string& url, int size,
              CKesBitmap& fallback, const QString& name = QString(), bool round = false);
    // Draws the tile of a group's first members, else the fallback; a tile not made yet is
    // queued once.
    void DrawGroupTile(UiRegion& region, const UiRect& rect, std::int32_t conversationId,
                       const std::vector<std::string>& memberIds, CKesBitmap& fallback,
                       const QString& name = QString());
    // The picture for an address when it is in memory (never reads the database).
    const QImage* Find(const std::string& url, int size);

    std::shared_ptr<PictureMap> Map() const { return map_; }
    // Forgets every picture and every failure (the account changed).
    void Clear();
    // Addresses asked for so far, and those that failed; for tests.
    int Requests() const { return requests_; }
    bool Failed(const std::string& url, int size) const;

  private:
    const QImage* FromKey(const std::string& key);
    void Ask(const std::string& url, int size);
    void Fetch(CAsyncWorkFlow& flow);

    VWindowImplRoot& owner_;
    std::shared_ptr<PictureMap> map_ = std::make_shared<PictureMap>();
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::map<std::string, QImage> images_;
    std::set<std::string> asked_;  // queued or in flight
    std::map<std::string, std::chrono::steady_clock::time_point> failed_;
    std::set<std::string> tiles_;
    std::deque<std::pair<std::string, int>> queue_;
    FlowHandle worker_;
    int requests_ = 0;
};
