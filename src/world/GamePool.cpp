#include "world/GamePool.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "video/EngineTextures.h"
#include "world/GameMap.h"
#include "world/GameRecords.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace valdmoor {
namespace {

struct TPoolState {
    std::unique_ptr<TContainerOf<TPicture>> pictures;
    std::unique_ptr<TContainerOf<TEffector>> effectors;
    std::unique_ptr<TContainerOf<TSound>> sounds;
    std::unique_ptr<TContainerOf<TTerrain>> terrains;
    std::unique_ptr<TContainerOf<TWater>> waters;
    std::unique_ptr<TContainerOf<TFigure>> figures;
    std::unique_ptr<TContainerOf<TCaption>> captions;
    std::unique_ptr<TContainerOf<TGroup>> groups;
    uint32_t lastFrame = 0;
};
TPoolState pool;

// Pool lists exist from start to stop; asked before start they are created on the spot, so a
// caller never meets a nil list.
template <class T>
TContainerOf<T>& Ensure(std::unique_ptr<TContainerOf<T>>& list) {
    if (list == nullptr) {
        // File order, which references index; not name order, or look-ups by name would miss.
        list = std::make_unique<TContainerOf<T>>(false, true);
    }
    return *list;
}

template <class T>
void LoadNames(TStream& stream, TContainerOf<T>& list, std::vector<T*>& table) {
    // Each name takes at least its 4-byte length.
    const int32_t count = ReadCount(stream, 4);
    table.clear();
    table.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        table.push_back(list.Add(std::make_unique<T>(ReadName(stream))));
    }
}

// The picture's own size, never the device's padded one.
void PictureSize(const TTexture* texture, int32_t& width, int32_t& height) {
    GetFrameSize(texture, 0, width, height);
}

} // namespace

void TPicture::Load() {
    Texture = GetTexture(Name());
    Loaded = true;
}

void TEffector::Load() {
    Effect = GetEffect(Name());
    Loaded = true;
}

void TSound::Attached() {
    IsK = !Name().empty() && Name()[0] == 'K';
}

void TSound::Load() {
    Sample = GetSample(Name(), 1.0f);
    Loaded = true;
}

int32_t TerrainCodeOf(const std::string& name) {
    // Names shorter than the code's bytes count the missing bytes as 0.
    auto at = [&name](std::size_t i) -> int32_t {
        return i < name.size() ? static_cast<uint8_t>(name[i]) : 0;
    };
    int32_t code = at(5) * 16384 + at(6) * 128;
    if (name.size() == 8) {
        code += at(7);
    }
    return code;
}

void TTerrain::Load() {
    TerrainCode = TerrainCodeOf(Name());
    Texture = GetTexture(Name());
    Loaded = true;
}

void TWater::Load() {
    Texture = GetTexture(Name());
    FrameCount = Texture != nullptr ? std::max(Texture->FrameCount(), 1) : 1;
    // Frame 0 is the picture itself: only a picture with more frames moves.
    Animated = FrameCount > 1;
    Cycle = 1;
    if (Animated && Texture->AnimationCount() > 0 && Texture->AnimationTime(1) > 0) {
        Cycle = Texture->AnimationTime(1);
    }
    Phase = 0;
    Loaded = true;
}

void TWater::Advance(float seconds) {
    if (!Animated || !(seconds > 0) || !(Cycle > 0)) {
        return;
    }
    Phase += seconds / Cycle;
    Phase -= std::floor(Phase);
}

int32_t TWater::Frame() const {
    if (!Animated) {
        return 0;
    }
    const auto frame = static_cast<int32_t>(Phase * static_cast<float>(FrameCount));
    return std::clamp(frame, 0, FrameCount - 1);
}

void TFigure::Attached() {
    IsEffect = Name().size() >= 2 && Name()[1] == '7';
}

void TFigure::Load() {
    if (IsEffect) {
        Effect = GetEffect(Name());
        if (Effect != nullptr) {
            Width = static_cast<int32_t>(std::lround(Effect->Size.X));
            Height = static_cast<int32_t>(std::lround(Effect->Size.Y));
        }
    } else {
        Texture = GetTexture(Name());
        Animated = Texture != nullptr && Texture->FrameCount() > 1;
        PictureSize(Texture, Width, Height);
    }
    Loaded = true;
}

void FlipGroup(TGroup* group) {
    if (group == nullptr) {
        return;
    }
    for (TPlotData* plot : group->Members) {
        plot->Hidden = plot->Hidden != 0 ? 0 : 1;
    }
}

void PoolStart() {
    PoolPictures();
    PoolEffectors();
    PoolSounds();
    PoolTerrains();
    PoolWaters();
    PoolFigures();
    PoolCaptions();
    PoolGroups();
}

void PoolStop() {
    // Groups hold pointers into the maps; they go first either way, as nothing reads them.
    pool = TPoolState();
}

TContainerOf<TPicture>& PoolPictures() {
    return Ensure(pool.pictures);
}
TContainerOf<TEffector>& PoolEffectors() {
    return Ensure(pool.effectors);
}
TContainerOf<TSound>& PoolSounds() {
    return Ensure(pool.sounds);
}
TContainerOf<TTerrain>& PoolTerrains() {
    return Ensure(pool.terrains);
}
TContainerOf<TWater>& PoolWaters() {
    return Ensure(pool.waters);
}
TContainerOf<TFigure>& PoolFigures() {
    return Ensure(pool.figures);
}
TContainerOf<TCaption>& PoolCaptions() {
    return Ensure(pool.captions);
}
TContainerOf<TGroup>& PoolGroups() {
    return Ensure(pool.groups);
}

void LoadPoolNames(TStream& stream, TLoadContext& context) {
    LoadNames(stream, PoolPictures(), context.Pictures);
    LoadNames(stream, PoolEffectors(), context.Effectors);
    LoadNames(stream, PoolSounds(), context.Sounds);
    LoadNames(stream, PoolTerrains(), context.Terrains);
    LoadNames(stream, PoolWaters(), context.Waters);
    LoadNames(stream, PoolFigures(), context.Figures);
    LoadNames(stream, PoolCaptions(), context.Captions);
    LoadNames(stream, PoolGroups(), context.Groups);
}

void UpdateWaters() {
    if (FrameCounter() == pool.lastFrame) {
        return;
    }
    pool.lastFrame = FrameCounter();
    UpdateWatersBy(FrameTime());
}

void UpdateWatersBy(float seconds) {
    for (TWater& water : PoolWaters()) {
        if (water.Loaded && water.Animated) {
            water.Advance(seconds);
        }
    }
}

void PrepareSound(TSound* sound, bool asMusic) {
    if (sound == nullptr || sound->Loaded) {
        return;
    }
    if (GroupEnabled(asMusic ? MusicGroup : sound->Group())) {
        sound->Load();
    }
}

} // namespace valdmoor
