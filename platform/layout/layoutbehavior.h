#pragma once

#include "layoutview.h"

struct LayoutNode;

// One of the engine's built-in behaviours. The window hands each raw input
// to its behaviours in a fixed order; a behaviour decides what the input
// means for the elements it serves and tells the host by behaviour events.
class LayoutBehavior {
public:
    explicit LayoutBehavior(HLWindow& window) : m_window(window) {}
    virtual ~LayoutBehavior() = default;
    LayoutBehavior(const LayoutBehavior&) = delete;
    LayoutBehavior& operator=(const LayoutBehavior&) = delete;

    // A new document is loaded: nothing of the old one is open or current.
    virtual void reset() {}
    // target is an element of the window's document, or null. True when the
    // input is used up: the behaviours after this one do not see it.
    virtual bool handleInput(LayoutNode* target, const layout::LayoutInput& input) = 0;

protected:
    HLWindow& window() const { return m_window; }

private:
    HLWindow& m_window;
};
