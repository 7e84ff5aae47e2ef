#include "window.h"

#include "node.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>

namespace {

// Keeps a node alive while a handler runs, whatever the handler deletes.
class NodeGuard {
public:
    explicit NodeGuard(LayoutNode* n) : m_n(n)
    {
        if (m_n)
            m_n->retain();
    }
    ~NodeGuard()
    {
        if (m_n)
            m_n->release();
    }
    NodeGuard(const NodeGuard&) = delete;
    NodeGuard& operator=(const NodeGuard&) = delete;

private:
    LayoutNode* m_n;
};

bool IsWidget(const LayoutNode* n, const char* type)
{
    if (!n || n->isText || n->tag != "widget")
        return false;
    const QString* t = n->attribute("type");
    return t && *t == QLatin1String(type);
}

template <typename Pred>
LayoutNode* Closest(LayoutNode* n, Pred pred)
{
    for (; n; n = n->parent)
        if (!n->isText && pred(n))
            return n;
    return nullptr;
}

bool IsListRow(const LayoutNode* n)
{
    return n->tag == "option" && IsWidget(n->parent, "select");
}

std::vector<LayoutNode*> Rows(const LayoutNode* list)
{
    std::vector<LayoutNode*> rows;
    for (LayoutNode* c : list->children)
        if (!c->isText && c->tag == "option")
            rows.push_back(c);
    return rows;
}

}  // namespace

HLWindow::~HLWindow()
{
    if (document) {
        document->window = nullptr;
        document->release();
    }
}

void HLWindow::load(LayoutNode* doc, const QString& style)
{
    if (document) {
        document->window = nullptr;
        document->release();
    }
    document = doc;
    document->window = this;
    styleText = style;
    mutations.clear();
    m_openMenu = m_menuOwner = m_openPopup = m_popupSource = 0;
    m_anchor.clear();
    m_current.clear();
    parseMenuRules();
}

void HLWindow::parseMenuRules()
{
    menuRules.clear();
    QString css = styleText;
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
            menuRules.push_back({*owner, d.captured(1).trimmed().toStdString()});
    }
}

intptr_t HLWindow::notify(NMHDR* record)
{
    record->hwndFrom = this;
    return callback ? callback(WM_NOTIFY, 0, reinterpret_cast<intptr_t>(record), callbackParam) : 0;
}

bool HLWindow::sendEvent(uint32_t group, LayoutNode* target, void* params)
{
    NodeGuard guard(target);
    bool handled = false;
    const std::vector<Handler> current = handlers;  // a handler may detach itself
    for (const Handler& h : current)
        if ((h.mask & group) || group == HANDLE_INITIALIZATION)
            handled = h.proc(h.tag, target ? target->handle() : nullptr, group, params) || handled;
    return handled;
}

bool HLWindow::sendBehaviorEvent(uint32_t cmd, LayoutNode* target, LayoutNode* source, uint32_t reason)
{
    NodeGuard guard(source);
    BEHAVIOR_EVENT_PARAMS p;
    p.cmd = cmd;
    p.heTarget = target ? target->handle() : nullptr;
    p.he = source ? source->handle() : nullptr;
    p.reason = reason;
    return sendEvent(HANDLE_BEHAVIOR_EVENT, target, &p);
}

void HLWindow::log(QJsonObject record)
{
    if (!logging)
        return;
    const bool first = mutations.empty();
    mutations.push_back(std::move(record));
    if (first && dirty)
        dirty();
}

QJsonObject HLWindow::NodeJson(const LayoutNode* n)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), qint64(n->id));
    if (n->isText) {
        o.insert(QStringLiteral("text"), n->text);
        return o;
    }
    o.insert(QStringLiteral("tag"), QString::fromStdString(n->tag));
    QJsonObject attrs;
    for (const auto& [k, v] : n->attrs)
        attrs.insert(QString::fromStdString(k), v);
    o.insert(QStringLiteral("attrs"), attrs);
    o.insert(QStringLiteral("state"), qint64(n->state));
    QJsonArray kids;
    for (const LayoutNode* c : n->children)
        kids.append(NodeJson(c));
    o.insert(QStringLiteral("children"), kids);
    return o;
}

LayoutNode* HLWindow::findById(const QString& id) const
{
    if (!document)
        return nullptr;
    std::vector<LayoutNode*> stack{document};
    while (!stack.empty()) {
        LayoutNode* n = stack.back();
        stack.pop_back();
        if (const QString* v = n->isText ? nullptr : n->attribute("id"); v && *v == id)
            return n;
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            stack.push_back(*it);
    }
    return nullptr;
}

void HLWindow::setState(LayoutNode* n, uint32_t set, uint32_t clear)
{
    const uint32_t next = (n->state & ~clear) | set;
    if (next == n->state)
        return;
    n->state = next;
    if (n->owningWindow() == this)
        log({{"op", "state"}, {"id", qint64(n->id)}, {"state", qint64(n->state)}});
}

