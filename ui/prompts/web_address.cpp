#include "ui/prompts/web_address.h"

#include "config/log.h"
#include "platform/shell_open.h"

namespace web_address {

bool Open(const std::string& address) {
    if (!platform::IsWebAddress(address)) {
        WriteLogText("not a web address, not opened: " + address);
        return false;
    }
    if (platform::OpenWebAddress(address)) return true;
    WriteLogText("the desktop could not open " + address);
    return false;
}

}  // namespace web_address
