#pragma once
// The registry's small general-purpose components: a text holder, three lists, the operating
// system's version, a zlib wrapper and the process-width check.

#include <cstdint>
#include <string>
#include <vector>

#include "util/component_registry.h"

class CPluginString : public CKesPluginBase<CPluginString, 3> {
  public:
    virtual void SetText(const std::u16string& text) { text_ = text; }
    virtual const std::u16string& Text() const { return text_; }

  private:
    std::u16string text_;
};

class CKesList : public CKesPluginBase<CKesList, 4> {
  public:
    virtual void Add(void* item) { items_.push_back(item); }
    virtual std::size_t Count() const { return items_.size(); }
    virtual void* At(std::size_t index) const {
        return index < items_.size() ? items_[index] : nullptr;
    }
    virtual void Clear() { items_.clear(); }

  private:
    std::vector<void*> items_;
};

class CKesStringListImpl : public CKesPluginBase<CKesStringListImpl, 5> {
  public:
    virtual void Add(const std::u16string& item) { items_.push_back(item); }
    virtual std::size_t Count() const { return items_.size(); }
    virtual std::u16string At(std::size_t index) const {
        return index < items_.size() ? items_[index] : std::u16string();
    }
    virtual void Clear() { items_.clear(); }

  private:
    std::vector<std::u16string> items_;
};

class CKesDWORDListImpl : public CKesPluginBase<CKesDWORDListImpl, 6> {
  public:
    virtual void Add(std::uint32_t item) { items_.push_back(item); }
    virtual std::size_t Count() const { return items_.size(); }
    virtual std::uint32_t At(std::size_t index) const {
        return index < items_.size() ? items_[index] : 0;
    }
    virtual void Clear() { items_.clear(); }

  private:
    std::vector<std::uint32_t> items_;
};

class CWinVersion : public CKesPluginBase<CWinVersion, 10> {
  public:
    // The operating system's name and release, for example "Linux 6.1.0".
    virtual std::string VersionText();
};

class CZlib : public CKesPluginBase<CZlib, 25> {
  public:
    // zlib-format compression; empty on failure.
    virtual std::vector<std::uint8_t> Compress(const std::uint8_t* bytes, std::size_t length);
    // Inflates data that expands to at most `limit` bytes; empty on failure or when larger.
    virtual std::vector<std::uint8_t> Uncompress(const std::uint8_t* bytes, std::size_t length,
                                                 std::size_t limit);
};

class CKesWOW64 : public CKesPluginBase<CKesWOW64, 81> {
  public:
    // True only for a 32-bit process on a 64-bit system; this build is native.
    virtual bool IsWow64Process() { return false; }
};

// The table that registers the components of this folder.
extern const ComponentRecord kUtilComponentTable[];
