#pragma once
// The machine identity: 32 lower-case hexadecimal digits, the same for every run on this
// computer; it is key material of the local encryption, so it never goes on the wire.

#include <string>

const std::string& MachineId();

// A new token for each call: a random identifier of this process (32 hexadecimal digits, not the
// machine identity), the current time in seconds and a sequence number starting at 1, with no
// separators. Sent as the msghash of each message.
std::string UniqueToken();

// The MD5 digest of `data` as 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& data);
