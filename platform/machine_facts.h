#pragma once
// Stable facts about this computer, in a fixed order, for the machine identity.

#include <string>
#include <vector>

namespace platform {

// The raw bytes of each fact that can be read, in this order: /etc/machine-id, the DMI product
// UUID, the CPU model name, the root file system's UUID. Unreadable facts are left out.
std::vector<std::string> MachineFacts();

// The kernel's name and release, for the version component.
std::string OperatingSystemVersion();

}  // namespace platform
