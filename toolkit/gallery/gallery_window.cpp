#include "toolkit/gallery/gallery_window.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <array>
#include <functional>

#include "toolkit/elements/panel_draw.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"

namespace {

constexpr int kTitleHeight = 48;
const QColor kCanvas(243, 245, 248);
const QColor kCardBorder(227, 231, 236);
const QColor kLabel(128, 134, 144);
const QColor kHeading(43, 47, 54);

// A white card with a hairline border and the skin's corner radius.
class Card final : public IUiDrawable {
  public:
    void Draw(QPainter& dc, const QRect& rect) override {
        DrawRoundedPanel(dc, rect, palette::kSurface, kCardBorder, palette::kCornerRadius);
    }
};

void DrawCard(UiRegion& root, const UiRect& rect, const QString& title, const QString& note) {
    Card card;
    UiDrawable(root, rect, card, 0);
    const int end =
        UiText(root, &UiFont(14, kFontBold), title, kHeading, rect.left + 16, rect.top + 11);
    if (!note.isEmpty()) {
        UiText(root, &UiFont(12), note, kLabel, end + 10, rect.top + 13);
    }
}

// Draws an element as it looks in a state (0 normal, 1 hovered, 2 pressed, 3 disabled) by
// giving it a pass in which the pointer rests on, or presses, its rectangle.
void InState(UiContext& ctx, int state, const UiRect& rect,
             const std::function<void(UiRegion&, unsigned)>& draw) {
    if (ctx.mode != UiMode::Paint) return;  // pictures of states, not controls
    UiContext shown = ctx;
    shown.hover = (state == 1 || state == 2) ? rect : UiRect();
    shown.leftPress = state == 2 ? rect : UiRect();
    UiRegion root(shown);
    draw(root, state == 3 ? kUiDisabled : 0);
}

void Caption(UiRegion& root, const QString& text, int x, int y, int width) {
    UiLabel(root, UiRect(x, y, x + width, y + 18), text, &UiFont(12), kLabel, DT_CENTER);
}

void RowLabel(UiRegion& root, const QString& text, const UiRect& row) {
    UiLabel(root, UiRect(row.left, row.top, row.left + 118, row.bottom), text, &TextFont(13),
            QColor(96, 96, 96), DT_VCENTER);
}

CKesBitmap& AnonymousAvatar(int index) {
    static std::array<std::unique_ptr<CKesBitmap>, 12> avatars;
    auto& slot = avatars[static_cast<std::size_t>(index % 12)];
    if (!slot) {
        slot = std::make_unique<CKesBitmap>(
            QStringLiteral("qxstc-ie6fix/images/anony/%1.png").arg(index % 12 + 1), 1);
    }
    return *slot;
}

// Badges as the conversation list draws them.
void Badge(UiRegion& root, int count, int x, int y) {
    if (count <= 0) return;
    if (count < 10) {
        UiImage(root, UiRect::FromSize(x, y, 18, 18), SkinImage("message_notify_icon.png"));
        UiLabel(root, UiRect::FromSize(x, y, 18, 18), QString::number(count),
                &UiFont(11, kFontBold), Qt::white, DT_CENTER | DT_VCENTER);
    } else {
        UiImage(root, UiRect::FromSize(x, y, 30, 18), SkinImage("message_notify_icon2.png"));
        UiLabel(root, UiRect::FromSize(x, y, 30, 18),
                count > 99 ? QStringLiteral("99+") : QString::number(count), &UiFont(11, kFontBold),
                Qt::white, DT_CENTER | DT_VCENTER);
    }
}

}  // namespace

// ---- the conversation rows ----

