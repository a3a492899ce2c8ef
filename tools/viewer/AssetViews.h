// What valdmoor-view shows: one asset of the game's data, drawn and played by the engine
// exactly as the game would. Each view owns the sprites, texts, performers and sounds it made
// and lets go of them when destroyed, which must happen before the subsystems stop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace valdmoor {

class TCanvas;

class TAssetView {
public:
    virtual ~TAssetView() = default;
    // Once a frame, after the frame timer and before the effects move on.
    virtual void Update() {}
    // Shows or plays the asset again from its start.
    virtual void Restart() {}
    // What the view tells about the asset, one fact a line.
    virtual std::string Info() const = 0;
};

// The file the engine loads for Name, in the engine's own search order, as "Folder/Name.ext";
// empty when there is none.
std::string PictureFileOf(std::string_view name);
std::string EffectFileOf(std::string_view name);
std::string SoundFileOf(std::string_view name);
// The index of the engine font called Name; -1 when none is.
int32_t FontIndexOf(std::string_view name);

// The picture with its segments outlined and numbered, and its animations playing.
std::unique_ptr<TAssetView> MakePictureView(TCanvas* canvas, std::string_view name);
// The glyphs of one code-point range of a font in a grid, and a paragraph laid out with
// wrapping.
std::unique_ptr<TAssetView> MakeFontView(TCanvas* canvas, int32_t fontIndex, int32_t range);
// The effect running at the centre; it starts again by itself a second after it ends.
std::unique_ptr<TAssetView> MakeEffectView(TCanvas* canvas, std::string_view name);
// The sound played once, or as Music on the music channel, with its length and, for a streamed
// one, the state of its ring.
std::unique_ptr<TAssetView> MakeSoundView(TCanvas* canvas, std::string_view name, bool music);

} // namespace valdmoor
