#include "util/binary_buffer.h"

#include <cstdlib>
#include <limits>

CKesBinaryBuffer::~CKesBinaryBuffer() {
    std::free(storage_);
}

std::uint8_t* CKesBinaryBuffer::SetSize(std::size_t size) {
    if (capacity_ >= size) return storage_;
    if (size > std::numeric_limits<std::size_t>::max() - 2) return nullptr;
    auto* fresh = static_cast<std::uint8_t*>(std::malloc(size + 2));
    if (!fresh) return nullptr;
    std::free(storage_);
    storage_ = fresh;
    capacity_ = size;
    storage_[size] = 0;
    storage_[size + 1] = 0;
    return storage_;
}