namespace {

const std::array<QString, 10>& ConversationNames() {
    static const std::array<QString, 10> names = {
        QStringLiteral("产品讨论组"),  QStringLiteral("Alex Chen"),
        QStringLiteral("王小明"),      QStringLiteral("设计评审 Design review"),
        QStringLiteral("李雷"),        QStringLiteral("韩梅梅"),
        QStringLiteral("Lumeno 团队"), QStringLiteral("Sophia Martin"),
        QStringLiteral("周末跑步群"),  QStringLiteral("张伟")};
    return names;
}

QString ConversationTitle(int index) {
    if (index == 0) return QStringLiteral("待处理事项");
    return QStringLiteral("%1 · %2")
        .arg(ConversationNames()[static_cast<std::size_t>(index % 10)])
        .arg(QLocale(QLocale::English).toString(index));
}

const std::array<QString, 8>& People() {
    static const std::array<QString, 8> people = {
        QStringLiteral("安然"),         QStringLiteral("Ben Walker"), QStringLiteral("陈思远"),
        QStringLiteral("Daniela Ruiz"), QStringLiteral("邓佳"),       QStringLiteral("Ethan Park"),
        QStringLiteral("范晓"),         QStringLiteral("Grace Liu")};
    return people;
}

QString ContactHeader(int index) {
    return index == 0 ? QStringLiteral("群聊 (12)") : QString(QChar(u'A' + (index / 5 - 1) % 26));
}

}  // namespace

QString GalleryConversationRows::RowName(int index) {
    return ConversationTitle(index);
}

void GalleryConversationRows::DrawEmpty(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, Qt::white);
}

void GalleryConversationRows::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    static const std::array<QString, 7> texts = {QStringLiteral("好的，我们明天上午十点见。"),
                                                 QStringLiteral("The draft is ready for review."),
                                                 QStringLiteral("[图片]"),
                                                 QStringLiteral("收到，谢谢！Thanks a lot."),
                                                 QStringLiteral("你看一下这个方案怎么样？"),
                                                 QStringLiteral("See you at the meetup tonight"),
                                                 QStringLiteral("简历已经发给你了，请查收。")};
    static const std::array<QString, 5> times = {QStringLiteral("10:42"), QStringLiteral("09:15"),
                                                 QStringLiteral("昨天"), QStringLiteral("星期二"),
                                                 QStringLiteral("09/18")};
    UiRegion root(ctx);
    const int x0 = rect.left;
    const int y0 = rect.top;
    const int x1 = rect.right;
    const bool hovered = list_ && list_->HoverRow() == index;
    const bool chosen = index == opened;
    UiFill(root, rect, chosen ? palette::kBrandTint : hovered ? QColor(242, 246, 250) : Qt::white);
    if (UiDoubleClickArea(root, rect)) opened = index;

    const UiRect avatar = UiRect::FromSize(x0 + 15, y0 + 7, 42, 42);
    if (index == 0) {
        UiImage(root, avatar, SkinImage("specials_icon.png"));
    } else if (index % 4 == 3) {
        UiImage(root, avatar, SkinImage("main_icon_default.png"));
    } else {
        UiImage(root, avatar, AnonymousAvatar(index));
    }

    const bool quiet = index % 9 == 4;
    const int badge = index == 0        ? 2
                      : index % 7 == 1  ? 3
                      : index % 11 == 2 ? 42
                      : index % 13 == 5 ? 128
                                        : 0;
    if (quiet && index % 2 == 0) {
        UiImage(root, UiRect::FromSize(x0 + 52, y0 + 5, 10, 10),
                SkinImage("message_notify_icon_small.png"));
    } else if (badge) {
        Badge(root, badge, badge >= 10 ? x0 + 43 : x0 + 48, y0);
    }

    const QString title = ConversationTitle(index);
    const QString time = times[static_cast<std::size_t>(index % 5)];
    const int timeWidth = TextWidth(UiFont(12), time);
    UiLabel(root, UiRect(x1 - 18 - timeWidth, y0 + 9, x1 - 18, y0 + 27), time, &UiFont(12),
            QColor(170, 170, 170));
    const int titleRight = std::min(x0 + 70 + 220, x1 - 30 - timeWidth);
    UiLabel(root, UiRect(x0 + 70, y0 + 7, titleRight, y0 + 27), title, &TextFont(14),
            QColor(51, 51, 51));
    if (index % 5 == 2) {
        const int nameWidth = std::min(TextWidth(TextFont(14), title), titleRight - x0 - 70);
        UiImage(root, UiRect::FromSize(x0 + 70 + nameWidth + 4, y0 + 10, 14, 14),
                SkinImage("icon_v1.png"));
    }
    const int lineRight = quiet ? x1 - 37 : x1 - 20;
    QString text = index == 0 ? QStringLiteral("3 个好友请求，1 个职位推荐")
                              : texts[static_cast<std::size_t>(index % 7)];
    if (quiet) text = QStringLiteral("[%1条] ").arg(5) + text;
    UiLabel(root, UiRect(x0 + 70, y0 + 32, lineRight, y0 + 50), text, &TextFont(12),
            QColor(150, 155, 162));
    if (quiet) {
        UiImage(root, UiRect::FromSize(x1 - 32, y0 + 33, 14, 14),
                SkinImage("message_icon_no_notify.png"));
    }
    UiLine(root, QColor(240, 242, 245), QPoint(x0 + 70, rect.bottom - 1),
           QPoint(x1, rect.bottom - 1));
}

