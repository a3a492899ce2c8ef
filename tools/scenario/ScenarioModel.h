// The world as the scenario compiler sees it: every record of "S0Scenario.dat" with its
// references as 1-based indexes (0 for none) and every object with its name. Bytes, YAML and
// texts are all converted through this model; each record's fields are listed once, in file
// order, by the Fields functions below, which every converter walks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor::scenario {

// What a reference points at: the eight pool lists, then the five object lists.
enum TRefKind : int32_t {
    rkPicture,
    rkEffector,
    rkSound,
    rkTerrain,
    rkWater,
    rkFigure,
    rkCaption,
    rkGroup,
    rkProp,
    rkRegion,
    rkSite,
    rkHint,
    rkAchievement,
};
constexpr int32_t PoolKindCount = 8;
constexpr int32_t RefKindCount = 13;
// "picture" .. "achievement": the YAML word for a kind.
std::string_view RefKindName(TRefKind kind);

// Integer fields shown by readable names (numbers are accepted and kept where no name fits).
enum TEnumKind : int32_t {
    ekNone,
    ekPropKind,
    ekSceneType,
    ekSoundAction,
    ekActionCode,
    ekTintAction,
};

struct TSlot {
    int32_t Prop = 0;
    int32_t Amount = 0;
};

struct TPropModel {
    std::string Name;
    int32_t Number = 0;
    int32_t Kind = 0;
    uint8_t HideSingleCount = 0;
    int32_t Picture = 0;
    int32_t PictureFrame = 0;
    int32_t Caption = 0;
    int32_t InitialCount = 0;
};

struct TSceneModel {
    int32_t Number = 0;
    uint8_t Repeatable = 0;
    uint8_t LeavesSite = 0;
    uint8_t Flag3 = 0;
    float ScreenX = 0;
    float ScreenY = 0;
    int32_t TintAction = 0;
    int32_t SoundAction = 0;
    int32_t Sound = 0;
    int32_t SceneType = 0;
    int32_t Picture = 0;
    int32_t PictureFrame = 0;
    std::array<TSlot, 8> Inputs{};
    std::array<TSlot, 8> Outputs{};
    int32_t Achievement = 0;
    int32_t AchievementAmount = 0;
    float EffectDuration = 0;
    int32_t EffectSound = 0;
    int32_t EffectEffector = 0;
    int32_t EffectValue = 0;
    std::array<int32_t, 4> Groups{};
    // Compiler bookkeeping, not in the file: whether the author gave the number, and where.
    bool NumberFixed = true;
    int32_t Line = 0;
};

struct TSiteModel {
    std::string Name;
    int32_t Number = 0;
    float X = 0;
    float Y = 0;
    std::array<int32_t, 2> Layout{};
    int32_t IconStyle = 0;
    int32_t Caption = 0;
    uint8_t Flag1 = 0;
    uint8_t AutoVisit = 0;
    uint8_t KeepAssets = 0;
    uint8_t Flag4 = 0;
    uint8_t EndsGame = 0;
    int32_t ActionCode = 0;
    int32_t Destination = 0;
    int32_t NeedRevealed = 0;
    int32_t NeedEntered = 0;
    std::array<int32_t, 3> NeedVisited{};
    std::array<TSlot, 3> NeedProps{};
    uint8_t OnlyWhenInView = 0;
    int32_t Group = 0;
    std::array<uint8_t, 26> RevealCells{};
    std::array<int32_t, 2> CloseAfter{};
    int32_t Hint = 0;
    int32_t NextRecommended = 0;
    std::vector<TSceneModel> Scenes;
};

struct TPlotModel {
    int32_t Figure = 0;
    int32_t Group = 0;
    int32_t X = 0;
    int32_t Y = 0;
    std::array<int32_t, 2> Values{};
    int32_t Sound = 0;
    std::array<uint8_t, 2> Bytes{};
    uint8_t InitiallyHidden = 0;
    uint8_t Last = 0;
};

constexpr int32_t CellCount = 110;

struct TCellModel {
    int32_t Terrain = 0;
    int32_t Water = 0;
};

struct TRegionModel {
    std::string Name;
    int32_t Number = 0;
    int32_t Picture = 0;
    std::array<float, 3> DefaultTint{1, 1, 1};
    int32_t Music = 0;
    uint8_t Flag = 0;
    std::array<TCellModel, CellCount> Cells{};
    std::vector<TPlotModel> Plots;
    std::vector<TSiteModel> Sites;
};

