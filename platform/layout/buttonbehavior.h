#pragma once

#include "layoutbehavior.h"

// <widget type="button">: a click anywhere in an enabled button is a
// BUTTON_CLICK, and so is Space or Enter while the button has the focus; a
// disabled one does nothing at all.
class ButtonBehavior : public LayoutBehavior {
public:
    using LayoutBehavior::LayoutBehavior;

    bool handleInput(LayoutNode* target, const layout::LayoutInput& input) override;
};