// ---- the contact rows ----

QString GalleryContactRows::RowName(int index) {
    if (index % 5 == 0) return ContactHeader(index);
    return People()[static_cast<std::size_t>(index % 8)];
}

void GalleryContactRows::Fill(CListBoxWindow& list, int rows) {
    list.SetRedraw(false);
    list.ResetContent();
    for (int i = 0; i < rows; ++i) {
        list.SetRowHeight(i % 5 == 0 ? 36 : 56);
        list.InsertItem();
    }
    list.SetRedraw(true);
}

void GalleryContactRows::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    static const std::array<QString, 5> careers = {
        QStringLiteral("产品经理 · Lumeno"), QStringLiteral("Engineer at Northwind"),
        QStringLiteral("UI 设计师 · 上海"), QStringLiteral("Recruiter, talent team"),
        QStringLiteral("数据分析 · 北京")};
    UiRegion root(ctx);
    const int x0 = rect.left;
    const int y0 = rect.top;
    if (index % 5 == 0) {
        UiFill(root, rect, QColor(246, 247, 249));
        UiLine(root, QColor(228, 231, 235), QPoint(x0, y0), QPoint(rect.right, y0));
        if (index == 0) {
            UiImage(root, UiRect::FromSize(x0 + 14, y0 + 12, 12, 12),
                    SkinImage("contact_list_arrow.png"), 0);
            const int end = UiText(root, &TextFont(14), QStringLiteral("群聊"), QColor(96, 96, 96),
                                   x0 + 32, y0 + 8);
            UiText(root, &TextFont(14), QStringLiteral("(12)"), QColor(138, 138, 138), end + 6,
                   y0 + 8);
        } else {
            UiText(root, &TextFont(14), QString(QChar(u'A' + (index / 5 - 1) % 26)),
                   QColor(96, 96, 96), x0 + 16, y0 + 8);
        }
        return;
    }
    const bool hovered = list_ && list_->HoverRow() == index;
    UiFill(root, rect, hovered ? palette::kRowHover : Qt::white);
    UiImage(root, UiRect::FromSize(x0 + 15, y0 + 7, 42, 42),
            index % 3 == 0 ? SkinImage("main_icon_default.png") : AnonymousAvatar(index + 5));
    const QString name = People()[static_cast<std::size_t>(index % 8)];
    const int end = UiText(root, &TextFont(14), name, QColor(51, 51, 51), x0 + 70, y0 + 7);
    const char* level = index % 4 == 1   ? "icon_contact1.png"
                        : index % 4 == 2 ? "icon_contact2.png"
                                         : "icon_contact3.png";
    UiImage(root, UiRect::FromSize(end + 6, y0 + 10, 24, 16), SkinImage(level));
    UiLabel(root, UiRect(x0 + 70, y0 + 32, rect.right - 20, y0 + 50),
            careers[static_cast<std::size_t>(index % 5)], &TextFont(12), QColor(150, 155, 162));
}

// ---- the gallery window ----

CGalleryWindow::CGalleryWindow() {
    conversationRows_.SetList(&conversations_);
    contactRows_.SetList(&contacts_);
}

HWND CGalleryWindow::Open(int x, int y) {
    HWND hwnd = Create(nullptr, UiRect::FromSize(x, y, kWidth, kHeight),
                       QStringLiteral("Lumeno toolkit gallery"), WS_POPUP | WS_VISIBLE);
    return hwnd;
}

