#include "ui/chat/emoticon_picker.h"

#include <QApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/screen.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/picker_style.h"
#include "ui/ui_messages.h"

namespace {

using namespace picker_style;
constexpr int kColumns = EmoticonTable::kColumns;

// The skin writes every picture once more at twice its size beside it, as "name@2x.png".
QImage DensePicture(const std::string& imagePath) {
    const QString path = QString::fromStdString(imagePath);
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) return {};
    QImage dense(path.left(path.size() - 4) + QStringLiteral("@2x.png"));
    return dense;
}

// Where the picker opens for a chat window with that frame on the screen.
QPoint PickerPlace(QRect chatWindowOnScreen) {
    const QPoint centre = chatWindowOnScreen.center();
    const platform::ScreenRect area = platform::WorkAreaAt(centre.x(), centre.y());
    const int left = chatWindowOnScreen.x();
    const int top = chatWindowOnScreen.y() + chatWindowOnScreen.height() - kAboveChatBottom;
    // Whole on the work area: a window near its right or bottom edge moves the picker back in,
    // one near its left or top edge (or beyond them) forward.
    const platform::ScreenRect place =
        platform::MovedInside({left, top, left + kOuterWidth, top + kOuterHeight}, area);
    return QPoint(place.left, place.top);
}

}  // namespace

CDlgExpression& CDlgExpression::Instance() {
    // Never destroyed: the picker lives as long as the client.
    static CDlgExpression* picker = new CDlgExpression;
    return *picker;
}

CDlgExpression::CDlgExpression()
    : table_(EmoticonTable::Load(SkinDirectory().toStdString())), list_(this) {
    LoadDensePictures();
}

void CDlgExpression::LoadDensePictures() {
    dense_.clear();
    dense_.reserve(table_.Entries().size());
    for (const EmoticonEntry& entry : table_.Entries())
        dense_.push_back(DensePicture(entry.imagePath));
}

bool CDlgExpression::EnsureWindow() {
    if (IsWindow()) return true;
    return Create(nullptr, UiRect::FromSize(0, 0, kOuterWidth, kOuterHeight),
                  QStringLiteral("Emoticons")) != nullptr;
}

void CDlgExpression::ShowPicker(HWND chatWindow, QRect chatWindowOnScreen) {
    if (!EnsureWindow()) return;
    chatWindow_ = chatWindow;
    const QPoint place = PickerPlace(chatWindowOnScreen);
    MoveWindow(place.x(), place.y(), kOuterWidth, kOuterHeight);

    list_.SetTopIndex(0);
    keyboardCell_ = -1;
    ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->activateWindow();
        // A window shown again may be mapped only after this returns: ask once more then.
        QTimer::singleShot(0, widget, [widget] {
            if (widget->isVisible()) widget->activateWindow();
        });
    }
    SetFocus();
}

void CDlgExpression::Hide() {
    if (IsWindow() && IsWindowVisible()) ShowWindow(SW_HIDE);
}

const EmoticonEntry* CDlgExpression::Chosen() const {
    const auto& entries = table_.Entries();
    if (chosen_ < 0 || chosen_ >= static_cast<int>(entries.size())) return nullptr;
    return &entries[static_cast<std::size_t>(chosen_)];
}

void CDlgExpression::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(table_.Entries().size())) return;
    chosen_ = index;
    // The chat window may have closed while the picker was open: then nobody hears it.
    if (chatWindow_ && platform::IsWindow(chatWindow_)) {
        platform::PostMessage(chatWindow_, UM_EMOTICON_CHOSEN, static_cast<WPARAM>(index), 0);
    }
    Hide();
}

bool CDlgExpression::OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            shadow_.Create(m_hWnd);
            list_.SetRowHeight(kRowHeight);
            list_.Create(m_hWnd, UiRect::FromSize(kBorder, kBorder, kWidth, kHeight));
            list_.SetCount(EmoticonTable::GridRows(static_cast<int>(table_.Entries().size())));
            list_.SetOpaque(true);
            bar_.CreateSkinned(m_hWnd, list_);
            PlaceScrollBar();
            return false;
        case WM_CLOSE:
            // The picker is made once and kept: closing it only hides it.
            Hide();
            result = 0;
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) Hide();
            return false;
        case WM_KILLFOCUS:
            // The keyboard may only have moved inside the picker (to its list); it is lost once
            // another window is active.
            if (QWidget* widget = Widget()) {
                QTimer::singleShot(0, widget, [this, widget] {
                    if (!widget->isActiveWindow()) Hide();
                });
            }
            return false;
        case WM_KEYDOWN:
            return OnKey(wParam);
        default:
            return false;
    }
}

LRESULT CDlgExpression::OnListMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    // Keys typed while the list holds the keyboard move the same cell as on the picker.
    handled = message == WM_KEYDOWN && OnKey(wParam);
    return 0;
}

