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
    LayoutNode* n = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(id)));
    return n ? n->handle() : nullptr;
}

QByteArray SnapshotDocument(HWND hwnd)
{
    if (!hwnd || !hwnd->document)
        return "{}";
    hwnd->mutations.clear();  // the snapshot already holds every change so far
    QJsonObject o;
    o.insert(QStringLiteral("style"), hwnd->styleText);
    o.insert(QStringLiteral("root"), HLWindow::NodeJson(hwnd->document));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray TakeMutations(HWND hwnd)
{
    if (!hwnd)
        return "[]";
    QJsonArray batch;
    for (QJsonObject& r : hwnd->mutations)
        batch.append(std::move(r));
    hwnd->mutations.clear();
    return QJsonDocument(batch).toJson(QJsonDocument::Compact);
}

int PendingMutations(HWND hwnd)
{
    return hwnd ? int(hwnd->mutations.size()) : 0;
}

void SetDirtyCallback(HWND hwnd, std::function<void()> onDirty)
{
    if (!hwnd)
        return;
    hwnd->logging = bool(onDirty);
    hwnd->dirty = std::move(onDirty);
    if (!hwnd->logging)
        hwnd->mutations.clear();
}

void ProcessInput(HWND hwnd, const LayoutInput& input)
{
    if (hwnd)
        hwnd->processInput(input);
}

void SetInputHook(HWND hwnd, InputHook hook)
{
    if (hwnd)
        hwnd->hook = std::move(hook);
}

void SetElementBoxes(HWND hwnd, const QList<QPair<uint32_t, QRect>>& boxes)
{
    for (const auto& [id, r] : boxes) {
        LayoutNode* n = LayoutNode::FromHandle(reinterpret_cast<HELEMENT>(uintptr_t(id)));
        if (!n || n->owningWindow() != hwnd)
            continue;
        n->box = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        n->hasBox = true;
    }
}

std::optional<QByteArray> RequestData(HWND hwnd, const QString& url)
{
    if (!hwnd)
        return std::nullopt;
    NMHL_LOAD_DATA record;
    record.hdr.code = HLN_LOAD_DATA;
    const std::u16string uri(reinterpret_cast<const char16_t*>(url.utf16()), size_t(url.size()));
    record.uri = uri.c_str();
    hwnd->awaitedUrl = &url;
    hwnd->delivered.reset();
    hwnd->notify(&record.hdr);
    hwnd->awaitedUrl = nullptr;
    std::optional<QByteArray> result;
    result.swap(hwnd->delivered);
    return result;
}

QString StyleText(HWND hwnd)
{
    return hwnd ? hwnd->styleText : QString();
}

}  // namespace layout
