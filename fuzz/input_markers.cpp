// The input box's serialized form, as a draft read back from disk gives it: whatever the text,
// its pieces written out again read back as the same pieces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "ui/chat/input_markers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view serialized(reinterpret_cast<const char*>(data), size);
    const std::vector<InputPiece> pieces = ReadSerialized(serialized);
    std::string again;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const InputPiece& piece = pieces[i];
        if (piece.kind == InputPiece::Kind::kText) {
            FUZZ_EXPECT(!piece.text.empty());
            FUZZ_EXPECT(i == 0 || pieces[i - 1].kind == InputPiece::Kind::kPicture);
            again += SerializeText(piece.text);
        } else {
            FUZZ_EXPECT(piece.text.find("\"]") == std::string::npos);
            again += PictureMarker(piece.text);
        }
        characters += piece.text.size();
    }
    FUZZ_EXPECT(characters <= serialized.size());
    FUZZ_EXPECT(ReadSerialized(again) == pieces);
    return 0;
}
