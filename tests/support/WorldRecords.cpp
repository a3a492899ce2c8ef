#include "WorldRecords.h"

#include <cstring>

namespace valdmoor::test {

TRecordWriter& TRecordWriter::Int32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<char>(bits >> shift & 0xFF));
    }
    return *this;
}

TRecordWriter& TRecordWriter::Byte(uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
}

TRecordWriter& TRecordWriter::Float(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return Int32(static_cast<int32_t>(bits));
}

TRecordWriter& TRecordWriter::Name(std::string_view name) {
    Int32(static_cast<int32_t>(name.size()));
    return Raw(name);
}

TRecordWriter& TRecordWriter::Raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
}

void TPoolNames::Write(TRecordWriter& w) const {
    for (const std::vector<std::string>& list : Lists) {
        w.Int32(static_cast<int32_t>(list.size()));
        for (const std::string& name : list) {
            w.Name(name);
        }
    }
}

void TPropRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Int32(Kind).Byte(HideSingleCount).Int32(Picture).Int32(PictureFrame);
    w.Int32(Caption).Int32(InitialCount);
}

void TPlotRecord::Write(TRecordWriter& w) const {
    w.Int32(Figure).Int32(Group).Int32(X).Int32(Y).Int32(Values[0]).Int32(Values[1]);
    w.Int32(Sound).Byte(Bytes[0]).Byte(Bytes[1]).Byte(InitiallyHidden).Byte(Last);
}

void TMapRecord::Write(TRecordWriter& w) const {
    for (const auto& cell : Cells) {
        w.Int32(cell[0]).Int32(cell[1]);
    }
    w.Int32(static_cast<int32_t>(Plots.size()));
    for (const TPlotRecord& plot : Plots) {
        plot.Write(w);
    }
}

void TRegionRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Int32(Picture);
    for (float component : DefaultTint) {
        w.Float(component);
    }
    w.Int32(Music).Byte(Flag);
}

void TSceneRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Byte(Repeatable).Byte(LeavesSite).Byte(Flag3).Float(ScreenX).Float(ScreenY);
    w.Int32(TintAction).Int32(SoundAction).Int32(Sound).Int32(SceneType).Int32(Picture);
    w.Int32(PictureFrame);
    for (const TSlotRecord& slot : Inputs) {
        w.Int32(slot.Prop).Int32(slot.Amount);
    }
    for (const TSlotRecord& slot : Outputs) {
        w.Int32(slot.Prop).Int32(slot.Amount);
    }
    w.Int32(Achievement).Int32(AchievementAmount).Float(EffectDuration).Int32(EffectSound);
    w.Int32(EffectEffector).Int32(EffectValue);
    for (int32_t group : Groups) {
        w.Int32(group);
    }
}

void TSiteRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Float(X).Float(Y).Int32(Layout[0]).Int32(Layout[1]).Int32(IconStyle);
    w.Int32(Caption);
    for (uint8_t flag : Flags) {
        w.Byte(flag);
    }
    w.Int32(ActionCode).Int32(Destination).Int32(NeedRevealed).Int32(NeedEntered);
    for (int32_t site : NeedVisited) {
        w.Int32(site);
    }
    for (const TSlotRecord& need : NeedProps) {
        w.Int32(need.Prop).Int32(need.Amount);
    }
    w.Byte(OnlyWhenInView).Int32(Group);
    for (uint8_t b : RevealCells) {
        w.Byte(b);
    }
    w.Int32(CloseAfter[0]).Int32(CloseAfter[1]).Int32(Hint).Int32(NextRecommended);
    w.Int32(static_cast<int32_t>(Scenes.size()));
    for (const TSceneRecord& scene : Scenes) {
        scene.Write(w);
    }
}

void THintRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Int32(UntilProp).Int32(NeedProp).Int32(NeedAmount).Int32(UntilVisited);
    w.Int32(NeedVisited).Byte(UntilEntered).Int32(UntilSiteEntered).Int32(NotInRegion);
    for (int32_t hint : Subhints) {
        w.Int32(hint);
    }
    for (int32_t amount : SubAmounts) {
        w.Int32(amount);
    }
    w.Byte(GroupOnly).Byte(Display[0]).Byte(Display[1]);
}

void TAchievementRecord::Write(TRecordWriter& w) const {
    w.Int32(Number).Int32(Order).Int32(Caption).Byte(Hidden).Int32(Target).Int32(TrackedProp);
    w.Int32(Parent).Int32(RevealedBy);
}

} // namespace valdmoor::test
