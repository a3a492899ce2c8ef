#include "world/GameProp.h"

#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameRecords.h"

#include <array>

namespace valdmoor {
namespace {

constexpr std::array<std::string_view, PropKindCount> KindNames = {"Property", "Knowledge", "Skill",
                                                                   "Companion", "Item"};

} // namespace

std::string_view PropKindName(int32_t kind) {
    return kind >= 0 && kind < PropKindCount ? KindNames[static_cast<std::size_t>(kind)]
                                             : std::string_view();
}

void TProp::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<PropRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    Kind = r.Int32();
    HideSingleCount = r.Byte();
    Picture = Resolve(context.Pictures, r.Int32());
    PictureFrame = r.Int32();
    Caption = Resolve(context.Captions, r.Int32());
    InitialCount = r.Int32();
    r.Finish();
}

void TProp::Reset() {
    ShownCount = 0;
    Count = InitialCount;
    StashedCount = 0;
}

bool TProp::IsCountable() const {
    return Kind == pkProperty || Kind == pkCompanion || Kind == pkItem;
}

void TProp::AddCount(int64_t amount) {
    Count = AddSaturated(Count, amount);
}

std::string TProp::DisplayName() const {
    return Caption != nullptr ? SlotText(ssScenario, Caption->Name(), true) : std::string();
}

std::string TProp::InventoryLabel() const {
    std::string label = DisplayName();
    if (IsCountable() && (Count > 1 || HideSingleCount == 0)) {
        label += ColonPrefix() + ": " + FormatNumber(Count);
    }
    return label;
}

std::string TProp::Hint(std::string_view label, int32_t amount, bool amountShown,
                        std::string_view prefix, bool iHaveLine, int32_t iHave) const {
    std::string text = SlotText(ssCommon, label) + "\n" + DisplayName();
    if (amountShown) {
        text += ColonPrefix();
        text += prefix;
        text += FormatNumber(amount);
    }
    if (iHaveLine) {
        text +=
            "\n" + SlotText(ssCommon, "LabelIHave") + ColonPrefix() + ": " + FormatNumber(iHave);
    }
    return text;
}

std::string TProp::RequirementHint(int32_t amount) const {
    const bool shown = IsCountable() && (amount > 1 || HideSingleCount == 0);
    return Hint("LabelRequirement", amount, shown, ": ", shown, Count);
}

std::string TProp::LossHint(int32_t amount) const {
    const bool shown = IsCountable() && (amount > 1 || HideSingleCount == 0);
    return Hint("LabelLoss", amount, shown, ": -", false, 0);
}

std::string TProp::RewardHint(int32_t amount) const {
    const bool shown = IsCountable() && (amount > 1 || HideSingleCount == 0);
    return Hint("LabelReward", amount, shown, ": +", false, 0);
}

std::string TProp::CostHint(int32_t amount) const {
    return Hint("LabelCost", amount, IsCountable(), ": -", IsCountable(), ShownCount);
}

std::string TProp::PurchaseHint(int32_t amount) const {
    return Hint("LabelPurchase", amount, IsCountable(), ": +", IsCountable(), ShownCount);
}

std::string TProp::ResourceHint(int32_t amount) const {
    return Hint("LabelResource", amount, IsCountable(), ": -", IsCountable(), ShownCount);
}

std::string TProp::ProductHint(int32_t amount) const {
    return Hint("LabelProduct", amount, IsCountable(), ": +", IsCountable(), ShownCount);
}

} // namespace valdmoor
