#include "storage/image_cache.h"

#include "flow/msg_handler.h"
#include "net/download.h"
#include "platform/directories.h"
#include "platform/picture.h"
#include "storage/database_key.h"
#include "storage/dib_blob.h"
#include "util/user_messages.h"

namespace {

std::size_t SizeOf(const DibBitmap& picture) {
    return picture.bits.size() + sizeof(DibBitmap);
}

}  // namespace

CImageCache& CImageCache::Instance() {
    static CImageCache cache;
    return cache;
}

std::string CImageCache::KeyOf(const std::string& url, int size) {
    return size > 0 ? url + "&" + std::to_string(size) : url;
}

ImageCacheDatabase& CImageCache::Database() {
    if (!openTried_) {
        openTried_ = true;
        database_.Open(platform::JoinPath(platform::DataDirectory(), "imagecache.db"),
                       DatabaseKey(), dbLimits_);
    }
    return database_;
}

void CImageCache::SetMemoryLimit(std::size_t bytes) {
    memoryLimit_ = bytes;
    while (memoryBytes_ > memoryLimit_ && !recentFirst_.empty()) {
        auto oldest = memory_.find(recentFirst_.back());
        memoryBytes_ -= SizeOf(*oldest->second.picture);
        memory_.erase(oldest);
        recentFirst_.pop_back();
    }
}

PicturePtr CImageCache::FromMemory(const std::string& key) {
    auto found = memory_.find(key);
    if (found == memory_.end()) return nullptr;
    recentFirst_.splice(recentFirst_.begin(), recentFirst_, found->second.use);
    return found->second.picture;
}

void CImageCache::Remember(const std::string& key, const PicturePtr& picture) {
    if (auto old = memory_.find(key); old != memory_.end()) {
        memoryBytes_ -= SizeOf(*old->second.picture);
        recentFirst_.erase(old->second.use);
        memory_.erase(old);
    }
    recentFirst_.push_front(key);
    memory_[key] = Entry{picture, recentFirst_.begin()};
    memoryBytes_ += SizeOf(*picture);
    // The newest picture stays even when it alone is over the limit.
    while (memoryBytes_ > memoryLimit_ && recentFirst_.size() > 1) {
        auto oldest = memory_.find(recentFirst_.back());
        memoryBytes_ -= SizeOf(*oldest->second.picture);
        memory_.erase(oldest);
        recentFirst_.pop_back();
    }
}

PicturePtr CImageCache::GetBitmap(PictureMap* list, const std::string& url, int size) {
    if (url.empty()) return nullptr;
    const std::string key = KeyOf(url, size);
    if (list) {
        if (auto found = list->find(key); found != list->end()) return found->second;
    }
    PicturePtr picture = FromMemory(key);
    if (!picture && Database().Contains(key)) {
        if (std::optional<std::string> value = Database().Read(key)) {
            picture = DeserializeDib(*value);
            if (picture) Remember(key, picture);
        }
    }
    if (picture && list) (*list)[key] = picture;
    return picture;
}

void CImageCache::PutBitmap(const PicturePtr& picture, const std::string& key,
                            CAsyncWorkFlow& flow) {
    if (!picture) return;
    Remember(key, picture);
    ImageCacheDatabase& database = Database();
    PoolScope::Run(flow,
                   [&database, picture, key] { database.Write(key, SerializeDib(*picture)); });
}

void CImageCache::PutInMemory(PictureMap* list, const std::string& key, const PicturePtr& picture) {
    if (!picture) return;
    Remember(key, picture);
    if (list) (*list)[key] = picture;
}

PicturePtr CImageCache::Download(const PictureMapRef& list, const std::string& url, int size,
                                 CAsyncWorkFlow& flow) {
    if (url.empty()) return nullptr;
    FlowSemaphore::Slot slot = downloads_.Acquire(flow);
    std::string bytes;
    if (!DownloadToBuffer(url, bytes, kPictureDownloadTimeoutMs, flow)) return nullptr;
    struct Decoded {
        PicturePtr large, small, own;
    };
    const bool scaled = size > 0;
    Decoded decoded = PoolScope::Run(flow, [&] {
        Decoded out;
        if (scaled) {
            out.large = platform::DecodePicture(bytes, kLargeAvatarPixels);
            out.small = platform::DecodePicture(bytes, kSmallAvatarPixels);
        } else {
            out.own = platform::DecodePicture(bytes, 0);
        }
        return out;
    });
    std::string readyKey;
    if (scaled && decoded.large && decoded.small) {
        const std::string largeKey = KeyOf(url, kLargeAvatarKey);
        const std::string smallKey = KeyOf(url, kSmallAvatarPixels);
        PutBitmap(decoded.large, largeKey, flow);
        PutBitmap(decoded.small, smallKey, flow);
        if (const std::shared_ptr<PictureMap> target = list.lock()) {
            (*target)[largeKey] = decoded.large;
            (*target)[smallKey] = decoded.small;
        }
        readyKey = KeyOf(url, size);
    } else if (!scaled && decoded.own) {
        PutBitmap(decoded.own, url, flow);
        if (const std::shared_ptr<PictureMap> target = list.lock()) (*target)[url] = decoded.own;
        readyKey = url;
    }
    slot.Release();
    if (!readyKey.empty()) {
        ImageReadyNotice notice{readyKey};
        Broadcast(UM_IMAGE_READY, reinterpret_cast<WPARAM>(this),
                  reinterpret_cast<LPARAM>(&notice));
    }
    return GetBitmap(list.lock().get(), url, size);
}
