#pragma once
// When the user last touched keyboard or mouse, for the presence report.

#include <cstdint>

namespace platform {

// A time in milliseconds that changes whenever the user gives input. Where the desktop cannot
// tell (no X11 display, a Wayland session), the user counts as active: the value changes on every
// call.
std::uint64_t LastInputTime();

}  // namespace platform
