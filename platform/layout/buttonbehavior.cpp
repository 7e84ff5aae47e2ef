#include "buttonbehavior.h"

#include "node.h"
#include "window.h"

bool ButtonBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    if (in.type != layout::LayoutInput::Click)
        return false;
    LayoutNode* button = LayoutNode::Closest(target, [](LayoutNode* n) { return LayoutNode::IsWidget(n, "button"); });
    if (!button)
        return false;
    if (!(button->state & STATE_DISABLED))
        window().sendBehaviorEvent(BUTTON_CLICK, button, button);
    return true;
}
