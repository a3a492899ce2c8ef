// The cover transition: the screen fades to a colour (with an optional text), holds, and fades
// back once the new form is in place.
#pragma once

#include "app/EngineClasses.h"
#include "gui/EngineGui.h"

#include <string>

namespace valdmoor {

class TSprite;
class TText;

class TGuiTransitionCover : public TGuiTransition {
public:
    // Times in the order they run: covering, holding, uncovering. TextScale enlarges the text
    // over the game font's size (the ending's title).
    TGuiTransitionCover(std::string name, float coverTime, float holdTime, float uncoverTime,
                        TColor3 coverColor, std::string textKey = {}, float textScale = 1);
    ~TGuiTransitionCover() override;

    void Start() override;
    void Stop() override;
    bool CoverStep1() override;
    bool CoverStep2() override;
    bool CoverStep3() override;
    bool UncoverStep1() override;
    bool UncoverStep2() override;
    bool UncoverStep3() override;

    float UncoverTime;
    float HoldTime;
    float CoverTime;
    TColor3 CoverColor;
    std::string TextKey;
    float TextScale;
    TSprite* Cover = nullptr;
    TText* TextObject = nullptr;
    float Elapsed = 0;

    // The cover's alpha now (0 without a cover).
    float CoverAlpha() const;

private:
    void Fit();
    void SetAlpha(float alpha);
};

} // namespace valdmoor