void HLWindow::showMenu(LayoutNode* owner, int x, int y)
{
    LayoutNode* menu = nullptr;
    for (const MenuRule& r : menuRules) {
        if (!r.owner.Matches(owner))
            continue;
        auto sel = CssSelector::Parse(r.menuSelector);
        if (!sel)
            return;
        std::vector<LayoutNode*> stack{document};
        while (!stack.empty() && !menu) {
            LayoutNode* n = stack.back();
            stack.pop_back();
            if (sel->Matches(n))
                menu = n;
            for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
                stack.push_back(*it);
        }
        break;
    }
    if (!menu)
        return;
    hideMenu();
    NodeGuard keepMenu(menu), keepOwner(owner);
    sendBehaviorEvent(CONTEXT_MENU_SETUP, owner, menu);
    if (LayoutNode::FromHandle(menu->handle()) != menu || menu->owningWindow() != this)
        return;  // the set-up removed it
    m_openMenu = menu->id;
    m_menuOwner = owner->id;
    setState(menu, STATE_POPUP, 0);
    log({{"op", "menu"}, {"show", true}, {"id", qint64(menu->id)}, {"anchor", qint64(owner->id)}, {"x", x}, {"y", y}});
}

void HLWindow::hideMenu()
{
    if (!m_openMenu)
        return;
    const uint32_t id = m_openMenu;
    m_openMenu = m_menuOwner = 0;
    if (LayoutNode* menu = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(id))))
        setState(menu, 0, STATE_POPUP);
    log({{"op", "menu"}, {"show", false}, {"id", qint64(id)}});
}

void HLWindow::showPopup(LayoutNode* source)
{
    const QString* popupId = source->attribute("titleid");
    LayoutNode* popup = popupId ? findById(*popupId) : nullptr;
    if (!popup)
        return;
    if (m_openPopup && m_popupSource == source->id)
        return;
    hidePopup();
    NodeGuard keep(popup);
    sendBehaviorEvent(POPUP_REQUEST, popup, source);
    if (popup->owningWindow() != this)
        return;
    m_openPopup = popup->id;
    m_popupSource = source->id;
    setState(popup, STATE_POPUP, 0);
    log({{"op", "popup"}, {"show", true}, {"id", qint64(popup->id)}, {"anchor", qint64(source->id)}});
}

void HLWindow::hidePopup()
{
    if (!m_openPopup)
        return;
    const uint32_t id = m_openPopup;
    m_openPopup = m_popupSource = 0;
    if (LayoutNode* popup = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(id))))
        setState(popup, 0, STATE_POPUP);
    log({{"op", "popup"}, {"show", false}, {"id", qint64(id)}});
}

void HLWindow::selectRows(LayoutNode* list, LayoutNode* row, uint32_t modifiers)
{
    const std::vector<LayoutNode*> rows = Rows(list);
    const auto indexOf = [&](uint32_t id) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i]->id == id)
                return int(i);
        return -1;
    };
    const int target = indexOf(row->id);
    if (target < 0)
        return;
    if (modifiers & SHIFT_KEY_PRESSED) {
        int anchor = indexOf(m_anchor[list->id]);
        if (anchor < 0)
            anchor = target;
        const int lo = std::min(anchor, target), hi = std::max(anchor, target);
        for (int i = 0; i < int(rows.size()); ++i) {
            if (i >= lo && i <= hi)
                setState(rows[size_t(i)], STATE_CHECKED, 0);
            else if (!(modifiers & CONTROL_KEY_PRESSED))
                setState(rows[size_t(i)], 0, STATE_CHECKED);
        }
    } else if (modifiers & CONTROL_KEY_PRESSED) {
        if (row->state & STATE_CHECKED)
            setState(row, 0, STATE_CHECKED);
        else
            setState(row, STATE_CHECKED, 0);
        m_anchor[list->id] = row->id;
    } else {
        for (LayoutNode* r : rows)
            if (r != row)
                setState(r, 0, STATE_CHECKED);
        setState(row, STATE_CHECKED, 0);
        m_anchor[list->id] = row->id;
    }
    if (LayoutNode* old = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(m_current[list->id]))))
        setState(old, 0, STATE_CURRENT);
    m_current[list->id] = row->id;
    setState(row, STATE_CURRENT, 0);
    sendBehaviorEvent(SELECT_SELECTION_CHANGED, list, row);
}

