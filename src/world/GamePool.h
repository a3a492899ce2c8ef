// The named media of the world: pictures, particle effects, sounds, terrain and water tiles,
// map figures, text keys and plot groups. Records refer to them by index; each loads its engine
// resource by name only when first asked, so the world runs headless until something draws.
#pragma once

#include "app/EngineClasses.h"

#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor {

class TTexture;
class TEffect;
class TSample;
class TStream;
struct TLoadContext;
struct TPlotData;

class TPicture : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    // A missing picture gets the engine's stand-in; logged once by the engine.
    void Load();
    bool Loaded = false;
    TTexture* Texture = nullptr;
};

class TEffector : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    void Load();
    bool Loaded = false;
    TEffect* Effect = nullptr;
};

class TSound : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    void Attached() override;
    void Load();
    // The volume group that decides whether the sound may play or preload.
    int32_t Group() const { return IsK ? 1 : 0; }
    bool Loaded = false;
    bool IsK = false;
    TSample* Sample = nullptr;
};

class TTerrain : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    void Load();
    bool Loaded = false;
    int32_t TerrainCode = 0;
    TTexture* Texture = nullptr;
};

// The blending code of a terrain name: bytes 5 and 6, and 7 for names of exactly 8 bytes.
int32_t TerrainCodeOf(const std::string& name);

class TWater : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    void Load();
    // Advances the animation by Seconds; a still water stays on its only frame.
    void Advance(float seconds);
    // The frame the animation shows now: 0 .. FrameCount - 1.
    int32_t Frame() const;
    bool Loaded = false;
    bool Animated = false;
    TTexture* Texture = nullptr;
    int32_t FrameCount = 1;
    float Cycle = 1; // seconds for one pass over the frames
    float Phase = 0; // 0 .. 1 within the cycle
};

class TFigure : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    void Attached() override;
    void Load();
    bool Loaded = false;
    bool IsEffect = false;
    bool Animated = false;
    TTexture* Texture = nullptr;
    TEffect* Effect = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
};

class TCaption : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
};

class TGroup : public TNamedItem {
public:
    using TNamedItem::TNamedItem;
    // Map plots that the group's toggles flip, in registration order.
    std::vector<TPlotData*> Members;
};

// Inverts the Hidden flag of every member plot; nothing for none.
void FlipGroup(TGroup* group);

// The eight pool lists; created by PoolStart, freed by PoolStop (which accepts never-started).
void PoolStart();
void PoolStop();
TContainerOf<TPicture>& PoolPictures();
TContainerOf<TEffector>& PoolEffectors();
TContainerOf<TSound>& PoolSounds();
TContainerOf<TTerrain>& PoolTerrains();
TContainerOf<TWater>& PoolWaters();
TContainerOf<TFigure>& PoolFigures();
TContainerOf<TCaption>& PoolCaptions();
TContainerOf<TGroup>& PoolGroups();

// Reads the pool section: for each list in order an int32 count and that many names; every
// object is appended to its list and to Context's index table.
void LoadPoolNames(TStream& stream, TLoadContext& context);

// Once a frame: advances every loaded, animated water when the frame counter moved.
void UpdateWaters();
void UpdateWatersBy(float seconds);

// Loads Sound when its volume group may play; the music group for streams.
void PrepareSound(TSound* sound, bool asMusic = false);

} // namespace valdmoor
