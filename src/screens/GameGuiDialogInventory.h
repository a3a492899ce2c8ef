// The inventory: every prop the hero holds, grouped by kind under the kind's icon, laid out in
// the grid that wastes the fewest cells; and, in debug mode, a list of every prop there is.
#pragma once

#include "gui/EngineGuiDialogs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace valdmoor {

class TProp;
class TSquare;
class TGuiControlPropInventory;

constexpr float InventoryCell = 90;
constexpr float InventoryGap = 12;
constexpr int32_t InventoryMaxRows = 6;
constexpr int32_t InventoryMinColumns = 2;
constexpr int32_t InventoryMaxColumns = 14;
constexpr int32_t InventoryOrderCount = 4;

// The order kind groups are laid out in, for order 1..4 (always Property first, Item last).
const std::array<int32_t, 5>& InventoryKindOrder(int32_t order);

// The chosen arrangement: kind order, columns tried, and the cells the grid really uses.
struct TInventoryLayout {
    int32_t Order = 1;
    int32_t Columns = InventoryMinColumns;
    int32_t UsedWidth = 0;
    int32_t UsedRows = 0;
    int32_t Waste = 0;
};

// The candidate with the least waste among those of at most six rows; ties keep the lower
// order, then the fewer columns.
TInventoryLayout ChooseInventoryLayout(const std::array<int32_t, 5>& counts);
// Waste and used size of one candidate.
TInventoryLayout SimulateInventoryLayout(const std::array<int32_t, 5>& counts, int32_t order,
                                         int32_t columns);
// The grid's size in units: cells and the gaps between them; (0, 0) without cells.
TVector2 InventoryGridSize(const TInventoryLayout& layout);

// One cell of the laid-out grid: the kind's icon (Index -1) or its Index-th prop tile (0-based).
struct TInventoryCell {
    int32_t Kind = 0;
    int32_t Index = -1;
    int32_t Column = 1; // 1-based
    int32_t Row = 1;
};
// Calls Place for every cell of Counts laid out as Layout, in order.
template <class TPlace>
void ForEachInventoryCell(const std::array<int32_t, 5>& counts, const TInventoryLayout& layout,
                          TPlace&& place) {
    const int32_t w = layout.Columns;
    int32_t x = 1;
    int32_t row = 1;
    for (const int32_t kind : InventoryKindOrder(layout.Order)) {
        const int32_t n = counts[kind];
        if (n <= 0) {
            continue;
        }
        if (n < w) {
            if (x + n > w) {
                ++row;
                x = 1;
            }
            place(TInventoryCell{kind, -1, x, row});
            for (int32_t i = 0; i < n; ++i) {
                place(TInventoryCell{kind, i, x + 1 + i, row});
            }
            x += n + 1;
        } else {
            if (x > 1) {
                ++row;
                x = 1;
            }
            place(TInventoryCell{kind, -1, 1, row});
            for (int32_t i = 0; i < n; ++i) {
                place(TInventoryCell{kind, i, 2 + i % (w - 1), row + i / (w - 1)});
            }
            row += (n - 1) / (w - 1) + 1;
            x = 1;
        }
    }
}

// Whether the inventory lists the prop: properties always, the others while held.
bool InventoryShows(const TProp& prop);

class TGuiDialogInventory : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    TGuiControl* CanvasControl = nullptr;
    TInventoryLayout Arrangement;
};

// Every prop of the world as a grid of pictures; choosing one only closes the list.
class TGuiDialogShowAllProps : public TGuiDialogChoose {
public:
    using TGuiDialogChoose::TGuiDialogChoose;
    void FillItems() override;
    void PresentItem(TGuiControlButtonChoose* button, TItem* item) override;
};

// The gilt frame around the inventory and hint plates: the nine-part picture without a fill
// (the engine's border control fills its inside with its colour, which would hide the plate).
class TGuiControlPlateFrame : public TGuiControl {
public:
    void Refresh(bool visible) override;

    TSquare* Square = nullptr;
};
// A plate of the inventory's colour with that frame around it, both the size of the layout.
void CreatePlateWithFrame(TGuiForm* form);

// One prop tile of the inventory at (X, Y) of the dialog: the prop's picture on its plate, with
// the count held and the prop's label as its hint.
TGuiControlPropInventory* CreateInventoryTile(TGuiForm* form, TProp* prop, float x, float y);

// Records that the story stage went back to 0, the way every story change is recorded.
void ClearStoryStage();

} // namespace valdmoor
