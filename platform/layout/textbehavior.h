#pragma once

#include "layoutbehavior.h"

// <widget type="text">: its text is what the user typed. The view already
// shows it, so the model follows without a record for the view.
class TextBehavior : public LayoutBehavior {
public:
    using LayoutBehavior::LayoutBehavior;

    bool handleInput(LayoutNode* target, const layout::LayoutInput& input) override;
};
