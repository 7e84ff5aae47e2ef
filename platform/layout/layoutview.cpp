#include "layoutview.h"

#include "node.h"
#include "window.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <utility>

namespace layout {

namespace {

// The state bits the view shows, as attributes its style sheets can match
// (Chromium's :checked and :disabled do not apply to arbitrary elements).
const std::pair<uint32_t, const char*> kShownStates[] = {
    {STATE_CURRENT, "state-current"},   {STATE_CHECKED, "state-checked"}, {STATE_DISABLED, "state-disabled"},
    {STATE_READONLY, "state-readonly"}, {STATE_POPUP, "state-popup"},     {STATE_ANCHOR, "state-anchor"},
};

}  // namespace

uint32_t NodeId(HELEMENT he)
{
    LayoutNode* n = LayoutNode::FromHandle(he);
    return n ? n->id : 0;
}

HELEMENT ElementFromId(uint32_t id)
{
    LayoutNode* n = NodeFromId(id);
    return n ? n->handle() : nullptr;
}

QByteArray SnapshotDocument(HWND hwnd)
{
    if (!hwnd || !hwnd->document())
        return "{}";
    QJsonArray states;
    for (const auto& [bit, attribute] : kShownStates)
        states.append(QJsonArray{qint64(bit), QLatin1String(attribute)});
    return hwnd->snapshot(QJsonObject{{"states", states},
                                      {"modifiers", QJsonObject{{"alt", qint64(ALT_KEY_PRESSED)},
                                                                {"control", qint64(CONTROL_KEY_PRESSED)},
                                                                {"shift", qint64(SHIFT_KEY_PRESSED)}}}});
}

QByteArray TakeMutations(HWND hwnd)
{
    if (!hwnd)
        return "[]";
    QJsonArray batch;
    for (QJsonObject& r : hwnd->takeMutations())
        batch.append(std::move(r));
    return QJsonDocument(batch).toJson(QJsonDocument::Compact);
}

int PendingMutations(HWND hwnd)
{
    return hwnd ? hwnd->pendingMutations() : 0;
}

void SetDirtyCallback(HWND hwnd, std::function<void()> onDirty)
{
    if (hwnd)
        hwnd->setDirtyCallback(std::move(onDirty));
}

void ProcessInput(HWND hwnd, const LayoutInput& input)
{
    if (hwnd)
        hwnd->processInput(input);
}

void SetInputHook(HWND hwnd, InputHook hook)
{
    if (hwnd)
        hwnd->setInputHook(std::move(hook));
}

void SetElementBoxes(HWND hwnd, const QList<QPair<uint32_t, QRect>>& boxes)
{
    for (const auto& [id, r] : boxes) {
        LayoutNode* n = NodeFromId(id);
        if (!n || n->owningWindow() != hwnd)
            continue;
        n->box = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        n->hasBox = true;
    }
}

std::optional<QByteArray> RequestData(HWND hwnd, const QString& url)
{
    return hwnd ? hwnd->requestData(url) : std::nullopt;
}

QString StyleText(HWND hwnd)
{
    return hwnd ? hwnd->styleText() : QString();
}

}  // namespace layout
