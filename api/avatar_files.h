#pragma once
// Pictures of people and groups made from the image cache: the JPEG copy of a person's avatar
// that the conversation page shows from disk, and the tile of up to nine member avatars of a
// group conversation. File names and keys are built from server ids, which must consist of safe
// characters only. UI thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/file_names.h"
#include "storage/image_cache.h"

// The JPEG copy of the 42-pixel avatar at `url` in the signed-in account's "head" folder, named
// after what it holds (a hash of the address), so that a file never holds another address's
// picture when a user changes theirs; empty when the avatar is not cached yet.
std::string AvatarFile(const std::string& url);

// The rectangles (left, top, right, bottom) of a tile of n avatars, n from 1 to 9.
struct TileRect {
    int left, top, right, bottom;
};
const std::vector<TileRect>& TileLayout(int n);

constexpr int kGroupTilePixels = 42;
constexpr std::uint32_t kGroupTileBackground = 0xF6F6F6;

// The key under which a conversation's tile is kept: "<data folder>/<id>_<id>_...png" of its first
// nine members with safe ids.
std::string GroupTileKey(const std::vector<std::string>& memberIds);

// Queues the conversation for a new tile; tiles are made one after another, missing avatars
// downloaded first. When a tile is ready it is put into the cache's memory and, when it still
// exists, into `list` under its key, and (0x40, conversation id, 2) is posted. A tile whose list
// is gone before its turn comes is not made.
void GroupTile(std::int32_t conversationId, const PictureMapRef& list);
