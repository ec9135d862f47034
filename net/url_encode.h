#pragma once
// Percent-encoding of query values, in the form variant: a space becomes "+".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/binary_buffer.h"
#include "util/component_registry.h"

// Encodes UTF-8 text: letters, digits and "-_.!~*'()" stay, a space becomes "+", every other
// byte becomes "%" and two upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text);

// The table-driven encoder of the component registry. It keeps fewer characters as they are
// (letters, digits and ".-*_"); each operation returns 1 and a new byte buffer holding exactly the
// encoded text.
class CUrlParser : public CKesPluginBase<CUrlParser, 24> {
  public:
    CUrlParser();

    virtual int EncodeText(const std::u16string& text, CKesBinaryBuffer** out);
    virtual int EncodeNarrow(const char* text, CKesBinaryBuffer** out);
    virtual int EncodeBytes(const std::uint8_t* bytes, std::size_t length, CKesBinaryBuffer** out);

  private:
    struct Entry {
        std::uint8_t length;
        char text[4];
    };
    Entry table_[256];
};

// The table that registers the components of this folder.
extern const ComponentRecord kNetComponentTable[];
