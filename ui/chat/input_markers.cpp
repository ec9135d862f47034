#include "ui/chat/input_markers.h"

namespace {

constexpr std::string_view kMarkerStart = "/c[\"";
constexpr std::string_view kMarkerEnd = "\"]";

}  // namespace

std::vector<InputPiece> ReadSerialized(std::string_view serialized) {
    std::vector<InputPiece> pieces;
    std::string text;
    const auto flush = [&] {
        if (!text.empty()) pieces.push_back({InputPiece::Kind::kText, std::move(text)});
        text.clear();
    };
    for (std::size_t i = 0; i < serialized.size();) {
        if (serialized.compare(i, 2, "//") == 0) {
            text += '/';
            i += 2;
            continue;
        }
        if (serialized.compare(i, kMarkerStart.size(), kMarkerStart) == 0) {
            const std::size_t end = serialized.find(kMarkerEnd, i + kMarkerStart.size());
            if (end != std::string_view::npos) {
                flush();
                const std::size_t from = i + kMarkerStart.size();
                pieces.push_back(
                    {InputPiece::Kind::kPicture, std::string(serialized.substr(from, end - from))});
                i = end + kMarkerEnd.size();
                continue;
            }
        }
        text += serialized[i++];
    }
    flush();
    return pieces;
}

std::string SerializeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '/') out += '/';
        out += c;
    }
    return out;
}

std::string PictureMarker(std::string_view path) {
    std::string out(kMarkerStart);
    out += path;
    out += kMarkerEnd;
    return out;
}
