#pragma once
// What a drawn element tells assistive technology and the keyboard about itself. The drawing
// function runs once more in a describe pass, in which every element that matters to a reader
// records its role, name, state and bounds instead of drawing; the accessibility interface of
// the window and the keyboard focus both walk that record.

#include <QString>
#include <vector>

#include "toolkit/elements/ui_rect.h"

enum class UiRole {
    Button,
    CheckBox,
    RadioButton,
    Link,
    Text,
    Image,
    List,
    ListItem,
};

// What a whole window is to a reader.
enum class UiWindowRole { Window, Dialog, Pane, List, ScrollBar };

// State bits of a described element.
enum class UiNodeState : unsigned {
    None = 0,
    Focusable = 1,  // takes the mouse, so the keyboard can reach it too
    Checkable = 2,
    Checked = 4,
    Disabled = 8,
    Default = 16,  // the button Enter presses
};
constexpr UiNodeState operator|(UiNodeState a, UiNodeState b) {
    return static_cast<UiNodeState>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(UiNodeState states, UiNodeState bit) {
    return (static_cast<unsigned>(states) & static_cast<unsigned>(bit)) != 0;
}

struct UiNode {
    UiRole role = UiRole::Text;
    QString name;
    UiRect rect;  // client coordinates, clipped to the element's region
    UiNodeState states = UiNodeState::None;

    bool operator==(const UiNode&) const = default;
};

using UiNodeList = std::vector<UiNode>;
