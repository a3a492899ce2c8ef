#include "storage/EngineScript.h"

#include "app/EngineApplication.h"
#include "app/EngineClasses.h"
#include "app/EngineTaggedText.h"
#include "storage/EngineStorage.h"

#include <array>
#include <exception>
#include <memory>

namespace valdmoor {

namespace {

// Far above any real script; a bigger file is taken for damage rather than read into memory.
constexpr int64_t ScriptSizeLimit = 16 * 1024 * 1024;
constexpr int32_t SlotCount = 2;
constexpr std::array<std::string_view, SlotCount> SlotFileNames = {"ScriptCommon",
                                                                   "ScriptScenario"};

// One text of a script file; the item name is its identifier.
class TScriptNode : public TNamedItem {
public:
    TScriptNode(std::string_view name, std::string_view text)
        : TNamedItem(std::string(name)), Text(text) {}

    std::string Text;
};

struct TSlot {
    explicit TSlot(int32_t slotIndex) : index(slotIndex) {}

    int32_t index;
    TContainerOf<TScriptNode> texts{false, true};
    bool loaded = false;
    int32_t fileAge = 0; // kept in debug mode only
    TSlot* next = nullptr;
};

struct TScriptState {
    std::array<std::unique_ptr<TSlot>, SlotCount> slots;
    TSlot* first = nullptr; // head of the look-up order
    std::string gameTitle;
};

TScriptState state;
// The hooks belong to the subsystems above and outlive a stop and start of the slots.
TTitleHook titleHook = nullptr;
TScriptsReloadedHook reloadedHook = nullptr;

TSlot* SlotOf(int32_t slot) {
    if (slot < 0 || slot >= SlotCount) {
        return nullptr;
    }
    return state.slots[static_cast<std::size_t>(slot)].get();
}

void AddText(void* data, std::string_view id, std::string_view value) {
    // An empty text counts as missing, so the identifier shows instead of a blank.
    if (!value.empty()) {
        static_cast<TSlot*>(data)->texts.Add(std::make_unique<TScriptNode>(id, value));
    }
}

// The whole file, or false (with a log line) when it cannot be read or is implausibly large.
bool ReadScriptFile(std::string_view name, std::string& text) {
    const std::string path = StoragePath(sfLanguage, name, fkXml);
    try {
        const std::unique_ptr<TStream> stream = StorageOpen(sfLanguage, name, fkXml);
        if (stream == nullptr) {
            return false;
        }
        text.clear();
        char chunk[65536];
        for (;;) {
            const std::size_t got = stream->Read(chunk, sizeof chunk);
            if (got == 0) {
                break;
            }
            if (static_cast<int64_t>(text.size() + got) > ScriptSizeLimit) {
                text.clear();
                LogMessage("Script file \"" + path + "\" is larger than 16 MiB and was ignored");
                return false;
            }
            text.append(chunk, got);
        }
        return true;
    } catch (const std::exception& error) {
        // A file being edited can vanish between the existence test and the read; the slot
        // then stays empty like a missing file.
        text.clear();
        LogMessage("Failed to read script file \"" + path + "\": " + error.what());
        return false;
    }
}

void ReadSlot(TSlot& slot) {
    const std::string_view name = SlotFileNames[static_cast<std::size_t>(slot.index)];
    if (SwitchDebug()) {
        // Noted even for a missing file, so that the refresh fires when it appears rather than
        // on every return to the window.
        slot.fileAge = StorageFileAge(sfLanguage, name, fkXml);
    }
    if (!StorageExists(sfLanguage, name, fkXml)) {
        return;
    }
    std::string text;
    if (!ReadScriptFile(name, text) || text.empty()) {
        return;
    }
    if (!ReadTaggedText(text, "script", "text", AddText, &slot)) {
        // All or nothing: a cut-off file would otherwise show a mix of texts and identifiers.
        slot.texts.Clear();
        LogMessage("Script file \"" + StoragePath(sfLanguage, name, fkXml) +
                   "\" is incomplete and was ignored");
    }
}

// Searches the slots in look-up order and moves the one that answers to the front, so runs of
// look-ups from one file start in the right place.
const TScriptNode* FindText(std::string_view name) {
    TSlot* previous = nullptr;
    for (TSlot* slot = state.first; slot != nullptr; previous = slot, slot = slot->next) {
        if (const TScriptNode* node = slot->texts.Find(name)) {
            if (previous != nullptr) {
                previous->next = slot->next;
                slot->next = state.first;
                state.first = slot;
            }
            return node;
        }
    }
    return nullptr;
}

std::string Missing(std::string_view name, bool emptyIfMissing) {
    return emptyIfMissing ? std::string() : std::string(name);
}

} // namespace

void ScriptStart() {
    if (state.first != nullptr) {
        return;
    }
    for (int32_t i = 0; i < SlotCount; ++i) {
        state.slots[static_cast<std::size_t>(i)] = std::make_unique<TSlot>(i);
    }
    state.slots[0]->next = state.slots[1].get();
    state.first = state.slots[0].get();
}

void ScriptStop() {
    state = TScriptState{};
}

void LoadScript(int32_t slotIndex, bool force) {
    TSlot* slot = SlotOf(slotIndex);
    if (slot == nullptr || (slot->loaded && !force)) {
        return;
    }
    if (slot->loaded) {
        slot->texts.Clear();
    } else {
        slot->loaded = true;
    }
    ReadSlot(*slot);
    if (slotIndex == ssCommon) {
        state.gameTitle = SlotText(ssCommon, "GameTitle", true);
        if (titleHook != nullptr) {
            titleHook(state.gameTitle);
        }
    }
}

std::string ScriptText(std::string_view name, bool emptyIfMissing) {
    if (const TScriptNode* node = FindText(name)) {
        return node->Text;
    }
    return Missing(name, emptyIfMissing);
}

bool ScriptTextExists(std::string_view name) {
    return FindText(name) != nullptr;
}

std::string SlotText(int32_t slotIndex, std::string_view name, bool emptyIfMissing) {
    if (TSlot* slot = SlotOf(slotIndex)) {
        if (const TScriptNode* node = slot->texts.Find(name)) {
            return node->Text;
        }
    }
    return Missing(name, emptyIfMissing);
}

bool SlotLoaded(int32_t slotIndex) {
    const TSlot* slot = SlotOf(slotIndex);
    return slot != nullptr && slot->loaded;
}

void ReloadScripts() {
    bool reloaded = false;
    for (int32_t i = 0; i < SlotCount; ++i) {
        if (SlotLoaded(i)) {
            LoadScript(i, true);
            reloaded = true;
        }
    }
    if (reloaded && reloadedHook != nullptr) {
        reloadedHook();
    }
}

void ScriptDebugRefresh() {
    if (!SwitchDebug()) {
        return;
    }
    bool reloaded = false;
    for (int32_t i = 0; i < SlotCount; ++i) {
        const TSlot* slot = SlotOf(i);
        if (slot != nullptr && slot->loaded &&
            StorageFileAge(sfLanguage, SlotFileNames[static_cast<std::size_t>(i)], fkXml) !=
                slot->fileAge) {
            LoadScript(i, true);
            reloaded = true;
        }
    }
    if (reloaded && reloadedHook != nullptr) {
        reloadedHook();
    }
}

void SetScriptHooks(TTitleHook title, TScriptsReloadedHook reloaded) {
    titleHook = title;
    reloadedHook = reloaded;
}

const std::string& ScriptGameTitle() {
    return state.gameTitle;
}

} // namespace valdmoor
