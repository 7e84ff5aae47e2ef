#include "htmlayout.h"

#include "cssselector.h"
#include "htmlparser.h"
#include "node.h"
#include "window.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <cstring>

namespace {

// A dead or foreign handle is refused, never dereferenced; debug builds also say so.
LayoutNode* Live(HELEMENT he)
{
    LayoutNode* n = LayoutNode::FromHandle(he);
#ifndef NDEBUG
    if (!n && he)
        qCritical("layout engine: use of a dead element handle %p", static_cast<void*>(he));
#endif
    return n && !n->isText ? n : nullptr;
}

// The record is only built when a view is listening.
template <typename MakeRecord>
void LogIfShown(LayoutNode* n, MakeRecord make)
{
    HLWindow* w = n->owningWindow();
    if (w && w->logging())
        w->log(make());
}

qint64 Id(const LayoutNode* n)
{
    return n ? qint64(n->id) : 0;
}

QString FromWide(const char16_t* text, int length = -1)
{
    if (!text)
        return {};
    if (length < 0) {
        length = 0;
        while (text[length])
            ++length;
    }
    return QString(reinterpret_cast<const QChar*>(text), length);
}

// The elements below root in document order, until cb returns true.
bool Visit(LayoutNode* root, const std::function<bool(LayoutNode*)>& cb)
{
    return root->find([&](LayoutNode* n) { return n != root && cb(n); }) != nullptr;
}

}  // namespace

HWND HTMLayoutCreateWindow()
{
    return new HLWindow;
}

void HTMLayoutDestroyWindow(HWND hwnd)
{
    delete hwnd;
}

bool HTMLayoutLoadHtml(HWND hwnd, const uint8_t* html, uint32_t size)
{
    if (!hwnd || (!html && size))
        return false;
    QString style;
    LayoutNode* doc = HtmlParser::ParseDocument(std::string(reinterpret_cast<const char*>(html), size), style);
    if (!doc)
        return false;
    hwnd->load(doc, style);
    return true;
}

void HTMLayoutSetCallback(HWND hwnd, HTMLAYOUT_NOTIFY cb, void* cbParam)
{
    if (hwnd)
        hwnd->setCallback(cb, cbParam);
}

bool HTMLayoutDataReady(HWND hwnd, const char16_t* uri, const uint8_t* data, uint32_t dataLength)
{
    return hwnd && hwnd->dataReady(FromWide(uri), QByteArray(reinterpret_cast<const char*>(data), int(dataLength)));
}

