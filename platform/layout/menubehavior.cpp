#include "menubehavior.h"

#include "node.h"
#include "nodeguard.h"
#include "window.h"

#include <QRegularExpression>
#include <algorithm>

void MenuBehavior::reset()
{
    m_openMenu = m_menuOwner = 0;
    parseMenuRules();
}

void MenuBehavior::parseMenuRules()
{
    m_rules.clear();
    QString css = window().styleText();
    css.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));
    static const QRegularExpression rule(QStringLiteral("([^{}@;]+)\\{([^{}]*)\\}"));
    static const QRegularExpression decl(QStringLiteral("context-menu\\s*:\\s*selector\\(([^)]*)\\)"));
    auto it = rule.globalMatch(css);
    while (it.hasNext()) {
        const auto m = it.next();
        const auto d = decl.match(m.captured(2));
        if (!d.hasMatch())
            continue;
        if (auto owner = CssSelector::Parse(m.captured(1).trimmed().toStdString()))
            m_rules.push_back({*owner, d.captured(1).trimmed().toStdString()});
    }
}

bool MenuBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    switch (in.type) {
    case layout::LayoutInput::Click:
        return clickWhileOpen(target);
    case layout::LayoutInput::ContextMenu:
        return openFor(target, in.x, in.y);
    case layout::LayoutInput::KeyDown:
        if (in.key == QLatin1String("Escape"))
            hide();
        return false;
    default:
        return false;
    }
}

bool MenuBehavior::clickWhileOpen(LayoutNode* target)
{
    if (!m_openMenu)
        return false;
    LayoutNode* menu = NodeFromId(m_openMenu);
    if (menu && target && (target == menu || menu->isAncestorOf(target))) {
        LayoutNode* item = LayoutNode::Closest(target, [](LayoutNode* n) { return n->tag == "li"; });
        if (item && menu->isAncestorOf(item) && !(item->state & STATE_DISABLED)) {
            LayoutNode* owner = NodeFromId(m_menuOwner);
            NodeGuard keepOwner(owner), keepItem(item);
            hide();
            window().sendBehaviorEvent(MENU_ITEM_CLICK, item, owner);
        }
        return true;  // separators and disabled items do nothing
    }
    hide();  // a click outside closes the menu and goes on
    return false;
}

bool MenuBehavior::openFor(LayoutNode* target, int x, int y)
{
    for (LayoutNode* n = target; n; n = n->parent) {
        const bool named =
            std::any_of(m_rules.begin(), m_rules.end(), [&](const MenuRule& r) { return r.owner.Matches(n); });
        if (named) {
            show(n, x, y);
            return true;
        }
    }
    return false;
}

LayoutNode* MenuBehavior::menuFor(const LayoutNode* owner) const
{
    // The first rule that names the owner decides, even when its menu is missing.
    for (const MenuRule& r : m_rules) {
        if (!r.owner.Matches(owner))
            continue;
        const auto sel = CssSelector::Parse(r.menuSelector);
        if (!sel)
            return nullptr;
        std::vector<LayoutNode*> stack{window().document()};
        while (!stack.empty()) {
            LayoutNode* n = stack.back();
            stack.pop_back();
            if (sel->Matches(n))
                return n;
            for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
                stack.push_back(*it);
        }
        return nullptr;
    }
    return nullptr;
}

void MenuBehavior::show(LayoutNode* owner, int x, int y)
{
    LayoutNode* menu = menuFor(owner);
    if (!menu)
        return;
    hide();
    NodeGuard keepMenu(menu), keepOwner(owner);
    window().sendBehaviorEvent(CONTEXT_MENU_SETUP, owner, menu);
    if (LayoutNode::FromHandle(menu->handle()) != menu || menu->owningWindow() != &window())
        return;  // the set-up removed it
    m_openMenu = menu->id;
    m_menuOwner = owner->id;
    HLWindow::SetState(menu, STATE_POPUP, 0);
    window().log(
        {{"op", "menu"}, {"show", true}, {"id", qint64(menu->id)}, {"anchor", qint64(owner->id)}, {"x", x}, {"y", y}});
}

void MenuBehavior::hide()
{
    if (!m_openMenu)
        return;
    const uint32_t id = m_openMenu;
    m_openMenu = m_menuOwner = 0;
    if (LayoutNode* menu = NodeFromId(id))
        HLWindow::SetState(menu, 0, STATE_POPUP);
    window().log({{"op", "menu"}, {"show", false}, {"id", qint64(id)}});
}
