#pragma once
// The standard caption of the skinned windows: a title at the left of the bar and the system
// buttons from its right edge leftwards (close, maximise or restore, minimise, menu), each one
// frame of its "sys_btn_*.png" picture, named for readers.

#include <QColor>
#include <QString>

#include "toolkit/elements/ui_elements.h"

enum class CaptionButtons : unsigned { Close = 1, Maximise = 2, Minimise = 4, Menu = 8 };
constexpr CaptionButtons operator|(CaptionButtons a, CaptionButtons b) {
    return static_cast<CaptionButtons>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

enum class CaptionHit { None, Close, Maximise, Minimise, Menu };

struct CaptionResult {
    CaptionHit hit = CaptionHit::None;
    UiRect button;  // the clicked button's rectangle (menus open under it)
};

CaptionResult UiCaption(UiRegion& region, const UiRect& bar, const QString& title,
                        CaptionButtons buttons, bool maximised = false, const QFont* font = nullptr,
                        const QColor& colour = QColor());
