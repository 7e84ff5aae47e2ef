#include "selectbehavior.h"

#include "node.h"
#include "window.h"

#include <algorithm>

namespace {

bool IsListRow(const LayoutNode* n)
{
    return n->tag == "option" && LayoutNode::IsWidget(n->parent, "select");
}

}  // namespace

void SelectBehavior::reset()
{
    m_anchor.clear();
    m_current.clear();
}

bool SelectBehavior::handleInput(LayoutNode* target, const layout::LayoutInput& in)
{
    switch (in.type) {
    case layout::LayoutInput::Click: {
        LayoutNode* row = LayoutNode::Closest(target, [](LayoutNode* n) { return IsListRow(n); });
        if (!row)
            return false;
        if (!(row->parent->state & STATE_DISABLED))
            selectRows(row->parent, row, in.modifiers);
        return true;
    }
    case layout::LayoutInput::MouseDown: {
        // A right press on a row outside the selection makes it the selection,
        // so the context menu that follows acts on the row pointed at; on a
        // selected row the whole selection stays.
        if (in.button != layout::LayoutInput::RightButton)
            return false;
        LayoutNode* row = LayoutNode::Closest(target, [](LayoutNode* n) { return IsListRow(n); });
        if (row && !(row->state & STATE_CHECKED) && !(row->parent->state & STATE_DISABLED))
            selectRows(row->parent, row, 0);
        return false;
    }
    case layout::LayoutInput::KeyDown: {
        LayoutNode* list = LayoutNode::Closest(target, [](LayoutNode* n) { return LayoutNode::IsWidget(n, "select"); });
        return list && handleKey(list, in.key, in.modifiers);
    }
    default:
        return false;
    }
}

LayoutNode* SelectBehavior::SelectedRowAt(LayoutNode* focus)
{
    const LayoutNode* list =
        LayoutNode::Closest(focus, [](LayoutNode* n) { return LayoutNode::IsWidget(n, "select"); });
    if (!list)
        return nullptr;
    LayoutNode* first = nullptr;
    for (LayoutNode* r : Rows(list)) {
        if (!(r->state & STATE_CHECKED))
            continue;
        if (r->state & STATE_CURRENT)
            return r;
        if (!first)
            first = r;
    }
    return first;
}

std::vector<LayoutNode*> SelectBehavior::Rows(const LayoutNode* list)
{
    std::vector<LayoutNode*> rows;
    for (LayoutNode* c : list->children)
        if (!c->isText && c->tag == "option")
            rows.push_back(c);
    return rows;
}

void SelectBehavior::selectRows(LayoutNode* list, LayoutNode* row, uint32_t modifiers)
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
                HLWindow::SetState(rows[size_t(i)], STATE_CHECKED, 0);
            else if (!(modifiers & CONTROL_KEY_PRESSED))
                HLWindow::SetState(rows[size_t(i)], 0, STATE_CHECKED);
        }
    } else if (modifiers & CONTROL_KEY_PRESSED) {
        if (row->state & STATE_CHECKED)
            HLWindow::SetState(row, 0, STATE_CHECKED);
        else
            HLWindow::SetState(row, STATE_CHECKED, 0);
        m_anchor[list->id] = row->id;
    } else {
        for (LayoutNode* r : rows)
            if (r != row)
                HLWindow::SetState(r, 0, STATE_CHECKED);
        HLWindow::SetState(row, STATE_CHECKED, 0);
        m_anchor[list->id] = row->id;
    }
    if (LayoutNode* old = NodeFromId(m_current[list->id]))
        HLWindow::SetState(old, 0, STATE_CURRENT);
    m_current[list->id] = row->id;
    HLWindow::SetState(row, STATE_CURRENT, 0);
    window().sendBehaviorEvent(SELECT_SELECTION_CHANGED, list, row);
}

bool SelectBehavior::handleKey(LayoutNode* list, const QString& key, uint32_t modifiers)
{
    const std::vector<LayoutNode*> rows = Rows(list);
    if (rows.empty())
        return false;
    if ((modifiers & CONTROL_KEY_PRESSED) && key.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
        for (LayoutNode* r : rows)
            HLWindow::SetState(r, STATE_CHECKED, 0);
        window().sendBehaviorEvent(SELECT_SELECTION_CHANGED, list, rows.front());
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
