#pragma once
// A growable byte buffer through which components hand byte data to their callers. Growing it
// does not keep the old content; two zero bytes always follow the used size, so the content can
// also be read as narrow or wide zero-terminated text.

#include <cstddef>
#include <cstdint>

#include "util/component_registry.h"

class CKesBinaryBuffer : public CKesPluginBase<CKesBinaryBuffer, 7> {
  public:
    // Storage for at least `size` bytes, or null when it cannot be had (the old storage stays).
    // A buffer that is big enough is returned unchanged, content and capacity kept.
    virtual std::uint8_t* SetSize(std::size_t size);
    virtual std::uint8_t* Data() { return storage_; }
    virtual std::size_t Size() { return capacity_; }

  protected:
    ~CKesBinaryBuffer() override;

  private:
    std::uint8_t* storage_ = nullptr;
    std::size_t capacity_ = 0;
};
