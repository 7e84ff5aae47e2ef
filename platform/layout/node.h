#pragma once

#include "htmlayout.h"

#include <QString>
#include <string>
#include <utility>
#include <vector>

// Tag and attribute names compare in lower case.
inline std::string AsciiLower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

// One element or text node of a page. A node is kept alive by its parent
// (one reference) and by every use the program holds; it is freed with the
// last of them, and its children then lose their parent link.
struct LayoutNode {
    uint32_t id = 0;
    LayoutNode* parent = nullptr;
    std::vector<LayoutNode*> children;
    HLWindow* window = nullptr;  // set on a document's root only

    bool isText = false;
    QString text;  // text nodes

    std::string tag;  // lower case
    std::vector<std::pair<std::string, QString>> attrs;
    uint32_t state = 0;
    RECT box;
    bool hasBox = false;

    int refs = 0;  // parent link + uses
    int uses = 0;
    std::string innerTextUtf8;  // handed out by GetElementInnerText until the next call

    static LayoutNode* NewElement(const std::string& tag);
    static LayoutNode* NewText(const QString& text);
    static LayoutNode* FromHandle(HELEMENT he);  // null for a dead or foreign handle
    static size_t LiveCount();

    // A handle is the node's id in the engine's opaque pointer type.
    HELEMENT handle() const { return reinterpret_cast<HELEMENT>(uintptr_t(id)); }  // NOLINT(performance-no-int-to-ptr)
    void retain() { ++refs; }
    void release();

    HLWindow* owningWindow() const;  // the window whose document holds this node, if any
    const QString* attribute(const std::string& name) const;
    bool setAttribute(const std::string& name, const QString* value);  // true when it changed
    void appendChild(LayoutNode* child, LayoutNode* before = nullptr);
    void detach();  // leaves the parent; the parent's reference goes with it
    void removeAllChildren();
    bool isAncestorOf(const LayoutNode* other) const;
    int elementIndex() const;
    std::vector<LayoutNode*> elementChildren() const;
    QString textContent() const;

    // <widget type="type">; false for null.
    static bool IsWidget(const LayoutNode* node, const char* type);
    // The first element from node up through its ancestors that satisfies pred.
    template <typename Pred>
    static LayoutNode* Closest(LayoutNode* node, Pred pred)
    {
        for (; node; node = node->parent)
            if (!node->isText && pred(node))
                return node;
        return nullptr;
    }
    // The first element at or below this one, in document order, that
    // satisfies pred; null when none does.
    template <typename Pred>
    LayoutNode* find(Pred pred)
    {
        std::vector<LayoutNode*> stack{this};
        while (!stack.empty()) {
            LayoutNode* n = stack.back();
            stack.pop_back();
            if (n->isText)
                continue;
            if (pred(n))
                return n;
            stack.insert(stack.end(), n->children.rbegin(), n->children.rend());
        }
        return nullptr;
    }

private:
    LayoutNode() = default;
    ~LayoutNode() = default;
};

// The live node with this id (a handle's number, the view's node id), or null.
LayoutNode* NodeFromId(uint32_t id);