HLDOM_RESULT HTMLayoutWindowAttachEventHandler(HWND hwnd, ElementEventProc pep, void* tag, uint32_t subscription)
{
    if (!hwnd)
        return HLDOM_INVALID_HWND;
    if (!pep)
        return HLDOM_INVALID_PARAMETER;
    hwnd->attachHandler(pep, tag, subscription);
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutWindowDetachEventHandler(HWND hwnd, ElementEventProc pep, void* tag)
{
    if (!hwnd)
        return HLDOM_INVALID_HWND;
    hwnd->detachHandler(pep, tag);
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayout_UseElement(HELEMENT he)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    ++n->uses;
    n->retain();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayout_UnuseElement(HELEMENT he)
{
    LayoutNode* n = Live(he);
    if (!n || n->uses == 0) {
#ifndef NDEBUG
        if (n)
            qCritical("layout engine: unuse of element %u that holds no use", n->id);
#endif
        return HLDOM_INVALID_HANDLE;
    }
    --n->uses;
    n->release();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetRootElement(HWND hwnd, HELEMENT* phe)
{
    if (!hwnd || !phe)
        return HLDOM_INVALID_HWND;
    LayoutNode* doc = hwnd->document();
    *phe = doc ? doc->handle() : nullptr;
    return doc ? HLDOM_OK : HLDOM_OPERATION_FAILED;
}

HLDOM_RESULT HTMLayoutCreateElement(const char* tagname, const char16_t* textOrNull, HELEMENT* phe)
{
    if (!tagname || !*tagname || !phe)
        return HLDOM_INVALID_PARAMETER;
    LayoutNode* n = LayoutNode::NewElement(tagname);
    n->uses = 1;
    n->retain();
    if (textOrNull && *textOrNull)
        n->appendChild(LayoutNode::NewText(FromWide(textOrNull)));
    *phe = n->handle();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutInsertElement(HELEMENT he, HELEMENT hparent, unsigned index)
{
    LayoutNode* n = Live(he);
    LayoutNode* parent = Live(hparent);
    if (!n || !parent)
        return HLDOM_INVALID_HANDLE;
    if (n == parent || n->isAncestorOf(parent))
        return HLDOM_INVALID_PARAMETER;
    n->retain();  // across the move
    if (n->parent) {
        LogIfShown(n, [&] { return QJsonObject{{"op", "remove"}, {"id", Id(n)}}; });
        n->detach();
    }
    // The element that will follow it: the index-th element child, if there is one.
    LayoutNode* before = nullptr;
    if (index != HTMLAYOUT_APPEND) {
        unsigned seen = 0;
        for (LayoutNode* c : parent->children) {
            if (c->isText)
                continue;
            if (seen++ == index) {
                before = c;
                break;
            }
        }
    }
    parent->appendChild(n, before);
    n->release();
    LogIfShown(parent, [&] {
        return QJsonObject{
            {"op", "insert"}, {"parent", Id(parent)}, {"before", Id(before)}, {"node", HLWindow::NodeJson(n)}};
    });
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutDeleteElement(HELEMENT he)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    if (n->parent) {
        LogIfShown(n, [&] { return QJsonObject{{"op", "remove"}, {"id", Id(n)}}; });
        n->detach();
    }
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetElementInnerText16(HELEMENT he, const char16_t* text, unsigned length)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    n->removeAllChildren();
    const QString value = FromWide(text, text ? int(length) : 0);
    LayoutNode* t = nullptr;
    if (!value.isEmpty()) {
        t = LayoutNode::NewText(value);
        n->appendChild(t);
    }
    LogIfShown(n, [&] { return QJsonObject{{"op", "text"}, {"id", Id(n)}, {"textId", Id(t)}, {"text", value}}; });
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetElementHtml(HELEMENT he, const uint8_t* html, unsigned length, unsigned where)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    if (where != SIH_REPLACE_CONTENT)
        return HLDOM_INVALID_PARAMETER;
    const std::vector<LayoutNode*> nodes =
        HtmlParser::ParseFragment(html ? std::string(reinterpret_cast<const char*>(html), length) : std::string());
    n->removeAllChildren();
    for (LayoutNode* c : nodes) {
        n->appendChild(c);
        c->release();  // the parser's reference; the parent holds it now
    }
    LogIfShown(n, [&] {
        QJsonArray kids;
        for (const LayoutNode* c : n->children)
            kids.append(HLWindow::NodeJson(c));
        return QJsonObject{{"op", "html"}, {"id", Id(n)}, {"children", kids}};
    });
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementInnerText(HELEMENT he, const char** utf8)
{
    LayoutNode* n = Live(he);
    if (!n || !utf8)
        return HLDOM_INVALID_HANDLE;
    n->innerTextUtf8 = n->textContent().toUtf8().toStdString();
    *utf8 = n->innerTextUtf8.c_str();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetAttributeByName(HELEMENT he, const char* name, const char16_t* valueOrNull)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    if (!name || !*name)
        return HLDOM_INVALID_PARAMETER;
    const std::string key = AsciiLower(name);
    const QString value = FromWide(valueOrNull);
    if (n->setAttribute(key, valueOrNull ? &value : nullptr))
        LogIfShown(n, [&] {
            return QJsonObject{{"op", "attr"},
                               {"id", Id(n)},
                               {"name", QString::fromStdString(key)},
                               {"value", valueOrNull ? QJsonValue(value) : QJsonValue(QJsonValue::Null)}};
        });
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetAttributeByName(HELEMENT he, const char* name, const char16_t** pvalue)
{
    LayoutNode* n = Live(he);
    if (!n || !pvalue)
        return HLDOM_INVALID_HANDLE;
    const std::string key = AsciiLower(name ? name : "");
    const QString* v = n->attribute(key);
    *pvalue = v ? reinterpret_cast<const char16_t*>(v->utf16()) : nullptr;
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementType(HELEMENT he, const char** ptype)
{
    LayoutNode* n = Live(he);
    if (!n || !ptype)
        return HLDOM_INVALID_HANDLE;
    *ptype = n->tag.c_str();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementState(HELEMENT he, uint32_t* pstateBits)
{
    LayoutNode* n = Live(he);
    if (!n || !pstateBits)
        return HLDOM_INVALID_HANDLE;
    *pstateBits = n->state;
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetElementState(HELEMENT he, uint32_t bitsToSet, uint32_t bitsToClear, bool /*updateView*/)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    HLWindow::SetState(n, bitsToSet, bitsToClear);
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutUpdateElement(HELEMENT he, bool renderNow)
{
    LayoutNode* n = Live(he);
    if (!n)
        return HLDOM_INVALID_HANDLE;
    if (HLWindow* w = n->owningWindow(); w && renderNow)
        w->logUpdate();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementLocation(HELEMENT he, RECT* prect, unsigned /*areas*/)
{
    LayoutNode* n = Live(he);
    if (!n || !prect)
        return HLDOM_INVALID_HANDLE;
    *prect = n->hasBox ? n->box : RECT{};
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutFindElement(HWND hwnd, POINT pt, HELEMENT* phe)
{
    if (!hwnd || !phe)
        return HLDOM_INVALID_HWND;
    *phe = nullptr;
    LayoutNode* doc = hwnd->document();
    if (!doc)
        return HLDOM_OK;
    // The deepest element, in document order the last, whose box holds the point.
    LayoutNode* found = nullptr;
    auto inside = [&](const LayoutNode* n) {
        return n->hasBox && pt.x >= n->box.left && pt.x < n->box.right && pt.y >= n->box.top && pt.y < n->box.bottom;
    };
    if (inside(doc))
        found = doc;
    Visit(doc, [&](LayoutNode* n) {
        if (inside(n) && (!found || found->isAncestorOf(n) || !n->isAncestorOf(found)))
            found = n;
        return false;
    });
    *phe = found ? found->handle() : nullptr;
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetParentElement(HELEMENT he, HELEMENT* pparent)
{
    LayoutNode* n = Live(he);
    if (!n || !pparent)
        return HLDOM_INVALID_HANDLE;
    *pparent = n->parent ? n->parent->handle() : nullptr;
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetChildrenCount(HELEMENT he, unsigned* count)
{
    LayoutNode* n = Live(he);
    if (!n || !count)
        return HLDOM_INVALID_HANDLE;
    *count = unsigned(n->elementChildren().size());
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetNthChild(HELEMENT he, unsigned index, HELEMENT* phe)
{
    LayoutNode* n = Live(he);
    if (!n || !phe)
        return HLDOM_INVALID_HANDLE;
    const auto kids = n->elementChildren();
    *phe = index < kids.size() ? kids[index]->handle() : nullptr;
    return index < kids.size() ? HLDOM_OK : HLDOM_INVALID_PARAMETER;
}

HLDOM_RESULT HTMLayoutGetElementHwnd(HELEMENT he, HWND* phwnd, bool /*rootWindow*/)
{
    LayoutNode* n = Live(he);
    if (!n || !phwnd)
        return HLDOM_INVALID_HANDLE;
    *phwnd = n->owningWindow();
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutVisitElements(HELEMENT he, const char* tagName, const char* attributeName,
                                    const char16_t* attributeValue, HTMLayoutElementCallback cb, void* param,
                                    uint32_t /*depth*/)
{
    LayoutNode* root = Live(he);
    if (!root)
        return HLDOM_INVALID_HANDLE;
    if (!cb)
        return HLDOM_INVALID_PARAMETER;
    const std::string tag = AsciiLower(tagName ? tagName : "");
    const std::string attr(attributeName ? attributeName : "");
    const QString value = FromWide(attributeValue);
    Visit(root, [&](LayoutNode* n) {
        if (!tag.empty() && tag != "*" && n->tag != tag)
            return false;
        if (!attr.empty()) {
            const QString* v = n->attribute(attr);
            if (!v || (attributeValue && *v != value))
                return false;
        }
        return cb(n->handle(), param);
    });
    return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSelectElements(HELEMENT he, const char* cssSelectors, HTMLayoutElementCallback cb, void* param)
{
    LayoutNode* root = Live(he);
    if (!root)
        return HLDOM_INVALID_HANDLE;
    if (!cb || !cssSelectors)
        return HLDOM_INVALID_PARAMETER;
    const auto selector = CssSelector::Parse(cssSelectors);
    if (!selector)
        return HLDOM_INVALID_PARAMETER;
    Visit(root, [&](LayoutNode* n) { return selector->Matches(n) && cb(n->handle(), param); });
    return HLDOM_OK;
}

size_t HTMLayoutLiveNodeCount()
{
    return LayoutNode::LiveCount();
}
