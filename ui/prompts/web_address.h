#pragma once
// The product's web addresses (deployment values) and opening an address in the desktop's
// browser.

#include <string>

namespace web_address {

inline constexpr char kProductSite[] = "https://www.lumeno.im";
inline constexpr char kMobileAppPage[] = "https://www.lumeno.im/app";

// Opens an http or https address with the desktop's browser. Any other address, or a desktop
// that could not open it, gives false (and a line in the log).
bool Open(const std::string& address);

}  // namespace web_address
