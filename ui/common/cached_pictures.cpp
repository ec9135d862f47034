#include "ui/common/cached_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

#include "api/avatar_files.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/window/window_root.h"

namespace {

class PictureDrawing final : public IUiDrawable {
  public:
    PictureDrawing(const QImage& image, bool round) : image_(image), round_(round) {}
    void Draw(QPainter& dc, const QRect& rect) override {
        dc.save();
        dc.setRenderHint(QPainter::SmoothPixmapTransform);
        if (round_) {
            QPainterPath circle;
            circle.addEllipse(QRectF(rect));
            dc.setRenderHint(QPainter::Antialiasing);
            dc.setClipPath(circle);
        }
        dc.drawImage(QRectF(rect), image_);
        dc.restore();
    }

  private:
    const QImage& image_;
    bool round_;
};

}  // namespace

QImage ImageOfPicture(const DibBitmap& picture) {
    if (picture.bits.empty() || picture.width <= 0 || picture.height <= 0) return QImage();
    const QImage::Format format =
        picture.bitsPerPixel == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_BGR888;
    return QImage(picture.bits.data(), picture.width, picture.height,
                  static_cast<qsizetype>(picture.stride), format)
        .copy();
}

CCachedPictures::CCachedPictures(VWindowImplRoot& owner) : owner_(owner) {}

CCachedPictures::~CCachedPictures() {
    *alive_ = false;
}

void CCachedPictures::Clear() {
    CAsyncWorkFlow::CancelFlow(&worker_);
    queue_.clear();
    asked_.clear();
    failed_.clear();
    tiles_.clear();
    images_.clear();
    map_ = std::make_shared<PictureMap>();
}

bool CCachedPictures::Failed(const std::string& url, int size) const {
    return failed_.count(CImageCache::KeyOf(url, size)) != 0;
}

const QImage* CCachedPictures::FromKey(const std::string& key) {
    if (auto found = images_.find(key); found != images_.end()) return &found->second;
    PicturePtr picture;
    if (auto inList = map_->find(key); inList != map_->end()) picture = inList->second;
    if (!picture) return nullptr;
    QImage image = ImageOfPicture(*picture);
    if (image.isNull()) return nullptr;
    return &images_.emplace(key, std::move(image)).first->second;
}

const QImage* CCachedPictures::Find(const std::string& url, int size) {
    if (url.empty()) return nullptr;
    const std::string key = CImageCache::KeyOf(url, size);
    if (const QImage* image = FromKey(key)) return image;
    CImageCache& cache = CImageCache::Instance();
    // The cache's memory is as cheap as the list's; only its database waits for the flow.
    if (cache.InMemory(key) && cache.GetBitmap(map_.get(), url, size)) return FromKey(key);
    return nullptr;
}

void CCachedPictures::Draw(UiRegion& region, const UiRect& rect, const std::string& url, int size,
                           CKesBitmap& fallback, const QString& name, bool round) {
    // On a dense screen a small avatar is drawn from the large copy the same download made.
    if (size == kSmallAvatarPixels && owner_.Widget() && owner_.Widget()->devicePixelRatioF() > 1.0)
        size = kLargeAvatarKey;
    if (const QImage* image = Find(url, size)) {
        PictureDrawing drawing(*image, round);
        UiDrawable(region, rect, drawing, 0, name);
        return;
    }
    if (!url.empty()) Ask(url, size);
    UiImage(region, rect, fallback, 0, name);
}

void CCachedPictures::DrawGroupTile(UiRegion& region, const UiRect& rect,
                                    std::int32_t conversationId,
                                    const std::vector<std::string>& memberIds, CKesBitmap& fallback,
                                    const QString& name) {
    const std::string key = GroupTileKey(memberIds);
    const QImage* image = FromKey(key);
    if (!image && CImageCache::Instance().InMemory(key) &&
        CImageCache::Instance().GetBitmap(map_.get(), key, 0)) {
        image = FromKey(key);
    }
    if (image) {
        PictureDrawing drawing(*image, false);
        UiDrawable(region, rect, drawing, 0, name);
        return;
    }
    UiImage(region, rect, fallback, 0, name);
    if (memberIds.empty() || !tiles_.insert(key).second) return;
    // Queued after the paint: the tile's flow starts at once and reads the store.
    std::weak_ptr<bool> alive = alive_;
    std::weak_ptr<PictureMap> list = map_;
    QTimer::singleShot(0, [alive, list, conversationId] {
        if (alive.lock() && *alive.lock()) GroupTile(conversationId, list);
    });
}

void CCachedPictures::Ask(const std::string& url, int size) {
    const std::string key = CImageCache::KeyOf(url, size);
    if (asked_.count(key)) return;
    if (auto failed = failed_.find(key); failed != failed_.end()) {
        if (std::chrono::steady_clock::now() - failed->second < kRetryAfter) return;
        failed_.erase(failed);
    }
    asked_.insert(key);
    queue_.emplace_back(url, size);
    ++requests_;
    if (worker_.Busy()) return;
    // Never from inside the paint: the flow reads the database before its first hop.
    std::weak_ptr<bool> alive = alive_;
    QTimer::singleShot(0, [this, alive] {
        const std::shared_ptr<bool> living = alive.lock();
        if (!living || !*living || queue_.empty()) return;
        RunFlowOnce(worker_, [this](CAsyncWorkFlow& flow) { Fetch(flow); });
    });
}

void CCachedPictures::Fetch(CAsyncWorkFlow& flow) {
    CImageCache& cache = CImageCache::Instance();
    while (!queue_.empty()) {
        const auto [url, size] = queue_.front();
        queue_.pop_front();
        const std::string key = CImageCache::KeyOf(url, size);
        PicturePtr picture = cache.GetBitmap(map_.get(), url, size);
        if (!picture) picture = cache.Download(map_, url, size, flow);
        asked_.erase(key);
        if (picture) {
            (*map_)[key] = picture;
            owner_.Invalidate(false);
        } else {
            failed_[key] = std::chrono::steady_clock::now();
        }
    }
}
