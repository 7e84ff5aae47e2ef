#include "dom.h"

using htmlayout::dom::element;

namespace {

bool Visitor(HELEMENT he, void* param)
{
    return static_cast<htmlayout::dom::callback*>(param)->on_element(he);
}

const char16_t* Wide(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

}  // namespace

element CreateElement(const char* tag)
{
    HELEMENT he = nullptr;
    if (HTMLayoutCreateElement(tag, nullptr, &he) != HLDOM_OK)
        return element();
    return element::adopt(he);
}

void InsertElement(HELEMENT he, HELEMENT parent, unsigned index)
{
    HTMLayoutInsertElement(he, parent, index);
}

void DeleteElement(HELEMENT he)
{
    HTMLayoutDeleteElement(he);
}

void SetElementText(HELEMENT he, const QString& text)
{
    HTMLayoutSetElementInnerText16(he, Wide(text), unsigned(text.size()));
}

void SetElementHtml(HELEMENT he, const std::string& utf8)
{
    HTMLayoutSetElementHtml(he, reinterpret_cast<const uint8_t*>(utf8.data()), unsigned(utf8.size()),
                            SIH_REPLACE_CONTENT);
}

std::string GetElementInnerText(HELEMENT he)
{
    const char* text = nullptr;
    if (HTMLayoutGetElementInnerText(he, &text) != HLDOM_OK || !text)
        return {};
    return text;
}

void SetAttribute(HELEMENT he, const char* name, const QString& value)
{
    HTMLayoutSetAttributeByName(he, name, Wide(value));
}

std::optional<QString> GetAttribute(HELEMENT he, const char* name)
{
    const char16_t* value = nullptr;
    if (HTMLayoutGetAttributeByName(he, name, &value) != HLDOM_OK || !value)
        return std::nullopt;
    // Taken as stored: a decoder would drop a leading byte-order mark.
    qsizetype n = 0;
    while (value[n])
        ++n;
    return QString(reinterpret_cast<const QChar*>(value), n);
}

std::string GetTagName(HELEMENT he)
{
    const char* tag = nullptr;
    if (HTMLayoutGetElementType(he, &tag) != HLDOM_OK || !tag)
        return {};
    return tag;
}

void SetElementState(HELEMENT he, uint32_t bitsToSet, uint32_t bitsToClear, bool updateNow)
{
    HTMLayoutSetElementState(he, bitsToSet, bitsToClear, updateNow);
}

uint32_t GetElementState(HELEMENT he)
{
    uint32_t state = 0;
    HTMLayoutGetElementState(he, &state);
    return state;
}

void UpdateElement(HELEMENT he, bool renderNow)
{
    HTMLayoutUpdateElement(he, renderNow);
}

bool IsPointInside(HELEMENT he, POINT pt)
{
    RECT r;
    if (HTMLayoutGetElementLocation(he, &r, BORDER_BOX_IN_ROOT) != HLDOM_OK)
        return false;
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

HELEMENT GetRootElement(HWND hwnd)
{
    HELEMENT he = nullptr;
    HTMLayoutGetRootElement(hwnd, &he);
    return he;
}

HELEMENT FindElementAtPoint(HWND hwnd, POINT pt)
{
    HELEMENT he = nullptr;
    HTMLayoutFindElement(hwnd, pt, &he);
    return he;
}

HELEMENT GetParentElement(HELEMENT he)
{
    HELEMENT parent = nullptr;
    HTMLayoutGetParentElement(he, &parent);
    return parent;
}

HWND GetElementWindow(HELEMENT he)
{
    HWND hwnd = nullptr;
    HTMLayoutGetElementHwnd(he, &hwnd, true);
    return hwnd;
}

HELEMENT FindElementById(HELEMENT root, const char* id)
{
    if (!root || !id)
        return nullptr;
    const QString wide = QString::fromLatin1(id);
    element::find_first_callback finder;
    HTMLayoutVisitElements(root, nullptr, "id", Wide(wide), &Visitor, &finder, 0);
    return finder.hfound;
}

HLDOM_RESULT SelectElements(HELEMENT root, const char* selector, htmlayout::dom::callback& visitor)
{
    return HTMLayoutSelectElements(root, selector, &Visitor, &visitor);
}
