#pragma once
// The body of a multipart form POST, built in one piece so that its exact length is known.

#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kMultipartBoundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

struct PostArgument {
    std::string name;
    std::string value;  // the text, or for a file the local path
    bool isFile = false;
};

struct MultipartBody {
    std::string boundary;  // goes into the Content-Type header
    std::string bytes;
};

// Builds the body in argument order. A file part names the file by its base name and carries
// the file's bytes. Returns nothing when a file cannot be read (or is larger than `fileLimit`):
// a part must never claim a file it does not contain. Names and file names have line breaks and
// double quotes replaced, and when any value or file happens to contain the boundary another one
// is chosen, so no content can start a part of its own.
std::optional<MultipartBody> BuildMultipartBody(const std::vector<PostArgument>& arguments,
                                                std::size_t fileLimit = 32u * 1024 * 1024);
