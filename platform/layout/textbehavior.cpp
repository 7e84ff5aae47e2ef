#include "textbehavior.h"

#include "node.h"

bool TextBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    if (in.type != layout::LayoutInput::TextChanged)
        return false;
    LayoutNode* box = LayoutNode::Closest(target, [](LayoutNode* n) { return LayoutNode::IsWidget(n, "text"); });
    if (!box)
        return false;
    box->removeAllChildren();
    if (!in.text.isEmpty())
        box->appendChild(LayoutNode::NewText(in.text));
    return true;
}
