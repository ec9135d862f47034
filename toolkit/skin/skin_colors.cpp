#include "toolkit/skin/skin_colors.h"

QPen SharedPenOf(SharedPen which) {
    switch (which) {
        case SharedPen::MistBlue:
            return QPen(QColor(178, 200, 208), 1);
        case SharedPen::Navy:
            return QPen(QColor(75, 105, 149), 1);
        case SharedPen::Silver:
            return QPen(QColor(211, 211, 211), 1);
        case SharedPen::LightGrey:
            return QPen(QColor(229, 229, 229), 1);
        case SharedPen::Parchment:
            return QPen(QColor(234, 233, 225), 1);
        case SharedPen::SlateMist:
            return QPen(QColor(211, 217, 218), 1);
        case SharedPen::White:
            return QPen(QColor(255, 255, 255), 1);
        case SharedPen::Red:
            return QPen(QColor(240, 0, 0), 1);
        case SharedPen::Grey224:
            return QPen(QColor(224, 224, 224), 1);
        case SharedPen::DottedGrey:
            return QPen(QColor(223, 223, 223), 1, Qt::DotLine);
    }
    return QPen();
}

QColor SharedBrushColour(SharedBrush which) {
    switch (which) {
        case SharedBrush::White:
            return QColor(255, 255, 255);
        case SharedBrush::Black:
            return QColor(0, 0, 0);
        case SharedBrush::IceBlue:
            return QColor(240, 246, 249);
        case SharedBrush::FrostBlue:
            return QColor(243, 248, 250);
        case SharedBrush::CloudGrey:
            return QColor(229, 231, 235);
        case SharedBrush::MintWhite:
            return QColor(240, 250, 251);
        case SharedBrush::SkyBlue:
            return QColor(162, 210, 244);
        case SharedBrush::SteelMist:
            return QColor(217, 225, 232);
        case SharedBrush::Lavender:
            return QColor(238, 240, 249);
        case SharedBrush::Smoke:
            return QColor(244, 244, 244);
        case SharedBrush::PaleSteel:
            return QColor(236, 240, 245);
    }
    return QColor();
}