bool CDlgExpression::OnKey(WPARAM key) {
    switch (key) {
        case VK_LEFT:
            MoveKeyboardCell(KeyMove::Left);
            return true;
        case VK_RIGHT:
            MoveKeyboardCell(KeyMove::Right);
            return true;
        case VK_UP:
            MoveKeyboardCell(KeyMove::Up);
            return true;
        case VK_DOWN:
            MoveKeyboardCell(KeyMove::Down);
            return true;
        case VK_RETURN:
        case VK_SPACE:
            if (keyboardCell_ < 0) return false;
            Choose(keyboardCell_);
            return true;
        case VK_ESCAPE:
            Hide();
            return true;
        default:
            return false;
    }
}

void CDlgExpression::MoveKeyboardCell(KeyMove move) {
    const int count = static_cast<int>(table_.Entries().size());
    if (count == 0) return;
    int cell = keyboardCell_;
    if (cell < 0) {
        cell = 0;  // the first key only shows where the keyboard starts
    } else {
        switch (move) {
            case KeyMove::Left:
                cell = std::max(cell - 1, 0);
                break;
            case KeyMove::Right:
                cell = std::min(cell + 1, count - 1);
                break;
            case KeyMove::Up:
                if (cell >= kColumns) cell -= kColumns;
                break;
            case KeyMove::Down:
                cell = std::min(cell + kColumns, count - 1);
                break;
        }
    }
    keyboardCell_ = cell;
    // Keep the cell's row in view.
    const int row = cell / kColumns;
    const int rowsShown = std::max(1, list_.ClientHeight() / kRowHeight);
    const int top = list_.GetTopIndex();
    if (row < top) {
        list_.SetTopIndex(row);
    } else if (row >= top + rowsShown) {
        list_.SetTopIndex(row - rowsShown + 1);
    }
    list_.Invalidate(false);
}

void CDlgExpression::PlaceScrollBar() {
    if (!bar_.IsWindow()) return;
    const int width = bar_.BarWidth();
    bar_.SetWindowPos(HWND_TOP, kBorder + kWidth - width, kBorder, width, kHeight, SWP_NOACTIVATE);
    bar_.Synchronise();
}

void CDlgExpression::DoUI(UiContext& ctx) {
    // The border around the grid; the list covers the rest.
    UiRegion root(ctx);
    UiFill(root, ctx.client, kBorderColour);
    UiFill(root, UiRect::FromSize(kBorder, kBorder, kWidth, kHeight), kBackground);
}

void CDlgExpression::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, kBackground);
}

void CDlgExpression::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    const auto& entries = table_.Entries();
    UiRegion root(ctx);
    UiRegion row(root, rect);
    CKesBitmap& highlight = SkinImage("dlg_Expression_sel.png");
    const bool dense = ctx.dc && ctx.dc->device() && ctx.dc->device()->devicePixelRatioF() > 1.0;
    const int height = rect.Height();
    for (int column = 0; column < kColumns; ++column) {
        const int i = index * kColumns + column;
        if (i >= static_cast<int>(entries.size()) || ctx.Finished()) break;
        const EmoticonEntry& entry = entries[static_cast<std::size_t>(i)];
        const UiRect cellRect = UiRect::FromSize(column * kCellWidth, 0, kCellWidth, height);

        if (column + 1 < kColumns) {
            UiLine(row, kSeparator, {cellRect.right - 1, 0}, {cellRect.right - 1, height});
        }
        if (index < kLinedRows) {
            UiLine(row, kSeparator, {cellRect.left, height - 1}, {cellRect.right, height - 1});
        }
        const bool lit =
            UiStateOf(row, cellRect, kUiTakesMouse) != UiState::Normal || i == keyboardCell_;
        if (lit && ctx.mode == UiMode::Paint) {
            if (!highlight.IsEmpty()) {
                UiImage(row, cellRect, highlight);
            } else {
                UiFill(row, cellRect, kHoverFallback);
            }
        }

        const QString code = QString::fromStdString(entry.code);
        UiElement cell(row, cellRect, kUiTakesMouse | kUiHandCursor, &code);
        cell.Describe(UiRole::ListItem, code, UiNodeState::Focusable);
        if (cell.Hit() == UiHit::Clicked) {
            ctx.Later([this, i] { Choose(i); });
        }
        if (cell.Draws()) {
            const QImage& denseFace = dense_[static_cast<std::size_t>(i)];
            const QImage& face = dense && !denseFace.isNull() ? denseFace : entry.image;
            QPainter& dc = cell.dc();
            dc.save();
            dc.setRenderHint(QPainter::SmoothPixmapTransform);
            dc.setRenderHint(QPainter::Antialiasing);
            dc.drawImage(QRect(kFaceInset, kFaceInset, kFaceSize, kFaceSize), face);
            dc.restore();
        }
    }
}
