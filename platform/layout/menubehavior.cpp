#include "menubehavior.h"

#include "node.h"
#include "nodeguard.h"
#include "selectbehavior.h"
#include "window.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace {

bool IsItem(const LayoutNode* n)
{
    return !n->isText && n->tag == "li";
}

bool IsEnabledItem(const LayoutNode* n)
{
    return IsItem(n) && !(n->state & STATE_DISABLED);
}

}  // namespace

void MenuBehavior::reset()
{
    m_openMenu = m_menuOwner = m_returnFocus = 0;
    m_focusInMenu = false;
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
    case layout::LayoutInput::HoverEnter:
        hoverWhileOpen(target);
        return false;
    case layout::LayoutInput::KeyDown:
        return m_openMenu ? keyWhileOpen(target, in.key) : openFromKeyboard(target, in);
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
        LayoutNode* item = LayoutNode::Closest(target, IsItem);
        if (item && menu->isAncestorOf(item) && IsEnabledItem(item))
            run(item);
        return true;  // separators and disabled items do nothing
    }
    hide();  // a click outside closes the menu and goes on
    return false;
}

bool MenuBehavior::openFor(LayoutNode* target, int x, int y, LayoutNode* below)
{
    for (LayoutNode* n = target; n; n = n->parent) {
        const bool named =
            std::any_of(m_rules.begin(), m_rules.end(), [&](const MenuRule& r) { return r.owner.Matches(n); });
        if (named) {
            show(n, x, y, below);
            return true;
        }
    }
    return false;
}

bool MenuBehavior::openFromKeyboard(LayoutNode* focus, const layout::LayoutInput& in)
{
    const bool menuKey = in.key == QLatin1String("ContextMenu") && in.modifiers == 0;
    const bool shiftF10 = in.key == QLatin1String("F10") && in.modifiers == SHIFT_KEY_PRESSED;
    if (!focus || (!menuKey && !shiftF10))
        return false;
    // In a list the menu is the selected rows'; elsewhere it is the one a
    // right click on the focused element would open. It shows below the row
    // or the focused element, where the view has laid them out.
    LayoutNode* row = SelectBehavior::SelectedRowAt(focus);
    LayoutNode* at = row ? row : focus;
    NodeGuard keep(focus);
    if (!openFor(at, at->hasBox ? at->box.left : 0, at->hasBox ? at->box.bottom : 0, at) || !m_openMenu)
        return false;
    m_returnFocus = focus->id;
    m_focusInMenu = true;
    window().moveFocus(NodeFromId(m_openMenu));
    return true;
}

bool MenuBehavior::keyWhileOpen(LayoutNode* target, const QString& key)
{
    LayoutNode* menu = NodeFromId(m_openMenu);
    // A menu opened by the mouse gives the focus back to where the keys came from.
    if (!m_focusInMenu && target && !(menu && (menu == target || menu->isAncestorOf(target))))
        m_returnFocus = target->id;
    if (key == QLatin1String("Escape")) {
        hide(true);
        return false;  // an open pop-up closes too
    }
    if (key == QLatin1String("Tab")) {
        hide(true);
    } else if (key == QLatin1String("Enter")) {
        if (LayoutNode* item = currentItem())
            run(item);
    } else {
        moveCurrent(key);
    }
    return true;  // the keys behind an open menu wait until it is closed
}

void MenuBehavior::hoverWhileOpen(LayoutNode* target)
{
    LayoutNode* menu = NodeFromId(m_openMenu);
    LayoutNode* item = LayoutNode::Closest(target, IsItem);
    if (menu && item && menu->isAncestorOf(item) && IsEnabledItem(item))
        setCurrent(item, m_focusInMenu);
}

void MenuBehavior::moveCurrent(const QString& key)
{
    LayoutNode* menu = NodeFromId(m_openMenu);
    if (!menu)
        return;
    std::vector<LayoutNode*> items;
    menu->find([&](LayoutNode* n) {
        if (IsEnabledItem(n))
            items.push_back(n);
        return false;  // every one of them
    });
    if (items.empty())
        return;
    const auto found = std::find(items.begin(), items.end(), currentItem());
    const int count = int(items.size());
    const int at = found == items.end() ? -1 : int(found - items.begin());
    int next;
    if (key == QLatin1String("ArrowDown"))
        next = at < 0 ? 0 : (at + 1) % count;
    else if (key == QLatin1String("ArrowUp"))
        next = at < 0 ? count - 1 : (at + count - 1) % count;
    else if (key == QLatin1String("Home"))
        next = 0;
    else if (key == QLatin1String("End"))
        next = count - 1;
    else
        return;
    setCurrent(items[size_t(next)], true);
}

void MenuBehavior::setCurrent(LayoutNode* item, bool focus)
{
    LayoutNode* old = currentItem();
    if (old == item && (m_focusInMenu || !focus))
        return;
    if (old)
        HLWindow::SetState(old, 0, STATE_CURRENT);
    HLWindow::SetState(item, STATE_CURRENT, 0);
    if (focus) {
        m_focusInMenu = true;
        window().moveFocus(item);
    }
}

LayoutNode* MenuBehavior::currentItem() const
{
    LayoutNode* menu = NodeFromId(m_openMenu);
    return menu ? menu->find([](const LayoutNode* n) { return IsItem(n) && (n->state & STATE_CURRENT); }) : nullptr;
}

void MenuBehavior::run(LayoutNode* item)
{
    LayoutNode* owner = NodeFromId(m_menuOwner);
    NodeGuard keepOwner(owner), keepItem(item);
    hide(true);
    window().sendBehaviorEvent(MENU_ITEM_CLICK, item, owner);
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
        LayoutNode* document = window().document();
        return document ? document->find([&](const LayoutNode* n) { return sel->Matches(n); }) : nullptr;
    }
    return nullptr;
}

void MenuBehavior::show(LayoutNode* owner, int x, int y, LayoutNode* below)
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
    QJsonObject record{{"op", "menu"}, {"show", true}, {"id", qint64(menu->id)}, {"x", x}, {"y", y}};
    record.insert(QStringLiteral("anchor"), qint64(below ? below->id : owner->id));
    if (below)
        record.insert(QStringLiteral("below"), true);
    window().log(record);
}

void MenuBehavior::hide(bool restoreFocus)
{
    if (!m_openMenu)
        return;
    if (LayoutNode* item = currentItem())
        HLWindow::SetState(item, 0, STATE_CURRENT);
    const uint32_t id = m_openMenu;
    const uint32_t back = m_focusInMenu && restoreFocus ? m_returnFocus : 0;
    m_openMenu = m_menuOwner = m_returnFocus = 0;
    m_focusInMenu = false;
    if (LayoutNode* menu = NodeFromId(id))
        HLWindow::SetState(menu, 0, STATE_POPUP);
    window().log({{"op", "menu"}, {"show", false}, {"id", qint64(id)}});
    window().moveFocus(NodeFromId(back));
}
