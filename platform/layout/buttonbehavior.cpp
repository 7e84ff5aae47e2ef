#include "buttonbehavior.h"

#include "node.h"
#include "window.h"

bool ButtonBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    const bool pressKey = in.type == layout::LayoutInput::KeyDown &&
                          (in.key == QLatin1String(" ") || in.key == QLatin1String("Enter")) &&
                          !(in.modifiers & (ALT_KEY_PRESSED | CONTROL_KEY_PRESSED));
    if (in.type != layout::LayoutInput::Click && !pressKey)
        return false;
    LayoutNode* button = LayoutNode::Closest(target, [](LayoutNode* n) { return LayoutNode::IsWidget(n, "button"); });
    if (!button)
        return false;
    if (!(button->state & STATE_DISABLED))
        window().sendBehaviorEvent(BUTTON_CLICK, button, button);
    return true;
}
