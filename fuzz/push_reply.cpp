// The push connection's replies as the socket delivers them: the first byte sets the sizes of
// the pieces, the rest is what the peer sent.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "net/push_reply.h"
#include "net/push_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t pieceSize = data[0] % PushSocket::kReceivePiece + 1;
    std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    // One reply after another, as the connection reads them until the peer stops.
    while (!stream.empty()) {
        PushReplyReader reader(PushSocket::kMostReplyBytes);
        PushReplyReader::Step step = PushReplyReader::Step::kMore;
        while (step == PushReplyReader::Step::kMore && !stream.empty()) {
            const std::string_view piece = stream.substr(0, pieceSize);
            stream.remove_prefix(piece.size());
            step = reader.Add(piece);
        }
        const std::string& text = reader.Text();
        FUZZ_EXPECT(text.find('\0') == std::string::npos);
        FUZZ_EXPECT(text.size() <= PushSocket::kMostReplyBytes + PushSocket::kReceivePiece);
        if (step == PushReplyReader::Step::kComplete) {
            const std::size_t hash = text.find('#');
            FUZZ_EXPECT(hash != std::string::npos && hash != 0);
            // Only the last piece can end the reply: everything before it had no ending "#".
            FUZZ_EXPECT(hash + pieceSize >= text.size() || text.size() <= pieceSize);
        } else if (step == PushReplyReader::Step::kTooLong) {
            FUZZ_EXPECT(text.size() > PushSocket::kMostReplyBytes);
        } else {
            // A reply whose first "#" is its first character never completes.
            const std::size_t hash = text.find('#');
            FUZZ_EXPECT(hash == std::string::npos || hash == 0);
        }
    }
    return 0;
}
