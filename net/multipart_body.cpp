#include "net/multipart_body.h"

#include <algorithm>
#include <random>

#include "platform/private_files.h"

namespace {

std::string HeaderSafe(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '"'; }, '_');
    return text;
}

std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool AnyContains(const std::vector<std::string>& contents, const std::string& boundary) {
    return std::any_of(contents.begin(), contents.end(), [&](const std::string& content) {
        return content.find(boundary) != std::string::npos;
    });
}

}  // namespace

std::optional<MultipartBody> BuildMultipartBody(const std::vector<PostArgument>& arguments,
                                                std::size_t fileLimit) {
    std::vector<std::string> contents;
    contents.reserve(arguments.size());
    for (const PostArgument& argument : arguments) {
        if (!argument.isFile) {
            contents.push_back(argument.value);
            continue;
        }
        auto file = platform::ReadWholeFile(argument.value, fileLimit);
        if (!file) return std::nullopt;
        contents.push_back(std::move(*file));
    }

    MultipartBody body;
    body.boundary = kMultipartBoundary;
    std::mt19937 random{std::random_device{}()};
    while (AnyContains(contents, body.boundary)) {
        body.boundary = std::string(kMultipartBoundary) + "-" + std::to_string(random());
    }

    std::size_t size = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        size += 160 + arguments[i].name.size() + arguments[i].value.size() + contents[i].size();
    }
    body.bytes.reserve(size);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const PostArgument& argument = arguments[i];
        body.bytes += "--" + body.boundary + "\r\nContent-Disposition: form-data; name=\"" +
                      HeaderSafe(argument.name) + "\"";
        if (argument.isFile)
            body.bytes += "; filename=\"" + HeaderSafe(BaseName(argument.value)) + "\"";
        body.bytes += "\r\n\r\n";
        body.bytes += contents[i];
        body.bytes += "\r\n";
    }
    body.bytes += "--" + body.boundary + "--\r\n";
    return body;
}
