#pragma once

#include <string>
#include <string_view>

namespace lumeno::server {

// Lower-case hexadecimal text of `bytes` random bytes from the system's generator.
std::string RandomHex(size_t bytes);

// PBKDF2-HMAC-SHA256 of the password with the salt, as hexadecimal text.
std::string PasswordHash(std::string_view password, std::string_view salt);

std::string Md5Hex(std::string_view data);

}  // namespace lumeno::server
