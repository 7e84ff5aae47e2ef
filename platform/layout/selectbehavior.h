#pragma once

#include "layoutbehavior.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

// <widget type="select" multiple>: its <option> rows carry STATE_CHECKED.
// A click selects one row, Ctrl-click toggles a row, Shift-click selects the
// range from the anchor row; arrows, Home and End move the current row
// (Shift extends), Ctrl+A selects every row. A right press on a row that is
// not selected selects it alone, before the context menu opens; on a selected
// row it keeps the selection. Each change is reported as
// SELECT_SELECTION_CHANGED with the row as its source.
class SelectBehavior : public LayoutBehavior {
public:
    using LayoutBehavior::LayoutBehavior;

    void reset() override;
    bool handleInput(LayoutNode* target, const layout::LayoutInput& input) override;

    // The row of the list that holds focus which a keyboard's menu is for:
    // the current row when it is selected, else the first selected row; null
    // outside a list or when no row is selected.
    static LayoutNode* SelectedRowAt(LayoutNode* focus);

private:
    static std::vector<LayoutNode*> Rows(const LayoutNode* list);
    void selectRows(LayoutNode* list, LayoutNode* row, uint32_t modifiers);
    bool handleKey(LayoutNode* list, const QString& key, uint32_t modifiers);

    std::unordered_map<uint32_t, uint32_t> m_anchor;   // list id -> anchor row id
    std::unordered_map<uint32_t, uint32_t> m_current;  // list id -> current row id
};
