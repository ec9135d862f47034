#include "platform/web_engine_sandbox.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace platform {

WebEngineSandbox PrepareWebEngineSandbox() {
    const char* asked = std::getenv("QTWEBENGINE_DISABLE_SANDBOX");
    if (asked && *asked && std::string_view(asked) != "0") return WebEngineSandbox::kOffAsAskedFor;
    if (::geteuid() != 0) return WebEngineSandbox::kOn;
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    return WebEngineSandbox::kOffForRoot;
}

}  // namespace platform