bool CGalleryWindow::OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_NCLBUTTONDBLCLK) {
        // A double click on the background maximises, as on a caption, and restores.
        ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE);
        return true;
    }
    if (message != WM_CREATE) return false;
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);

    conversations_.SetRowHeight(GalleryConversationRows::kRowHeight);
    conversations_.SetWantDoubleClicks(true);
    conversations_.Create(m_hWnd, UiRect(657, 100, 1059, 439));
    conversations_.SetCount(GalleryConversationRows::kRowCount);
    conversations_.SetOpaque(true);  // every row fills itself
    conversationBar_.CreateSkinned(m_hWnd, conversations_);

    contacts_.Create(m_hWnd, UiRect(657, 488, 1059, 689), CListBoxWindow::kControlId + 1);
    contactRows_.Fill(contacts_, 60);
    contacts_.SetOpaque(true);
    contactBar_.CreateSkinned(m_hWnd, contacts_);
    OnLayout(ClientWidth(), ClientHeight());
    return false;
}

void CGalleryWindow::OnLayout(int, int) {
    // The plain bar does not place itself: it sits along the contact list's right edge.
    UiRect rect;
    if (contactBar_.IsWindow() && contacts_.GetRectInParent(rect)) {
        const int width = contactBar_.BarWidth();
        contactBar_.SetWindowPos(HWND_TOP, rect.right - width, rect.top, width, rect.Height(),
                                 SWP_NOACTIVATE);
        contactBar_.Synchronise();
    }
}

void CGalleryWindow::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, kCanvas);
    DrawTitle(ctx, root);
    DrawButtons(ctx, root);
    DrawChoices(ctx, root);
    DrawIcons(ctx, root);
    DrawText(ctx, root);
    DrawCard(root, UiRect(656, 64, 1060, 440), QStringLiteral("会话  Conversations"),
             QStringLiteral("100,000 行 · 只画看得见的行"));
    DrawCard(root, UiRect(656, 452, 1060, 690), QStringLiteral("联系人  Contacts"),
             QStringLiteral("两种行高 · rows of two heights"));
}

void CGalleryWindow::DrawTitle(UiContext& ctx, UiRegion& root) {
    CKesBitmap& bar = SkinImage("main_top_bg.png");
    UiImage(root, UiRect(0, 0, ctx.client.right, bar.FrameHeight()), bar);
    UiFill(root, UiRect(0, kTitleHeight, ctx.client.right, kTitleHeight + 64), kCanvas);
    const int end = UiText(root, &UiFont(16, kFontBold), QStringLiteral("Lumeno 控件一览"),
                           palette::kTextOnBrand, 20, 13);
    UiText(root, &UiFont(12), QStringLiteral("Toolkit gallery · 开发用，不展示给用户"),
           QColor(196, 226, 250), end + 12, 17);

    const int width = 38;
    const int right = ctx.client.right;
    if (UiButton(root, UiRect(right - width, 0, right, 24), QString(), QStringLiteral("关闭"),
                 kUiTakesMouse, &SkinImage("sys_btn_close.png"))) {
        ctx.Later([this] { DestroyWindow(); });
    }
    if (UiButton(root, UiRect(right - 2 * width, 0, right - width, 24), QString(),
                 QStringLiteral("最大化"), kUiTakesMouse, &SkinImage("sys_btn_max.png"))) {
        ctx.Later([this] { ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE); });
    }
    if (UiButton(root, UiRect(right - 3 * width, 0, right - 2 * width, 24), QString(),
                 QStringLiteral("最小化"), kUiTakesMouse, &SkinImage("sys_btn_min.png"))) {
        ctx.Later([this] { ShowWindow(SW_MINIMIZE); });
    }
    if (UiButton(root, UiRect(right - 4 * width, 0, right - 3 * width, 24), QString(),
                 QStringLiteral("打开对话框"), kUiTakesMouse, &SkinImage("sys_btn_drop.png"))) {
        ctx.Later([this] {
            auto* dialog = new CGalleryDialog;
            if (dialog->DoModal(m_hWnd) < 0) {
                // could not be made
            }
            delete dialog;
        });
    }
}

