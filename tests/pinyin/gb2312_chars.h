#pragma once
// The character at a GB2312 row-and-cell code, decoded with the system's converter, so that tests
// name characters by the codes the table is specified in.

#include <iconv.h>

#include <string>

namespace lumeno::test {

// UTF-8 of the character at `code`, empty when GB2312 has none there.
inline std::string Gb2312Char(int code) {
    char gbk[2] = {static_cast<char>(0xA0 + code / 100), static_cast<char>(0xA0 + code % 100)};
    char utf8[8] = {};
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    char* in = gbk;
    std::size_t inLeft = 2;
    char* out = utf8;
    std::size_t outLeft = sizeof utf8 - 1;
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(utf8) : std::string();
}

}  // namespace lumeno::test