struct THintModel {
    std::string Name;
    int32_t Number = 0;
    int32_t UntilProp = 0;
    int32_t NeedProp = 0;
    int32_t NeedAmount = 0;
    int32_t UntilVisited = 0;
    int32_t NeedVisited = 0;
    uint8_t UntilEntered = 0;
    int32_t UntilSiteEntered = 0;
    int32_t NotInRegion = 0;
    std::array<int32_t, 8> Subhints{};
    std::array<int32_t, 8> SubAmounts{};
    uint8_t GroupOnly = 0;
    std::array<uint8_t, 2> Display{};
};

struct TAchievementModel {
    std::string Name;
    int32_t Number = 0;
    int32_t Order = 0;
    int32_t Caption = 0;
    uint8_t Hidden = 0;
    int32_t Target = 0;
    int32_t TrackedProp = 0;
    int32_t Parent = 0;
    int32_t RevealedBy = 0;
};

struct TWorldModel {
    std::array<std::vector<std::string>, PoolKindCount> Pool;
    std::vector<TPropModel> Props;
    std::vector<TRegionModel> Regions;
    // Sites declared after every region's sites, which no region holds (never shown).
    std::vector<TSiteModel> UnattachedSites;
    std::vector<THintModel> Hints;
    std::vector<TAchievementModel> Achievements;
    int32_t MenuRegion = 0;
    int32_t StartRegion = 0;
    int32_t WorldMapRegion = 0;
    int32_t RecommendationStart = 0;
    int32_t RegionCounter = 0;

    // The names of one kind in file order (sites: by region, then the unattached ones).
    std::vector<std::string> Names(TRefKind kind) const;
};

// The bytes of "S0Scenario.dat".
std::string WriteWorldBytes(const TWorldModel& world);
// Raises EngineError naming what was damaged: a short file, a count beyond the bytes left, a
// reference outside its list, bytes after the end.
TWorldModel ReadWorldBytes(std::string_view bytes);

// Pieces of that file, for building a file part by part or damaging one part: the pool's
// name lists; one record of a prop, scene, site (with its scene count and scenes), region
// (without its map), hint or achievement; a region's map (cells, plot count and plots).
std::string PoolBytes(const TWorldModel& world);
template <class TRecord>
std::string RecordBytes(const TRecord& record);
std::string MapBytes(const TRegionModel& region);

// What the game would misread or an author would not mean: duplicate names in a list, more
// slot entries than the scene type has, references outside their lists. Returns the problems,
// each naming the object; empty when the world is sound.
std::vector<std::string> CheckWorld(const TWorldModel& world);

// Readable names of enumerated fields: Value's name, or empty when it has none.
std::string EnumName(TEnumKind kind, int32_t value);
// Parses a name (or a number); false when Text is neither.
bool EnumValue(TEnumKind kind, std::string_view text, int32_t& value);
// Every name of Kind, for error messages.
std::string EnumNames(TEnumKind kind);

// The slots a scene type fills (inputs, outputs); 0 for unknown types.
int32_t SceneInputSlots(int32_t sceneType);
int32_t SceneOutputSlots(int32_t sceneType);

// Each record's fields in file order. V has Int, Byte, Float, Enum, Ref, Slots, Bits and
// list overloads; key names are the YAML keys.
template <class V>
void Fields(V& v, TPropModel& p) {
    v.Int("number", p.Number);
    v.Enum("kind", ekPropKind, p.Kind);
    v.Byte("hide-single-count", p.HideSingleCount);
    v.Ref("picture", rkPicture, p.Picture);
    v.Int("picture-frame", p.PictureFrame);
    v.Ref("caption", rkCaption, p.Caption);
    v.Int("initial-count", p.InitialCount);
}

