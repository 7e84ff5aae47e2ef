#include "layoutview.h"

#include "node.h"
#include "window.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace layout {

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
    const QJsonObject o = hwnd->snapshot();
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
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
