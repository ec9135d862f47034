// The gallery as a screen reader sees it through Qt's accessibility interfaces: its buttons,
// check boxes with their state, list rows and the dialog's controls by role and name, and
// pressing and toggling them through their actions.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <functional>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/gallery/gallery_window.h"

namespace {

struct Seen {
    QAccessible::Role role;
    QString name;
    QAccessible::State state;
    QAccessibleInterface* iface;
};

// Every interface below `root`, depth first.
std::vector<Seen> Walk(QAccessibleInterface* root) {
    std::vector<Seen> seen;
    std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* node) {
        if (!node || !node->isValid()) return;
        seen.push_back({node->role(), node->text(QAccessible::Name), node->state(), node});
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            EXPECT_TRUE(child) << i;
            if (!child) continue;
            EXPECT_EQ(node->indexOfChild(child), i);
            EXPECT_EQ(child->parent(), node);
            visit(child);
        }
    };
    visit(root);
    return seen;
}

const Seen* Find(const std::vector<Seen>& seen, QAccessible::Role role, const QString& name) {
    for (const Seen& item : seen) {
        if (item.role == role && item.name == name) return &item;
    }
    return nullptr;
}

int CountRole(const std::vector<Seen>& seen, QAccessible::Role role) {
    return static_cast<int>(
        std::count_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.role == role; }));
}

void Act(const Seen* item, const QString& action) {
    ASSERT_TRUE(item);
    QAccessibleActionInterface* actions = item->iface->actionInterface();
    ASSERT_TRUE(actions);
    ASSERT_TRUE(actions->actionNames().contains(action)) << action.toStdString();
    actions->doAction(action);
}

TEST(GalleryAccessibilityTest, ReadersFindAndOperateTheDrawnElements) {
    lumeno::test::PrepareToolkitProcess();
    CWndShadow::Initialize();
    CGalleryWindow gallery;
    ASSERT_TRUE(gallery.Open(0, 0));
    CGalleryDialog dialog;
    ASSERT_TRUE(dialog.Create(gallery));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.Widget()));

    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(gallery.Widget());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Lumeno toolkit gallery"));
    std::vector<Seen> seen = Walk(window);

    // The title bar's icon-only buttons are named.
    for (const char* name : {"关闭", "最大化", "最小化", "打开对话框"}) {
        EXPECT_TRUE(Find(seen, QAccessible::PushButton, QString::fromUtf8(name))) << name;
    }
    const Seen* remember = Find(seen, QAccessible::CheckBox, QStringLiteral("记住密码"));
    const Seen* autoLogin = Find(seen, QAccessible::CheckBox, QStringLiteral("自动登录"));
    ASSERT_TRUE(remember && autoLogin);
    EXPECT_TRUE(remember->state.checkable && remember->state.checked);
    EXPECT_FALSE(autoLogin->state.checked);
    EXPECT_TRUE(
        Find(seen, QAccessible::RadioButton, QStringLiteral("隐藏到通知区域"))->state.checked);
    EXPECT_TRUE(Find(seen, QAccessible::Link, QStringLiteral("没有账号？Get the app")));
    EXPECT_TRUE(Find(seen, QAccessible::StaticText, QStringLiteral("Lumeno 控件一览")));
    // Both lists, with the rows on screen named by their owners.
    EXPECT_EQ(CountRole(seen, QAccessible::List), 2);
    EXPECT_TRUE(Find(seen, QAccessible::ListItem, QStringLiteral("待处理事项")));
    EXPECT_TRUE(Find(seen, QAccessible::ListItem, QStringLiteral("Alex Chen · 1")));
    EXPECT_TRUE(Find(seen, QAccessible::ListItem, QStringLiteral("Ben Walker")));
    EXPECT_EQ(CountRole(seen, QAccessible::ScrollBar), 2);
    // Bounds are on screen where the element is drawn.
    const QRect closeRect =
        Find(seen, QAccessible::PushButton, QStringLiteral("关闭"))->iface->rect();
    EXPECT_EQ(closeRect.size(), QSize(38, 24));
    EXPECT_EQ(closeRect.topLeft(),
              gallery.Widget()->mapToGlobal(gallery.ClientOrigin() +
                                            QPoint(gallery.ClientWidth() - 38, 0)));

    // Toggling through the reader's action changes what the gallery shows, and the reader sees it.
    Act(autoLogin, QAccessibleActionInterface::toggleAction());
    seen = Walk(window);
    EXPECT_TRUE(Find(seen, QAccessible::CheckBox, QStringLiteral("自动登录"))->state.checked);

    // The dialog: its controls by name, and a press of its cancel button closes it.
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(dialog.Widget());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->role(), QAccessible::Dialog);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("添加好友"));
    const std::vector<Seen> controls = Walk(box);
    EXPECT_TRUE(Find(controls, QAccessible::PushButton, QStringLiteral("关闭")));
    EXPECT_TRUE(Find(controls, QAccessible::PushButton, QStringLiteral("确定")));
    const Seen* group =
        Find(controls, QAccessible::CheckBox, QStringLiteral("同时拉个群聊聊（更真实可信哦~）"));
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->state.checked);
    EXPECT_TRUE(Find(controls, QAccessible::StaticText, QStringLiteral("请输入验证信息：")));
    Act(Find(controls, QAccessible::PushButton, QStringLiteral("取消")),
        QAccessibleActionInterface::pressAction());
    lumeno::test::Pump();
    EXPECT_FALSE(dialog.IsWindow());
}

}  // namespace
