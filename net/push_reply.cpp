#include "net/push_reply.h"

PushReplyReader::Step PushReplyReader::Add(std::string_view piece) {
    ++pieces_;
    text_.append(piece.substr(0, piece.find('\0')));
    const auto hash = text_.find('#');
    if (hash != std::string::npos && hash != 0) return Step::kComplete;
    if (text_.size() > mostBytes_) return Step::kTooLong;
    return Step::kMore;
}
