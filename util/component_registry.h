#pragma once
// The component registry: in-house objects created by number. Each subsystem links in a table of
// registration records; the registry copies them into 1024 numbered slots. A shared component is
// one object for the whole process, made on first request; any other is made anew on each
// request. Components are reference counted and released by whoever obtained them.

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "platform/win_types.h"

class IKesPlugin {
  public:
    virtual std::int32_t GetId() = 0;
    virtual long AddRef() = 0;
    virtual long Release() = 0;

  protected:
    virtual ~IKesPlugin() = default;
};

// Reference counting and creation shared by every component class.
template <typename Derived, std::int32_t Number, typename Interface = IKesPlugin>
class CKesPluginBase : public Interface {
  public:
    static constexpr std::int32_t kNumber = Number;

    std::int32_t GetId() override { return Number; }
    long AddRef() override { return ++references_; }
    long Release() override {
        long left = --references_;
        if (left == 0) delete this;
        return left;
    }

    static HRESULT Create(IKesPlugin** out) {
        auto* object = new (std::nothrow) Derived();
        if (!object) return E_OUTOFMEMORY;
        *out = object;
        return S_OK;
    }

  private:
    std::atomic<long> references_{1};
};

using ComponentCreateFunction = HRESULT (*)(IKesPlugin** out);

// One registration record. A table starts with a header record whose number is the tag 'kesp' and
// whose other fields are zero, and ends at the first record without number or creation function.
struct ComponentRecord {
    std::int32_t number;
    ComponentCreateFunction create;
    const char16_t* className;
    std::uint16_t version;
    std::uint16_t flags;
};

constexpr std::int32_t kComponentTableTag = ('k' << 24) | ('e' << 16) | ('s' << 8) | 'p';
constexpr std::uint16_t kComponentShared = 0x1;  // flag bit 0: one instance for the process
constexpr int kComponentSlots = 1024;
constexpr int kInitializeRegistry = -1;
constexpr int kTerminateRegistry = -2;

constexpr ComponentRecord ComponentTableHeader() {
    return {kComponentTableTag, nullptr, nullptr, 0, 0};
}
constexpr ComponentRecord ComponentTableEnd() {
    return {0, nullptr, nullptr, 0, 0};
}

template <typename Component>
constexpr ComponentRecord ComponentEntry(const char16_t* className, bool shared,
                                         std::uint16_t version = 1) {
    return {Component::kNumber, &Component::Create, className, version,
            static_cast<std::uint16_t>(shared ? kComponentShared : 0)};
}

// Adds a table for the registry to read when it is initialised. Call before GetComponent(-1).
void RegisterComponentTable(const ComponentRecord* table);

// 0 (S_OK) and a new reference on success; E_INVALIDARG when `out` is null; E_FAIL for a number
// without a component, outside 0..1023, or a shared component that could not be made.
// -1 initialises the registry and -2 terminates it; both return S_OK.
HRESULT GetComponent(int number, IKesPlugin** out);

// The same, for a component class: E_FAIL when the number holds another kind of component.
template <typename T>
HRESULT GetComponent(int number, T** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    IKesPlugin* plugin = nullptr;
    HRESULT result = GetComponent(number, &plugin);
    if (result != S_OK) return result;
    T* typed = dynamic_cast<T*>(plugin);
    if (!typed) {
        plugin->Release();
        return E_FAIL;
    }
    *out = typed;
    return S_OK;
}

// Owns one reference to a component.
template <typename T>
class KesPtr {
  public:
    KesPtr() = default;
    explicit KesPtr(T* adopted) : object_(adopted) {}
    KesPtr(const KesPtr&) = delete;
    KesPtr& operator=(const KesPtr&) = delete;
    KesPtr(KesPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    KesPtr& operator=(KesPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ~KesPtr() { Reset(); }

    // Fills the pointer from the registry.
    HRESULT Get(int number) {
        Reset();
        return GetComponent(number, &object_);
    }
    void Reset() {
        if (object_) std::exchange(object_, nullptr)->Release();
    }
    T* operator->() const { return object_; }
    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    T* object_ = nullptr;
};
