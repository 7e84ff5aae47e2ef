#pragma once

#include "layoutbehavior.h"

#include <cstdint>

// Pop-ups: an element with titleid="X" shows the element with id X while
// the pointer is over it, after the host has filled it (POPUP_REQUEST).
// Leaving the element or Escape hides it.
class PopupBehavior : public LayoutBehavior {
public:
    using LayoutBehavior::LayoutBehavior;

    void reset() override;
    bool handleInput(LayoutNode* target, const layout::LayoutInput& input) override;

private:
    void show(LayoutNode* source);
    void hide();

    uint32_t m_openPopup = 0;  // node ids
    uint32_t m_popupSource = 0;
};
