#pragma once
// Skin bitmaps: a picture loaded on first use and cut into equal frames side by side, and the
// variants that stretch a three-part or nine-part frame to any size. A picture with a "@2x"
// companion of exactly twice its size is drawn from the companion on high-density screens.

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "toolkit/elements/ui_rect.h"

class QPainter;

class CKesBitmap {
  public:
    enum Format : std::uint8_t { kIcon = 1, kBmp = 2, kJpeg = 3, kPng = 4 };

    CKesBitmap() = default;
    // A file: `fileOrName` as it is when that file exists, otherwise a name in the skin directory.
    CKesBitmap(const QString& fileOrName, int frames);
    // A picture built into the program (117, 118, 119, 121).
    CKesBitmap(int resourceNumber, int frames);
    CKesBitmap(const CKesBitmap&) = delete;
    CKesBitmap& operator=(const CKesBitmap&) = delete;
    virtual ~CKesBitmap() = default;

    // One frame stretched to the rectangle.
    virtual void DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame);
    // One frame at the given width and its own height.
    virtual void DrawFrameRow(QPainter& dc, int x, int y, int width, int frame);
    // One frame at its own size.
    void Draw(QPainter& dc, int x, int y, int frame = 0);

    // Loaded on demand; 0 when the picture could not be loaded.
    int FrameWidth();
    int FrameHeight();
    int FrameCount() const { return frames_; }
    bool IsEmpty();
    bool HasPerPixelAlpha();
    std::uint8_t Format();

    // When above 0 a file is loaded scaled into a square of this many pixels.
    void SetThumbnailSize(int pixels) { thumbnail_ = pixels; }
    void SetConstantAlpha(int alpha) { constantAlpha_ = std::clamp(alpha, 0, 255); }
    int ConstantAlpha() const { return constantAlpha_; }
    const QString& Path() const { return path_; }
    std::uint16_t ResourceNumber() const { return resource_; }

  protected:
    // Draws the part `source` (in the frame's own pixels) of frame `frame` into `target`,
    // stretching when the sizes differ. `fullAlpha` ignores the constant alpha.
    void CopyPiece(QPainter& dc, const QRect& target, const QRect& source, int frame,
                   bool fullAlpha = false);
    // Fills `target` with copies of `source` from its top-left corner, the last ones cut.
    void TilePiece(QPainter& dc, const QRect& target, const QRect& source, int frame);
    bool EnsureLoaded();

  private:
    const QImage* ImageFor(const QPainter& dc);
    bool Load();
    void LoadHighDensity();
    // A piece scaled to a device size, made once: stretching it on every paint costs more.
    const QImage& Scaled(const QImage& image, const QRect& pixels, QSize deviceSize);

    struct ScaledPiece {
        const QImage* from = nullptr;
        QRect pixels;
        QSize size;
        QImage image;
    };
    std::vector<ScaledPiece> scaled_;
    std::uint16_t resource_ = 0;
    bool loadTried_ = false;
    bool highDensityTried_ = false;
    QImage image_;             // the frames at 1x
    QImage highDensityImage_;  // the same frames at 2x, or null
    QString path_;
    int thumbnail_ = 0;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    std::uint16_t frames_ = 1;
    std::uint8_t perPixelAlpha_ = 0;
    std::uint8_t format_ = kPng;
    int constantAlpha_ = 255;
};

// A frame drawn in three pieces: [0, L) and [R, frame width) at their own width at the ends,
// [L, R) stretched over what remains.
class CKesBitmapHorizen3Part : public CKesBitmap {
  public:
    // The built-in button face: picture 119, four frames, L 2, R 3.
    CKesBitmapHorizen3Part();
    CKesBitmapHorizen3Part(const QString& fileOrName, int frames, int left, int right);

    void DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame) override;
    void DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) override;
    // Only the rows [sourceY, sourceY + sourceHeight) of the frame, at their own height.
    void DrawFrameStrip(QPainter& dc, int x, int y, int width, int sourceY, int sourceHeight,
                        int frame);
    // As DrawFrameRow, with the middle piece at full alpha.
    void DrawFrameOpaque(QPainter& dc, int x, int y, int width, int frame);

    int LeftCut() const { return left_; }
    int RightCut() const { return right_; }

  private:
    void DrawPieces(QPainter& dc, int x, int y, int width, int height, int sourceY,
                    int sourceHeight, int frame, bool opaqueMiddle);

    int left_ = 0;
    int right_ = 0;
};

// The same with a top cut T and a bottom cut B: the middle rows [T, B) are stretched.
class CKesBitmapVertical3Part : public CKesBitmap {
  public:
    CKesBitmapVertical3Part(const QString& fileOrName, int frames, int top, int bottom);

    void DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame) override;
    void DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) override;

    int TopCut() const { return top_; }
    int BottomCut() const { return bottom_; }

  private:
    int top_ = 0;
    int bottom_ = 0;
};

// Four corners at their own size; edges and centre stretched or repeated.
class CKesBitmap9Part : public CKesBitmap {
  public:
    // Region bits of the skip and fill masks.
    enum Region : unsigned { kTop = 1, kBottom = 2, kLeft = 4, kRight = 8, kCentre = 16 };

    CKesBitmap9Part(const QString& fileOrName, int frames, int left, int right, int top, int bottom,
                    bool tile = false, unsigned skipMask = 0, unsigned fillMask = 0,
                    QColor fillColour = Qt::white);

    void DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame) override;
    void DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) override;
    void DrawFrameTiled(QPainter& dc, int x, int y, int width, int height, int frame);
    void DrawFrameStretched(QPainter& dc, int x, int y, int width, int height, int frame);

  private:
    void DrawRegions(QPainter& dc, int x, int y, int width, int height, int frame, bool tile);

    unsigned skipMask_ = 0;
    bool tile_ = false;
    int left_ = 0;
    int right_ = 0;
    int top_ = 0;
    int bottom_ = 0;
    unsigned fillMask_ = 0;
    QColor fillColour_;
};