void CGalleryWindow::DrawButtons(UiContext& ctx, UiRegion& root) {
    DrawCard(root, UiRect(20, 64, 640, 272), QStringLiteral("按钮  Buttons"),
             QStringLiteral("四帧：常态、悬停、按下、禁用"));
    static const std::array<QString, 4> states = {
        QStringLiteral("常态 Normal"), QStringLiteral("悬停 Hover"), QStringLiteral("按下 Pressed"),
        QStringLiteral("禁用 Disabled")};
    const int columns[4] = {156, 272, 388, 504};
    for (int i = 0; i < 4; ++i)
        Caption(root, states[i], columns[i] - 10, 98, 109);

    struct Row {
        QString label;
        std::function<void(UiRegion&, const UiRect&, unsigned)> draw;
    };
    const std::array<Row, 4> rows = {{
        {QStringLiteral("主要 Primary"),
         [](UiRegion& region, const UiRect& rect, unsigned flags) {
             UiSkinButton(region, rect, &SkinImage("small_blue_btn.png"), QStringLiteral("确定"),
                          QString(), &TextFont(14), Qt::white, -1, kUiTakesMouse | flags);
         }},
        {QStringLiteral("次要 Secondary"),
         [](UiRegion& region, const UiRect& rect, unsigned flags) {
             UiButton(region, rect, QStringLiteral("取消 Cancel"), QString(), kUiTakesMouse | flags,
                      &SkinImage("small_white_btn.png"));
         }},
        {QStringLiteral("卡片 Card"),
         [](UiRegion& region, const UiRect& rect, unsigned flags) {
             UiSkinButton(region, rect, &SkinImage("white_btn.png"), QStringLiteral("加为好友"),
                          QString(), &TextFont(14), QColor(101, 147, 229), -1,
                          kUiTakesMouse | flags);
         }},
        {QStringLiteral("内置 Built-in"),
         [](UiRegion& region, const UiRect& rect, unsigned flags) {
             UiButton(region, UiRect(rect.left, rect.top + 2, rect.right, rect.top + 29),
                      QStringLiteral("Button"), QString(), kUiTakesMouse | flags,
                      &BuiltInButtonFace());
         }},
    }};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int top = 122 + static_cast<int>(r) * 37;
        RowLabel(root, rows[r].label, UiRect(36, top, 150, top + 32));
        for (int state = 0; state < 4; ++state) {
            const UiRect rect = UiRect::FromSize(columns[state], top, 89, 32);
            InState(ctx, state, rect,
                    [&](UiRegion& region, unsigned flags) { rows[r].draw(region, rect, flags); });
        }
    }
}

