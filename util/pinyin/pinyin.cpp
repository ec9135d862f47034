#include "util/pinyin/pinyin.h"

#include <iconv.h>

#include <cerrno>

#include "util/pinyin/gb2312_syllables.h"

namespace {

// One converter per thread: iconv descriptors keep shift state and are not shared.
class GbkConverter {
  public:
    GbkConverter() : cd_(iconv_open("GBK", "UTF-8")) {}
    ~GbkConverter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    std::string Convert(std::string_view text) {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            // No converter: keep what is ASCII, the rest has no syllable anyway.
            for (char c : text)
                out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(text.size() + 8);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* outAt = out.data();
        std::size_t outLeft = out.size();
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                const std::size_t used = out.size() - outLeft;
                out.resize(out.size() * 2);
                outAt = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            // A character GBK lacks (EILSEQ) or a cut sequence at the end (EINVAL): one '?' for
            // the whole UTF-8 sequence, as the system converter writes its default character.
            if (outLeft == 0) {
                const std::size_t used = out.size();
                out.resize(out.size() * 2);
                outAt = out.data() + used;
                outLeft = out.size() - used;
            }
            *outAt++ = '?';
            --outLeft;
            std::size_t skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                ++skip;
            in += skip;
            inLeft -= skip;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

  private:
    iconv_t cd_;
};

// 绿: its level-1 range may carry the plain "LU" of its neighbours; searches expect "lv".
constexpr int kCodeOfLv = 3444;

void LowerAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

}  // namespace

std::string Utf8ToGbk(std::string_view text) {
    thread_local GbkConverter converter;
    return converter.Convert(text);
}

std::string ToPinyin(std::string_view text, int mode) {
    const std::string gbk = Utf8ToGbk(text);
    const bool initials = mode == kPinyinInitials;
    std::string out;
    out.reserve(gbk.size() * 3);
    ForEachGbkPiece(
        gbk, [&](char latin) { out += latin; },
        [&](int code) {
            const char* syllable = code == kCodeOfLv ? "LV" : Gb2312Syllable(code);
            if (!syllable) syllable = "?";
            if (initials) {
                out += syllable[0];
            } else {
                out += syllable;
            }
        });
    LowerAscii(out);
    return out;
}
