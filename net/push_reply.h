#pragma once
// Putting one reply of the push service together from the pieces the socket delivers. A reply
// ends at its first "#" ("ok#", "1#", "0#"); one whose first "#" is its first character never
// completes. A piece ends at its first NUL byte.

#include <cstddef>
#include <string>
#include <string_view>

class PushReplyReader {
  public:
    enum class Step { kMore, kComplete, kTooLong };

    explicit PushReplyReader(std::size_t mostBytes) : mostBytes_(mostBytes) {}

    // Adds one received piece. kTooLong once the reply has grown past the limit without ending:
    // the text is then no reply.
    Step Add(std::string_view piece);

    const std::string& Text() const { return text_; }
    int Pieces() const { return pieces_; }

  private:
    std::size_t mostBytes_;
    std::string text_;
    int pieces_ = 0;
};
