// Props: everything the hero can hold. The inventory is the Count of every prop.
#pragma once

#include "app/EngineClasses.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TStream;
class TPicture;
class TCaption;
struct TLoadContext;

enum TPropKind : int32_t {
    pkProperty = 0,
    pkKnowledge = 1,
    pkSkill = 2,
    pkCompanion = 3,
    pkItem = 4,
};
constexpr int32_t PropKindCount = 5;
constexpr int32_t PropRecordSize = 25;

// "Property" .. "Item"; empty outside 0..4.
std::string_view PropKindName(int32_t kind);

class TProp : public TNamedItem {
public:
    using TNamedItem::TNamedItem;

    // The 25-byte record that follows the prop's name.
    void Load(TStream& stream, const TLoadContext& context);
    void Reset();
    bool IsCountable() const;

    // Adds Amount without passing the 32-bit limits.
    void AddCount(int64_t amount);

    std::string DisplayName() const;
    std::string InventoryLabel() const;
    std::string RequirementHint(int32_t amount) const;
    std::string LossHint(int32_t amount) const;
    std::string RewardHint(int32_t amount) const;
    std::string CostHint(int32_t amount) const;
    std::string PurchaseHint(int32_t amount) const;
    std::string ResourceHint(int32_t amount) const;
    std::string ProductHint(int32_t amount) const;

    int32_t Number = 0;
    int32_t Kind = pkProperty;
    uint8_t HideSingleCount = 0;
    TPicture* Picture = nullptr;
    int32_t PictureFrame = 0;
    TCaption* Caption = nullptr;
    int32_t InitialCount = 0;
    int32_t ShownCount = 0;
    int32_t Count = 0;
    int32_t StashedCount = 0;

private:
    std::string Hint(std::string_view label, int32_t amount, bool amountShown,
                     std::string_view prefix, bool iHaveLine, int32_t iHave) const;
};

} // namespace valdmoor