void CGalleryWindow::DrawChoices(UiContext& ctx, UiRegion& root) {
    DrawCard(root, UiRect(20, 284, 640, 448), QStringLiteral("选择  Choices"),
             QStringLiteral("九帧：未选、选中、禁用"));
    static const std::array<QString, 7> states = {
        QStringLiteral("常态"), QStringLiteral("悬停"),     QStringLiteral("按下"),
        QStringLiteral("选中"), QStringLiteral("选中悬停"), QStringLiteral("选中按下"),
        QStringLiteral("禁用")};
    const int first = 150;
    const int pitch = 66;
    for (int i = 0; i < 7; ++i)
        Caption(root, states[i], first + i * pitch - 14, 316, 56);

    const int rowTops[3] = {338, 364, 390};
    RowLabel(root, QStringLiteral("复选 Check"), UiRect(36, rowTops[0], 150, rowTops[0] + 22));
    RowLabel(root, QStringLiteral("单选 Radio"), UiRect(36, rowTops[1], 150, rowTops[1] + 22));
    RowLabel(root, QStringLiteral("圆选 Round"), UiRect(36, rowTops[2], 150, rowTops[2] + 26));
    for (int column = 0; column < 7; ++column) {
        const bool checked = column >= 3 && column < 6;
        const int state = column == 6 ? 3 : column % 3;
        const int x = first + column * pitch;
        const UiRect check = UiRect::FromSize(x + 6, rowTops[0] + 3, 16, 16);
        InState(ctx, state, check, [&](UiRegion& region, unsigned flags) {
            UiCheckBox(region, check, QString(), checked, flags & kUiDisabled);
        });
        const UiRect radio = UiRect::FromSize(x + 6, rowTops[1] + 3, 16, 16);
        InState(ctx, state, radio, [&](UiRegion& region, unsigned flags) {
            UiRadio(region, radio, QString(), nullptr, checked, flags & kUiDisabled);
        });
        const UiRect round = UiRect::FromSize(x + 1, rowTops[2], 26, 26);
        InState(ctx, state == 3 ? 0 : state, round,
                [&](UiRegion& region, unsigned) { UiRoundCheck(region, round, checked ? 1 : 0); });
    }

    // Live ones.
    const QColor text(96, 96, 96);
    if (UiCheckBox(root, UiRect(36, 420, 136, 440), QStringLiteral("记住密码"), remember_, false,
                   text)) {
        remember_ = !remember_;
        if (!remember_) autoLogin_ = false;
        Invalidate(false);
    }
    if (UiCheckBox(root, UiRect(146, 420, 246, 440), QStringLiteral("自动登录"), autoLogin_, false,
                   text)) {
        autoLogin_ = !autoLogin_;
        if (autoLogin_) remember_ = true;
        Invalidate(false);
    }
    if (UiRadio(root, UiRect(266, 420, 446, 440), QStringLiteral("隐藏到通知区域"), &TextFont(14),
                exitChoice_ == 0, false, text)) {
        exitChoice_ = 0;
        Invalidate(false);
    }
    if (UiRadio(root, UiRect(456, 420, 556, 440), QStringLiteral("退出程序"), &TextFont(14),
                exitChoice_ == 1, false, text)) {
        exitChoice_ = 1;
        Invalidate(false);
    }
}

void CGalleryWindow::DrawIcons(UiContext& ctx, UiRegion& root) {
    DrawCard(root, UiRect(20, 460, 640, 690), QStringLiteral("图标与文字  Icons & text"),
             QString());
    // The window buttons on a piece of title bar: each in all four states.
    CKesBitmap& bar = SkinImage("main_top_bg.png");
    UiImage(root, UiRect(36, 492, 36 + 8 * 39 - 1, 516), bar);
    // Each window button in two of its looks.
    struct Look {
        const char* name;
        int state;
    };
    static const std::array<Look, 8> looks = {{{"sys_btn_drop.png", 0},
                                               {"sys_btn_drop.png", 1},
                                               {"sys_btn_min.png", 0},
                                               {"sys_btn_min.png", 2},
                                               {"sys_btn_max.png", 0},
                                               {"sys_btn_max.png", 3},
                                               {"sys_btn_close.png", 0},
                                               {"sys_btn_close.png", 1}}};
    int x = 36;
    for (const Look& look : looks) {
        const UiRect rect = UiRect::FromSize(x, 492, 38, 24);
        InState(ctx, look.state, rect, [&](UiRegion& region, unsigned flags) {
            UiButton(region, rect, QString(), QString(), kUiTakesMouse | flags,
                     &SkinImage(look.name));
        });
        x += 39;
    }
    // Tool strip buttons: one in four states, the others hovered and pressed.
    x = 36 + 8 * 39 + 14;
    for (int state = 0; state < 4; ++state) {
        const UiRect rect = UiRect::FromSize(x, 488, 32, 32);
        InState(ctx, state, rect, [&](UiRegion& region, unsigned flags) {
            UiButton(region, rect, QString(), QString(), kUiTakesMouse | flags,
                     &SkinImage("send_dlg_face.png"));
        });
        x += 34;
    }
    for (const auto& [name, state] :
         {std::pair{"send_dlg_anony.png", 1}, std::pair{"send_dlg_image.png", 2}}) {
        const UiRect rect = UiRect::FromSize(x, 488, 32, 32);
        InState(ctx, state, rect, [&](UiRegion& region, unsigned flags) {
            UiButton(region, rect, QString(), QString(), kUiTakesMouse | flags, &SkinImage(name));
        });
        x += 34;
    }

    // Small buttons, badges and marks.
    const int y = 530;
    x = 36;
    auto smallButtons = [&](const char* name, int size, int count, int top) {
        for (int state = 0; state < count; ++state) {
            const UiRect rect = UiRect::FromSize(x, y + top, size, size);
            InState(ctx, state, rect, [&](UiRegion& region, unsigned flags) {
                UiButton(region, rect, QString(), QString(), kUiTakesMouse | flags,
                         &SkinImage(name));
            });
            x += size + 3;
        }
        x += 9;
    };
    smallButtons("dlgLeftClose_btn.png", 16, 3, 7);
    smallButtons("dlg_Generate_bten_del.png", 26, 3, 2);
    smallButtons("btn_ToLeft.png", 22, 2, 4);
    smallButtons("btn_ToRight.png", 22, 1, 4);
    Badge(root, 5, x, y + 6);
    Badge(root, 42, x + 22, y + 6);
    Badge(root, 128, x + 56, y + 6);
    UiImage(root, UiRect::FromSize(x + 90, y + 10, 10, 10),
            SkinImage("message_notify_icon_small.png"));
    x += 110;
    UiImage(root, UiRect::FromSize(x, y + 8, 14, 14), SkinImage("icon_v1.png"));
    UiImage(root, UiRect::FromSize(x + 18, y + 6, 18, 18), SkinImage("icon_v2.png"));
    x += 46;
    for (const char* tag :
         {"icon_contact_me.png", "icon_contact1.png", "icon_contact2.png", "icon_contact3.png"}) {
        UiImage(root, UiRect::FromSize(x, y + 7, 24, 16), SkinImage(tag));
        x += 27;
    }
    x += 4;
    UiImage(root, UiRect::FromSize(x, y + 8, 14, 14), SkinImage("message_icon_no_notify.png"));
    UiImage(root, UiRect::FromSize(x + 20, y + 9, 12, 12), SkinImage("contact_list_arrow.png"), 1);
    UiImage(root, UiRect::FromSize(x + 36, y + 11, 14, 9), SkinImage("userdetail_drop.png"));
    UiImage(root, UiRect::FromSize(x + 56, y + 13, 7, 4), BuiltInImage(118));
}

