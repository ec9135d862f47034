#pragma once
// A fast front for parsing service answers: a SIMD parser reads the text and its tree is copied
// into the JSON values the decoders read, about a third faster than the ordinary parser on the
// large synchronisation answers. It takes what it can; anything it refuses (text that is not
// UTF-8, numbers beyond 64 bits, comments, trailing text) is left to the ordinary parser, so what
// is accepted, and the values read, are the same either way.

#include <json/value.h>

#include <string_view>

// True when the fast parser read the text into `root`; false leaves `root` null.
bool ParseJsonFast(std::string_view text, Json::Value& root, unsigned maxDepth);