bool HLWindow::handleListKey(LayoutNode* list, const QString& key, uint32_t modifiers)
{
    const std::vector<LayoutNode*> rows = Rows(list);
    if (rows.empty())
        return false;
    if ((modifiers & CONTROL_KEY_PRESSED) && key.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
        for (LayoutNode* r : rows)
            setState(r, STATE_CHECKED, 0);
        sendBehaviorEvent(SELECT_SELECTION_CHANGED, list, rows.front());
        return true;
    }
    int cur = -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i]->id == m_current[list->id])
            cur = int(i);
    int next;
    if (key == QLatin1String("ArrowDown"))
        next = cur < 0 ? 0 : std::min(cur + 1, int(rows.size()) - 1);
    else if (key == QLatin1String("ArrowUp"))
        next = cur < 0 ? 0 : std::max(cur - 1, 0);
    else if (key == QLatin1String("Home"))
        next = 0;
    else if (key == QLatin1String("End"))
        next = int(rows.size()) - 1;
    else
        return false;
    selectRows(list, rows[size_t(next)], modifiers & SHIFT_KEY_PRESSED);
    return true;
}

void HLWindow::processInput(const layout::LayoutInput& in)
{
    if (hook && hook(this, in))
        return;
    LayoutNode* target = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(in.target)));
    if (target && target->owningWindow() != this)
        target = nullptr;
    if (target && target->isText)
        target = target->parent;
    NodeGuard keep(target);

    auto mouse = [&](uint32_t cmd) {
        MOUSE_PARAMS p;
        p.cmd = cmd;
        p.target = target ? target->handle() : nullptr;
        p.pos = p.pos_document = {in.x, in.y};
        p.button_state = in.button == 2 ? 2 : 1;
        p.alt_state = in.modifiers;
        sendEvent(HANDLE_MOUSE, target, &p);
    };

    switch (in.type) {
    case layout::LayoutInput::MouseDown:
        mouse(MOUSE_DOWN);
        break;
    case layout::LayoutInput::MouseUp:
        mouse(MOUSE_UP);
        break;
    case layout::LayoutInput::DoubleClick:
        mouse(MOUSE_DCLICK);
        break;
    case layout::LayoutInput::Click: {
        if (m_openMenu) {
            LayoutNode* menu = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(m_openMenu)));
            if (menu && target && (target == menu || menu->isAncestorOf(target))) {
                LayoutNode* item = Closest(target, [&](LayoutNode* n) { return n->tag == "li"; });
                if (item && menu->isAncestorOf(item) && !(item->state & STATE_DISABLED)) {
                    LayoutNode* owner = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(m_menuOwner)));
                    NodeGuard keepOwner(owner), keepItem(item);
                    hideMenu();
                    sendBehaviorEvent(MENU_ITEM_CLICK, item, owner);
                }
                return;  // separators and disabled items do nothing
            }
            hideMenu();  // a click outside closes the menu and goes on
        }
        if (!target)
            return;
        if (LayoutNode* button = Closest(target, [](LayoutNode* n) { return IsWidget(n, "button"); })) {
            if (!(button->state & STATE_DISABLED))
                sendBehaviorEvent(BUTTON_CLICK, button, button);
            return;
        }
        if (LayoutNode* row = Closest(target, [](LayoutNode* n) { return IsListRow(n); })) {
            if (!(row->parent->state & STATE_DISABLED))
                selectRows(row->parent, row, in.modifiers);
        }
        break;
    }
    case layout::LayoutInput::ContextMenu: {
        for (LayoutNode* n = target; n; n = n->parent) {
            const bool named =
                std::any_of(menuRules.begin(), menuRules.end(), [&](const MenuRule& r) { return r.owner.Matches(n); });
            if (named) {
                showMenu(n, in.x, in.y);
                break;
            }
        }
        break;
    }
    case layout::LayoutInput::KeyDown: {
        if (in.key == QLatin1String("Escape")) {
            hideMenu();
            hidePopup();
            break;
        }
        if (LayoutNode* list = Closest(target, [](LayoutNode* n) { return IsWidget(n, "select"); }))
            handleListKey(list, in.key, in.modifiers);
        break;
    }
    case layout::LayoutInput::HoverEnter: {
        LayoutNode* source = Closest(target, [](LayoutNode* n) { return n->attribute("titleid") != nullptr; });
        if (source)
            showPopup(source);
        else
            hidePopup();
        break;
    }
    case layout::LayoutInput::HoverLeave: {
        LayoutNode* source = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(m_popupSource)));
        if (m_openPopup && target && source && (target == source || source->isAncestorOf(target)))
            hidePopup();
        break;
    }
    case layout::LayoutInput::TextChanged: {
        // The view already shows what was typed: the model follows without a record.
        if (LayoutNode* box = Closest(target, [](LayoutNode* n) { return IsWidget(n, "text"); })) {
            box->removeAllChildren();
            if (!in.text.isEmpty())
                box->appendChild(LayoutNode::NewText(in.text));
        }
        break;
    }
    }
}
