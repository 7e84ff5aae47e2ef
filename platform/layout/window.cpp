#include "window.h"

#include "buttonbehavior.h"
#include "menubehavior.h"
#include "node.h"
#include "nodeguard.h"
#include "popupbehavior.h"
#include "selectbehavior.h"
#include "textbehavior.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

HLWindow::HLWindow()
{
    // The order matters: an open menu takes the click first, a button before
    // the list row it may sit in.
    m_behaviors.push_back(std::make_unique<MenuBehavior>(*this));
    m_behaviors.push_back(std::make_unique<PopupBehavior>(*this));
    m_behaviors.push_back(std::make_unique<ButtonBehavior>(*this));
    m_behaviors.push_back(std::make_unique<SelectBehavior>(*this));
    m_behaviors.push_back(std::make_unique<TextBehavior>(*this));
}

HLWindow::~HLWindow()
{
    releaseDocument();
}

void HLWindow::releaseDocument()
{
    if (!m_document)
        return;
    m_document->window = nullptr;
    m_document->release();
    m_document = nullptr;
}

void HLWindow::load(LayoutNode* doc, const QString& style)
{
    releaseDocument();
    m_document = doc;
    m_document->window = this;
    m_styleText = style;
    m_mutations.clear();
    for (const auto& b : m_behaviors)
        b->reset();
}

LayoutNode* HLWindow::findById(const QString& id) const
{
    if (!m_document)
        return nullptr;
    return m_document->find([&](const LayoutNode* n) {
        const QString* v = n->attribute("id");
        return v && *v == id;
    });
}

void HLWindow::setCallback(HTMLAYOUT_NOTIFY callback, void* param)
{
    m_callback = callback;
    m_callbackParam = param;
}

intptr_t HLWindow::notify(NMHDR* record)
{
    record->hwndFrom = this;
    return m_callback ? m_callback(WM_NOTIFY, 0, reinterpret_cast<intptr_t>(record), m_callbackParam) : 0;
}

void HLWindow::attachHandler(ElementEventProc proc, void* tag, uint32_t mask)
{
    m_handlers.push_back({proc, tag, mask});
    INITIALIZATION_PARAMS p;
    p.cmd = BEHAVIOR_ATTACH;
    proc(tag, m_document ? m_document->handle() : nullptr, HANDLE_INITIALIZATION, &p);
}

void HLWindow::detachHandler(ElementEventProc proc, void* tag)
{
    m_handlers.erase(std::remove_if(m_handlers.begin(), m_handlers.end(),
                                    [&](const Handler& h) { return h.proc == proc && h.tag == tag; }),
                     m_handlers.end());
}

