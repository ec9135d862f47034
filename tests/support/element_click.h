#pragma once
// Finds a drawn element of a skinned window by its name (as a reader hears it) and clicks it as
// the mouse does: the pointer moves onto the element's centre, then the left button goes down
// and up there. Elements drawn by a list's rows are found through the list window.

#include <QString>
#include <QTest>
#include <functional>
#include <optional>

#include "toolkit/window/window_root.h"

namespace lumeno::test {

inline std::optional<UiNode> FindElement(VWindowImplRoot& window,
                                         const std::function<bool(const UiNode&)>& match) {
    for (const UiNode& node : window.Describe()) {
        if (match(node)) return node;
    }
    return std::nullopt;
}

inline std::optional<UiNode> FindElement(VWindowImplRoot& window, const QString& name) {
    return FindElement(window, [&](const UiNode& node) { return node.name == name; });
}

inline bool ClickAt(VWindowImplRoot& window, const UiRect& rect) {
    const QPoint at = window.ClientOrigin() + rect.ToQRect().center();
    QTest::mouseMove(window.Widget(), at);
    QTest::mouseClick(window.Widget(), Qt::LeftButton, {}, at);
    return true;
}

inline bool ClickElement(VWindowImplRoot& window, const QString& name) {
    const std::optional<UiNode> node = FindElement(window, name);
    return node && ClickAt(window, node->rect);
}

}  // namespace lumeno::test
