#pragma once
// Pictures from URLs (avatars and other small pictures), downloaded once, decoded and scaled to
// the sizes the lists draw, kept in memory while the client runs and in "imagecache.db" from one
// run to the next. Memory and database use are bounded; the least recently used pictures go
// first. UI thread, except the stores, which run on workers.
//
// When a download makes a picture available, the cache broadcasts UM_IMAGE_READY (1126) with
// wParam = the cache and lParam = an ImageReadyNotice; windows that draw cached pictures pass
// themselves to the notice, which has them repaint what shows the picture.

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "flow/async_work_flow.h"
#include "platform/dib_bitmap.h"
#include "storage/image_cache_db.h"

// Pictures are shared and never change once made, so lists, the cache and the workers that store
// them may hold the same one.
using PicturePtr = std::shared_ptr<const DibBitmap>;
// The pictures one list draws, by cache key, on top of the cache. The list's owner (a window)
// holds it in a shared pointer; work that fills it after a hop holds it weakly and looks it up
// again, so a list whose window closed meanwhile is simply not filled.
using PictureMap = std::map<std::string, PicturePtr>;
using PictureMapRef = std::weak_ptr<PictureMap>;

// A scaled download gives both sizes: 90 pixels under "&80" and 42 pixels under "&42".
constexpr int kLargeAvatarKey = 80;
constexpr int kLargeAvatarPixels = 90;
constexpr int kSmallAvatarPixels = 42;
constexpr int kImageDownloadsAtOnce = 5;

class IPictureRepaint {
  public:
    virtual void RepaintPicture(const std::string& key) = 0;

  protected:
    ~IPictureRepaint() = default;
};

struct ImageReadyNotice {
    std::string key;
    void Deliver(IPictureRepaint& window) const { window.RepaintPicture(key); }
};

class CImageCache {
  public:
    static CImageCache& Instance();

    // The key of a picture: the URL for size 0, "<URL>&<size>" otherwise.
    static std::string KeyOf(const std::string& url, int size);

    // From the list map, the memory map or the database; null when the picture must be
    // downloaded. A picture found beyond the list map is put into it.
    PicturePtr GetBitmap(PictureMap* list, const std::string& url, int size);
    // Puts the picture into memory at once and stores it in the database on a worker.
    void PutBitmap(const PicturePtr& picture, const std::string& key, CAsyncWorkFlow& flow);
    // Downloads, decodes and stores the picture (at most kImageDownloadsAtOnce at a time), then
    // returns GetBitmap(list, url, size). A size above 0 asks for the scaled pair. The list is
    // filled when it still exists at the end.
    PicturePtr Download(const PictureMapRef& list, const std::string& url, int size,
                        CAsyncWorkFlow& flow);
    // Places a picture that the client made itself (a group tile) into memory and the list.
    void PutInMemory(PictureMap* list, const std::string& key, const PicturePtr& picture);

    // Bounds; the database ones apply when it is opened (first use).
    void SetMemoryLimit(std::size_t bytes);
    void SetDatabaseLimits(const ImageCacheDatabase::Limits& limits) { dbLimits_ = limits; }
    std::size_t MemoryBytes() const { return memoryBytes_; }
    bool InMemory(const std::string& key) const { return memory_.count(key) != 0; }
    ImageCacheDatabase& Database();

  private:
    CImageCache() = default;
    PicturePtr FromMemory(const std::string& key);
    void Remember(const std::string& key, const PicturePtr& picture);

    struct Entry {
        PicturePtr picture;
        std::list<std::string>::iterator use;
    };
    std::unordered_map<std::string, Entry> memory_;
    std::list<std::string> recentFirst_;
    std::size_t memoryBytes_ = 0;
    std::size_t memoryLimit_ = 48u * 1024 * 1024;
    ImageCacheDatabase database_;
    ImageCacheDatabase::Limits dbLimits_;
    bool openTried_ = false;
    FlowSemaphore downloads_{kImageDownloadsAtOnce};
};