bool HLWindow::sendEvent(uint32_t group, LayoutNode* target, void* params)
{
    NodeGuard guard(target);
    bool handled = false;
    const std::vector<Handler> current = m_handlers;  // a handler may detach itself
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

std::optional<QByteArray> HLWindow::requestData(const QString& url)
{
    NMHL_LOAD_DATA record;
    record.hdr.code = HLN_LOAD_DATA;
    const std::u16string uri(reinterpret_cast<const char16_t*>(url.utf16()), size_t(url.size()));
    record.uri = uri.c_str();
    m_awaitedUrl = &url;
    m_delivered.reset();
    notify(&record.hdr);
    m_awaitedUrl = nullptr;
    std::optional<QByteArray> result;
    result.swap(m_delivered);
    return result;
}

bool HLWindow::dataReady(const QString& url, const QByteArray& data)
{
    if (!m_awaitedUrl || url != *m_awaitedUrl)
        return false;
    m_delivered = data;
    return true;
}

void HLWindow::log(QJsonObject record)
{
    if (!m_logging)
        return;
    const bool first = m_mutations.empty();
    m_mutations.push_back(std::move(record));
    if (first && m_dirty)
        m_dirty();
}

void HLWindow::logUpdate()
{
    if (!m_logging)
        return;
    if (m_mutations.empty() || m_mutations.back().value(QStringLiteral("op")).toString() != QLatin1String("update"))
        log({{"op", "update"}});
}

void HLWindow::setDirtyCallback(std::function<void()> onDirty)
{
    m_logging = bool(onDirty);
    m_dirty = std::move(onDirty);
    if (!m_logging)
        m_mutations.clear();
}

namespace {

// JSON written straight into one buffer: a document of ten thousand rows is
// a hundred thousand nodes, too many for a tree of QJsonObjects to be built
// first. The same text NodeJson gives, member for member.
void AppendJsonString(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendNodeJson(QByteArray& out, const LayoutNode* n)
{
    out += "{\"id\":";
    out += QByteArray::number(n->id);
    if (n->isText) {
        out += ",\"text\":";
        AppendJsonString(out, n->text);
        out += '}';
        return;
    }
    out += ",\"tag\":";
    AppendJsonString(out, QString::fromStdString(n->tag));
    out += ",\"attrs\":{";
    for (size_t i = 0; i < n->attrs.size(); ++i) {
        if (i)
            out += ',';
        AppendJsonString(out, QString::fromStdString(n->attrs[i].first));
        out += ':';
        AppendJsonString(out, n->attrs[i].second);
    }
    out += "},\"state\":";
    out += QByteArray::number(n->state);
    out += ",\"children\":[";
    for (size_t i = 0; i < n->children.size(); ++i) {
        if (i)
            out += ',';
        AppendNodeJson(out, n->children[i]);
    }
    out += "]}";
}

}  // namespace

QByteArray HLWindow::snapshot(const QJsonObject& more)
{
    m_mutations.clear();
    QByteArray out = "{\"style\":";
    AppendJsonString(out, m_styleText);
    if (m_document) {
        out += ",\"root\":";
        AppendNodeJson(out, m_document);
    }
    const QByteArray rest = QJsonDocument(more).toJson(QJsonDocument::Compact);  // {...}
    if (rest.size() > 2) {
        out += ',';
        out += rest.mid(1);
    } else {
        out += '}';
    }
    return out;
}

std::vector<QJsonObject> HLWindow::takeMutations()
{
    std::vector<QJsonObject> out;
    out.swap(m_mutations);
    return out;
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

void HLWindow::moveFocus(const LayoutNode* n)
{
    if (n && n->owningWindow() == this)
        log({{"op", "focus"}, {"id", qint64(n->id)}});
}

void HLWindow::SetState(LayoutNode* n, uint32_t set, uint32_t clear)
{
    const uint32_t next = (n->state & ~clear) | set;
    if (next == n->state)
        return;
    n->state = next;
    if (HLWindow* w = n->owningWindow(); w && w->m_logging)
        w->log({{"op", "state"}, {"id", qint64(n->id)}, {"state", qint64(next)}});
}

void HLWindow::setInputHook(layout::InputHook hook)
{
    m_hook = std::move(hook);
}

void HLWindow::sendMouse(uint32_t cmd, LayoutNode* target, const layout::LayoutInput& in)
{
    MOUSE_PARAMS p;
    p.cmd = cmd;
    p.target = target ? target->handle() : nullptr;
    p.pos = p.pos_document = {in.x, in.y};
    p.button_state = in.button == layout::LayoutInput::RightButton ? PROP_MOUSE_BUTTON : MAIN_MOUSE_BUTTON;
    p.alt_state = in.modifiers;
    sendEvent(HANDLE_MOUSE, target, &p);
}

void HLWindow::processInput(const layout::LayoutInput& in)
{
    if (m_hook && m_hook(this, in))
        return;
    LayoutNode* target = NodeFromId(in.target);
    if (target && target->owningWindow() != this)
        target = nullptr;
    if (target && target->isText)
        target = target->parent;
    NodeGuard keep(target);

    switch (in.type) {
    case layout::LayoutInput::MouseDown:
        sendMouse(MOUSE_DOWN, target, in);
        break;
    case layout::LayoutInput::MouseUp:
        sendMouse(MOUSE_UP, target, in);
        break;
    case layout::LayoutInput::DoubleClick:
        sendMouse(MOUSE_DCLICK, target, in);
        break;
    default:
        break;
    }
    for (const auto& b : m_behaviors)
        if (b->handleInput(target, in))
            break;
}
