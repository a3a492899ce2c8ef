#include "screens/GameGuiDialogInventory.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "players/GameState.h"
#include "screens/GameGuiControlProp.h"
#include "texts/EngineTexts.h"
#include "world/GamePlayActions.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameScenario.h"

#include <algorithm>
#include <vector>

namespace valdmoor {

namespace {

constexpr float Margin = 40;
constexpr float TitleRow = 70;
constexpr float ButtonRow = 80;
constexpr float ExtraRow = 50;
constexpr float MinInnerWidth = 520;
constexpr float ButtonHeight = 44;
constexpr int32_t PlateColor = 0x302010;
constexpr float PlateAlpha = 0.66f;
constexpr int32_t IconColor = 0xD0AC80;

constexpr std::array<std::array<int32_t, 5>, InventoryOrderCount> KindOrders{{
    {pkProperty, pkKnowledge, pkSkill, pkCompanion, pkItem},
    {pkProperty, pkSkill, pkKnowledge, pkCompanion, pkItem},
    {pkProperty, pkKnowledge, pkCompanion, pkSkill, pkItem},
    {pkProperty, pkCompanion, pkKnowledge, pkSkill, pkItem},
}};

float CellCentre(int32_t index) {
    return static_cast<float>(index - 1) * (InventoryCell + InventoryGap) + InventoryCell / 2;
}

} // namespace

const std::array<int32_t, 5>& InventoryKindOrder(int32_t order) {
    return KindOrders[static_cast<std::size_t>(std::clamp(order, 1, InventoryOrderCount) - 1)];
}

TInventoryLayout SimulateInventoryLayout(const std::array<int32_t, 5>& counts, int32_t order,
                                         int32_t columns) {
    const int32_t w = std::max(columns, InventoryMinColumns);
    TInventoryLayout result{order, w, 0, 0, 0};
    int32_t x = 1;
    int32_t row = 1;
    int32_t partial = 0;
    int32_t waste = 0;
    for (const int32_t kind : InventoryKindOrder(order)) {
        const int32_t n = counts[kind];
        if (n <= 0) {
            continue;
        }
        if (n < w) {
            if (x + n > w) {
                waste += w - x + 1;
                ++partial;
                ++row;
                x = n + 2;
            } else {
                x += n + 1;
            }
            result.UsedRows = row;
            result.UsedWidth = std::max(result.UsedWidth, x - 1);
        } else {
            if (x > 1) {
                waste += w - x + 1;
                ++partial;
                x = 1;
                ++row;
            }
            const int32_t rest = n % (w - 1);
            if (rest > 0) {
                waste += w - rest - 1;
                ++partial;
            }
            row += (n - 1) / (w - 1) + 1;
            result.UsedRows = row - 1;
            result.UsedWidth = w;
        }
    }
    if (x > 1) {
        waste += w - x + 1;
        ++partial;
    }
    waste -= partial * (w - result.UsedWidth);
    result.Waste = waste;
    return result;
}

TInventoryLayout ChooseInventoryLayout(const std::array<int32_t, 5>& counts) {
    TInventoryLayout best;
    bool found = false;
    for (int32_t order = 1; order <= InventoryOrderCount; ++order) {
        for (int32_t w = InventoryMinColumns; w <= InventoryMaxColumns; ++w) {
            const TInventoryLayout candidate = SimulateInventoryLayout(counts, order, w);
            if (candidate.UsedRows > InventoryMaxRows) {
                continue;
            }
            if (!found || candidate.Waste < best.Waste) {
                best = candidate;
                found = true;
            }
        }
    }
    // Too many props for six rows: the widest grid of the first order, rows as they come.
    return found ? best : SimulateInventoryLayout(counts, 1, InventoryMaxColumns);
}

TVector2 InventoryGridSize(const TInventoryLayout& layout) {
    const auto extent = [](int32_t cells) {
        return cells > 0 ? static_cast<float>(cells) * InventoryCell +
                               static_cast<float>(cells - 1) * InventoryGap
                         : 0.0f;
    };
    return {extent(layout.UsedWidth), extent(layout.UsedRows)};
}

void TGuiControlPlateFrame::Refresh(bool visible) {
    if (!visible) {
        ReleaseSquare(Square);
        return;
    }
    if (Square == nullptr) {
        CreateSquare(Square, Canvas, Layer, false, TextureName, SquareBorderFromName(TextureName));
        SetSquareSize(Square, Size.X, Size.Y);
    }
    SetSquarePosition(Square, Position.X, Position.Y);
    SetSquareColor(Square, Color.Red, Color.Green, Color.Blue);
    SetSquareAlpha(Square, Alpha);
}

void CreatePlateWithFrame(TGuiForm* form) {
    CreateControl<TGuiControlPlate>(form, -1000, {{10, PlateColor}, {11, PlateAlpha}, {3, false}});
    CreateControl<TGuiControlPlateFrame>(form, -980, {{12, "G2Square28Border"}, {3, false}});
}

bool InventoryShows(const TProp& prop) {
    return prop.Kind == pkProperty || prop.Count != 0;
}

TGuiControlPropInventory* CreateInventoryTile(TGuiForm* form, TProp* prop, float x, float y) {
    form->Layout = {x, y, InventoryCell, InventoryCell};
    auto* tile = CreateControl<TGuiControlPropInventory>(form, 0, {{23, prop->InventoryLabel()}});
    if (tile != nullptr) {
        // The tile shows what the hero holds now; the inventory is rebuilt on every opening.
        tile->SetEntry({prop, prop->Count}, false);
    }
    return tile;
}

void ClearStoryStage() {
    SetStoryStage(0);
    if (TCustomPlayerState* state = CurrentGameState()) {
        TData data;
        data.Kind = evStoryStageSet;
        data.SetValue(0);
        state->RecordEvent(data);
    }
}

void TGuiDialogInventory::Show(int32_t) {
    std::array<std::vector<TProp*>, PropKindCount> shown;
    for (TProp& prop : ScenarioProps()) {
        if (prop.Kind >= 0 && prop.Kind < PropKindCount && InventoryShows(prop)) {
            shown[static_cast<std::size_t>(prop.Kind)].push_back(&prop);
        }
    }
    std::array<int32_t, 5> counts{};
    for (std::size_t k = 0; k < counts.size(); ++k) {
        counts[k] = static_cast<int32_t>(shown[k].size());
    }
    Arrangement = ChooseInventoryLayout(counts);
    const TVector2 grid = InventoryGridSize(Arrangement);
    const bool stageClose = StoryStage() == 2;
    const bool debug = SwitchDebug();
    const float inner = std::max(grid.X, MinInnerWidth);
    const float width = inner + 2 * Margin;
    const float height = 2 * Margin + TitleRow + grid.Y + ButtonRow + (stageClose ? ExtraRow : 0) +
                         (debug ? ExtraRow : 0);
    const float top = -height / 2;

    TGuiForm::Layout = {0, 0, width, height};
    CanvasControl = CreateControl<TGuiControlCanvas>(this, 0);
    CreatePlateWithFrame(this);
    TGuiForm::Layout = {0, top + Margin + TitleRow / 2, inner, TitleRow};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "LabelInventory"}, {9, FontGame}});

    const float left = -grid.X / 2;
    const float gridTop = top + Margin + TitleRow;
    ForEachInventoryCell(counts, Arrangement, [&](const TInventoryCell& cell) {
        const float x = left + CellCentre(cell.Column);
        const float y = gridTop + CellCentre(cell.Row);
        if (cell.Index < 0) {
            TGuiForm::Layout = {x, y, InventoryCell, InventoryCell};
            CreateControl<TGuiControlPicture>(
                this, 0, {{12, "G2Inventory"}, {15, cell.Kind}, {10, IconColor}});
        } else {
            CreateInventoryTile(
                this,
                shown[static_cast<std::size_t>(cell.Kind)][static_cast<std::size_t>(cell.Index)], x,
                y);
        }
    });

    float y = height / 2 - Margin - ButtonRow / 2;
    TGuiForm::Layout = {stageClose ? 0.0f : -40.0f, y, 200, ButtonHeight};
    TGuiControl* close =
        CreateControl<TGuiControlButton>(this, 0, {{0, "Close"}, {22, "ButtonClose"}});
    Shortcuts[0] = close;
    Shortcuts[1] = close;
    Shortcuts[3] = close;
    if (stageClose) {
        SetFocus(this, "Close", 1);
    } else {
        TGuiForm::Layout = {110, y, ButtonHeight + 16, ButtonHeight + 16};
        CreateControl<TGuiControlButtonChoose>(
            this, 0, {{0, "Achievements"}, {12, "G2AchievementIcons"}, {24, "HintAchievements"}});
    }
    if (debug) {
        y -= ExtraRow + (stageClose ? ExtraRow : 0);
        TGuiForm::Layout = {0, y, 200, ButtonHeight};
        CreateControl<TGuiControlButton>(this, 0,
                                         {{0, "ShowItems"},
                                          {21, "SHOW ITEMS"},
                                          {23, "Show all available items"},
                                          {26, "Default"}});
    }
    PlaySound(this, "G8SceneDialogOpen", false, 0);
}

void TGuiDialogInventory::Refresh(int32_t) {
    SetControlAlpha(CanvasControl, Fade);
}

void TGuiDialogInventory::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    const std::string& name = Sender->Name();
    if (name == "Close") {
        CloseInventoryDialog();
        CloseDialog(this);
    } else if (name == "Achievements") {
        ShowDialog("Achievements");
    } else if (name == "ShowItems" && SwitchDebug()) {
        ShowDialog("ShowAllProps");
    }
}

void TGuiDialogShowAllProps::FillItems() {
    ItemWidth = InventoryCell;
    ItemHeight = InventoryCell;
    Items = &ScenarioProps();
}

void TGuiDialogShowAllProps::PresentItem(TGuiControlButtonChoose* button, TItem* item) {
    const auto* prop = static_cast<const TProp*>(item);
    if (button == nullptr || prop == nullptr) {
        return;
    }
    SetControlProperty(button, 12, prop->Picture != nullptr ? prop->Picture->Name() : "");
    SetControlProperty(button, 15, prop->PictureFrame);
    SetControlProperty(button, 23, prop->DisplayName());
}

} // namespace valdmoor
