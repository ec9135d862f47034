#pragma once
// The serialized form of the chat input box, as drafts and the send path keep it: characters
// stand for themselves with "/" written "//", and a picture is written /c["path"]. Plain text
// handling, without widgets, so that any text read back (a draft from disk included) is parsed
// the same way everywhere.

#include <string>
#include <string_view>
#include <vector>

struct InputPiece {
    enum class Kind { kText, kPicture };
    Kind kind = Kind::kText;
    std::string text;  // the characters, or the picture's path

    bool operator==(const InputPiece&) const = default;
};

// The pieces of a serialized input in order: runs of text (never two in a row) and picture
// markers. A marker start without its end is text; the path is everything up to the first end.
std::vector<InputPiece> ReadSerialized(std::string_view serialized);

// A text in the serialized form ("/" written "//"), and a picture's marker.
std::string SerializeText(std::string_view text);
std::string PictureMarker(std::string_view path);