template <class V>
void Fields(V& v, TSceneModel& s) {
    v.Int("number", s.Number);
    v.Byte("repeatable", s.Repeatable);
    v.Byte("leaves-site", s.LeavesSite);
    v.Byte("flag3", s.Flag3);
    v.Float("screen-x", s.ScreenX);
    v.Float("screen-y", s.ScreenY);
    v.Enum("tint", ekTintAction, s.TintAction);
    v.Enum("sound-action", ekSoundAction, s.SoundAction);
    v.Ref("sound", rkSound, s.Sound);
    v.Enum("type", ekSceneType, s.SceneType);
    v.Ref("picture", rkPicture, s.Picture);
    v.Int("picture-frame", s.PictureFrame);
    v.Slots("inputs", s.Inputs, SceneInputSlots(s.SceneType));
    v.Slots("outputs", s.Outputs, SceneOutputSlots(s.SceneType));
    v.Ref("achievement", rkAchievement, s.Achievement);
    v.Int("achievement-amount", s.AchievementAmount);
    v.Float("effect-duration", s.EffectDuration);
    v.Ref("effect-sound", rkSound, s.EffectSound);
    v.Ref("effect", rkEffector, s.EffectEffector);
    v.Int("effect-value", s.EffectValue);
    v.Refs("groups", rkGroup, s.Groups);
}

template <class V>
void Fields(V& v, TSiteModel& s) {
    v.Int("number", s.Number);
    v.Float("x", s.X);
    v.Float("y", s.Y);
    v.Ints("layout", s.Layout);
    v.Int("icon-style", s.IconStyle);
    v.Ref("caption", rkCaption, s.Caption);
    v.Byte("flag1", s.Flag1);
    v.Byte("auto-visit", s.AutoVisit);
    v.Byte("keep-assets", s.KeepAssets);
    v.Byte("main-site", s.Flag4);
    v.Byte("ends-game", s.EndsGame);
    v.Enum("action", ekActionCode, s.ActionCode);
    v.Ref("destination", rkRegion, s.Destination);
    v.Ref("need-revealed", rkSite, s.NeedRevealed);
    v.Ref("need-entered", rkSite, s.NeedEntered);
    v.Refs("need-visited", rkSite, s.NeedVisited);
    v.Slots("need-props", s.NeedProps, 3);
    v.Byte("only-when-in-view", s.OnlyWhenInView);
    v.Ref("group", rkGroup, s.Group);
    v.Bits("reveal-cells", s.RevealCells);
    v.Refs("close-after", rkSite, s.CloseAfter);
    v.Ref("hint", rkHint, s.Hint);
    v.Ref("next-recommended", rkSite, s.NextRecommended);
}

template <class V>
void Fields(V& v, TPlotModel& p) {
    v.Ref("figure", rkFigure, p.Figure);
    v.Ref("group", rkGroup, p.Group);
    v.Int("x", p.X);
    v.Int("y", p.Y);
    v.Ints("values", p.Values);
    v.Ref("sound", rkSound, p.Sound);
    v.Bytes("bytes", p.Bytes);
    v.Byte("hidden", p.InitiallyHidden);
    v.Byte("last", p.Last);
}

template <class V>
void Fields(V& v, TRegionModel& r) {
    v.Int("number", r.Number);
    v.Ref("picture", rkPicture, r.Picture);
    v.Floats("tint", r.DefaultTint);
    v.Ref("music", rkSound, r.Music);
    v.Byte("flag", r.Flag);
}

template <class V>
void Fields(V& v, THintModel& h) {
    v.Int("number", h.Number);
    v.Ref("until-prop", rkProp, h.UntilProp);
    v.Ref("need-prop", rkProp, h.NeedProp);
    v.Int("need-amount", h.NeedAmount);
    v.Ref("until-visited", rkSite, h.UntilVisited);
    v.Ref("need-visited", rkSite, h.NeedVisited);
    v.Byte("until-entered", h.UntilEntered);
    v.Ref("until-site-entered", rkSite, h.UntilSiteEntered);
    v.Ref("not-in-region", rkRegion, h.NotInRegion);
    v.Refs("subhints", rkHint, h.Subhints);
    v.Ints("sub-amounts", h.SubAmounts);
    v.Byte("group-only", h.GroupOnly);
    v.Bytes("display", h.Display);
}

template <class V>
void Fields(V& v, TAchievementModel& a) {
    v.Int("number", a.Number);
    v.Int("order", a.Order);
    v.Ref("caption", rkCaption, a.Caption);
    v.Byte("hidden", a.Hidden);
    v.Int("target", a.Target);
    v.Ref("tracked-prop", rkProp, a.TrackedProp);
    v.Ref("parent", rkAchievement, a.Parent);
    v.Ref("revealed-by", rkAchievement, a.RevealedBy);
}

} // namespace valdmoor::scenario