void CGalleryWindow::DrawText(UiContext&, UiRegion& root) {
    const QColor strong(51, 51, 51);
    int x = UiText(root, &TextFont(15), QStringLiteral("UiText 链式绘制"), strong, 36, 572);
    x = UiText(root, &TextFont(15, kFontBold), QStringLiteral(" · bold 加粗"), palette::kBrand, x,
               572);
    UiText(root, &UiFont(12), QStringLiteral(" · UI face 12 px"), kLabel, x, 575);
    if (UiLink(root, QStringLiteral("没有账号？Get the app"), &TextFont(14), QColor(101, 147, 229),
               440, 572)) {
        ++linkClicks_;
    }
    UiLabel(root, UiRect(36, 600, 296, 620),
            QStringLiteral("放不下的标签会省略，悬停可见全文 — hover for the whole label"),
            &TextFont(13), strong);
    UiLabelTip(root, UiRect(326, 600, 624, 620), QStringLiteral("带提示的标签 · with a tooltip"),
               QStringLiteral("UiLabelTip 显示给定的提示"), &TextFont(13), kLabel);
    UiTextBlock(root, UiRect(36, 628, 624, 682),
                QStringLiteral("一个窗口只有一个绘制函数：绘制、动画和鼠标都走同一遍。"
                               "One drawing function per window paints, animates and answers "
                               "the pointer; an element returns true when it was clicked, and "
                               "text that runs out of room ends with an ellipsis instead of "
                               "spilling over the card."),
                &TextFont(13), QColor(96, 96, 96));
}

// ---- the dialog ----

bool CGalleryDialog::OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message != WM_INITDIALOG) return false;
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);
    SetWindowText(QStringLiteral("添加好友"));
    ResizeClient(kInitialWidth, kInitialHeight);
    CenterWindow();
    return false;
}

