#include "util/component_registry.h"

#include <mutex>
#include <vector>

namespace {

enum class SlotState { kEmpty, kSharedNotCreated, kSharedPresent, kPerRequest };

struct Slot {
    ComponentCreateFunction create = nullptr;
    const char16_t* className = nullptr;
    SlotState state = SlotState::kEmpty;
    std::uint16_t version = 0;
    std::uint16_t flags = 0;
    IKesPlugin* instance = nullptr;
};

struct Registry {
    std::mutex mutex;          // slots and the initialisation count
    std::mutex creationMutex;  // making a shared instance
    Slot slots[kComponentSlots];
    int initialisations = 0;
    std::vector<const ComponentRecord*> tables;
};

Registry& TheRegistry() {
    static auto* registry = new Registry;
    return *registry;
}

HRESULT Initialise() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    ++registry.initialisations;
    bool anyTable = false;
    for (const ComponentRecord* table : registry.tables) {
        const ComponentRecord& header = table[0];
        if (header.number != kComponentTableTag || header.create || header.className ||
            header.version || header.flags) {
            continue;  // not a registration table
        }
        anyTable = true;
        for (const ComponentRecord* record = table + 1; record->number && record->create;
             ++record) {
            if (record->number < 0 || record->number >= kComponentSlots) continue;
            Slot& slot = registry.slots[record->number];
            if (record->version < slot.version || slot.instance) continue;
            slot.create = record->create;
            slot.className = record->className;
            slot.version = record->version;
            slot.flags = record->flags;
            slot.state = (record->flags & kComponentShared) ? SlotState::kSharedNotCreated
                                                            : SlotState::kPerRequest;
        }
    }
    return anyTable ? S_OK : E_FAIL;
}

void Terminate() {
    Registry& registry = TheRegistry();
    std::vector<IKesPlugin*> release;
    {
        std::lock_guard lock(registry.mutex);
        if (registry.initialisations == 0 || --registry.initialisations > 0) return;
        for (Slot& slot : registry.slots) {
            if (slot.instance) release.push_back(slot.instance);
            slot = Slot{};
        }
    }
    for (IKesPlugin* instance : release)
        instance->Release();
}

HRESULT GetShared(int number, IKesPlugin** out) {
    Registry& registry = TheRegistry();
    {
        std::lock_guard lock(registry.mutex);
        Slot& slot = registry.slots[number];
        if (slot.instance) {
            slot.instance->AddRef();
            *out = slot.instance;
            return S_OK;
        }
    }
    // Made under its own lock so that two threads asking at once get one object.
    std::lock_guard creating(registry.creationMutex);
    ComponentCreateFunction create = nullptr;
    {
        std::lock_guard lock(registry.mutex);
        Slot& slot = registry.slots[number];
        if (!slot.instance) create = slot.create;
    }
    if (create) {
        IKesPlugin* made = nullptr;
        if (create(&made) == S_OK && made) {
            std::lock_guard lock(registry.mutex);
            Slot& slot = registry.slots[number];
            if (slot.create == create) {
                slot.instance = made;
                slot.state = SlotState::kSharedPresent;
            } else {
                made->Release();  // the registry was terminated meanwhile
            }
        }
    }
    std::lock_guard lock(registry.mutex);
    Slot& slot = registry.slots[number];
    if (!slot.instance) return E_FAIL;
    slot.instance->AddRef();
    *out = slot.instance;
    return S_OK;
}

}  // namespace

void RegisterComponentTable(const ComponentRecord* table) {
    if (!table) return;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const ComponentRecord* known : registry.tables) {
        if (known == table) return;
    }
    registry.tables.push_back(table);
}

HRESULT GetComponent(int number, IKesPlugin** out) {
    if (number == kInitializeRegistry) return Initialise() == S_OK ? S_OK : E_FAIL;
    if (number == kTerminateRegistry) {
        Terminate();
        return S_OK;
    }
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (number < 0 || number >= kComponentSlots) return E_FAIL;

    Registry& registry = TheRegistry();
    ComponentCreateFunction create = nullptr;
    SlotState state;
    {
        std::lock_guard lock(registry.mutex);
        const Slot& slot = registry.slots[number];
        create = slot.create;
        state = slot.state;
    }
    if (!create) return E_FAIL;
    if (state == SlotState::kPerRequest) {
        IKesPlugin* made = nullptr;
        HRESULT result = create(&made);
        if (result != S_OK || !made) return result == S_OK ? E_FAIL : result;
        *out = made;
        return S_OK;
    }
    return GetShared(number, out);
}
