#include "popupbehavior.h"

#include "node.h"
#include "nodeguard.h"
#include "window.h"

void PopupBehavior::reset()
{
    m_openPopup = m_popupSource = 0;
}

bool PopupBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    switch (in.type) {
    case layout::LayoutInput::HoverEnter:
        if (LayoutNode* source =
                LayoutNode::Closest(target, [](LayoutNode* n) { return n->attribute("titleid") != nullptr; }))
            show(source);
        else
            hide();
        return false;
    case layout::LayoutInput::HoverLeave: {
        LayoutNode* source = NodeFromId(m_popupSource);
        if (m_openPopup && target && source && (target == source || source->isAncestorOf(target)))
            hide();
        return false;
    }
    case layout::LayoutInput::KeyDown:
        if (in.key == QLatin1String("Escape"))
            hide();
        return false;
    default:
        return false;
    }
}

void PopupBehavior::show(LayoutNode* source)
{
    const QString* popupId = source->attribute("titleid");
    LayoutNode* popup = popupId ? window().findById(*popupId) : nullptr;
    if (!popup)
        return;
    if (m_openPopup && m_popupSource == source->id)
        return;
    hide();
    NodeGuard keep(popup);
    window().sendBehaviorEvent(POPUP_REQUEST, popup, source);
    if (popup->owningWindow() != &window())
        return;
    m_openPopup = popup->id;
    m_popupSource = source->id;
    HLWindow::SetState(popup, STATE_POPUP, 0);
    window().log({{"op", "popup"}, {"show", true}, {"id", qint64(popup->id)}, {"anchor", qint64(source->id)}});
}

void PopupBehavior::hide()
{
    if (!m_openPopup)
        return;
    const uint32_t id = m_openPopup;
    m_openPopup = m_popupSource = 0;
    if (LayoutNode* popup = NodeFromId(id))
        HLWindow::SetState(popup, 0, STATE_POPUP);
    window().log({{"op", "popup"}, {"show", false}, {"id", qint64(id)}});
}