void CGalleryDialog::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    UiImage(root, UiRect(0, 0, width, 108), SkinImage("main_top_bg.png"));
    UiFill(root, UiRect(0, 35, width, height), Qt::white);
    UiText(root, &TextFont(14), QStringLiteral("添加好友"), palette::kTextOnBrand, 12, 9);
    if (UiButton(root, UiRect(width - 38, 0, width, 24), QString(), QStringLiteral("关闭"),
                 kUiTakesMouse, &SkinImage("sys_btn_close.png"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    UiText(root, &TextFont(14), QStringLiteral("请输入验证信息："), QColor(150, 150, 150), 20, 50);
    UiImage(root, UiRect(20, 76, width - 20, 140), SkinImage("login_eidt_bg.png"));
    UiTextBlock(root, UiRect(32, 86, width - 32, 134),
                QStringLiteral("我是 Alex，在 Lumeno 上看到你的资料，想加你为好友。"),
                &TextFont(13), QColor(66, 66, 66));
    if (UiCheckBox(root, UiRect(20, 150, 320, 170),
                   QStringLiteral("同时拉个群聊聊（更真实可信哦~）"), alsoGroup_, false,
                   QColor(150, 150, 150))) {
        alsoGroup_ = !alsoGroup_;
        Invalidate(false);
    }
    UiFill(root, UiRect(0, height - 54, width, height), QColor(246, 247, 249));
    UiLine(root, QColor(232, 235, 239), QPoint(0, height - 54), QPoint(width, height - 54));
    const int top = height - 12 - 32;
    if (UiButton(root, UiRect::FromSize(width / 2 - 10 - 89, top, 89, 32), QStringLiteral("取消"),
                 QString(), kUiTakesMouse, &SkinImage("small_white_btn.png"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (UiSkinButton(root, UiRect::FromSize(width / 2 + 10, top, 89, 32),
                     &SkinImage("small_blue_btn.png"), QStringLiteral("确定"), QString(),
                     &TextFont(14), Qt::white, -1, kUiTakesMouse | kUiDefaultButton)) {
        ctx.Later([this] { EndDialog(IDOK); });
    }
}

// ---- the screenshot ----

namespace {

QImage Grab(QWidget* widget, qreal scale) {
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

}  // namespace

QImage RenderGalleryScreenshot(qreal scale, bool focusRing) {
    CWndShadow::Initialize();
    CGalleryWindow gallery;
    if (!gallery.Open(0, 0)) return {};
    // A row under the pointer and a deep scroll position, to show both.
    gallery.Conversations().SetTopIndex(48210);
    if (QWidget* list = gallery.Conversations().Widget()) {
        QMouseEvent move(QEvent::MouseMove, QPointF(200, 140), list->mapToGlobal(QPointF(200, 140)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &move);
    }
    gallery.Contacts().SetTopIndex(3);
    CGalleryDialog dialog;
    if (!dialog.Create(gallery)) return {};
    if (focusRing) {
        // The keyboard walks to the dialog's cancel button.
        for (const UiNode& node : dialog.Describe()) {
            if (node.role == UiRole::Button && node.name == QStringLiteral("取消")) {
                dialog.SetFocusElement(node.rect);
            }
        }
    }

    QWidget* galleryWidget = gallery.Widget();
    QWidget* dialogWidget = dialog.Widget();
    const QImage galleryShot = Grab(galleryWidget, scale);
    const QImage dialogShot = Grab(dialogWidget, scale);

    const int pad = 28;
    const int gap = 28;
    const QSize size(pad + galleryWidget->width() + gap + dialogWidget->width() + pad,
                     pad + galleryWidget->height() + pad);
    QImage canvas(size * scale, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(scale);
    QPainter painter(&canvas);
    QLinearGradient backdrop(0, 0, size.width(), size.height());
    backdrop.setColorAt(0, QColor(233, 238, 244));
    backdrop.setColorAt(1, QColor(218, 226, 236));
    painter.fillRect(QRect(QPoint(0, 0), size), backdrop);
    painter.drawImage(QPoint(pad, pad), galleryShot);
    const int dialogTop = pad + galleryWidget->height() - dialogWidget->height() - 60;
    painter.drawImage(QPoint(pad + galleryWidget->width() + gap, dialogTop), dialogShot);
    painter.end();
    return canvas;
}
