#include "node.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Ids are never reused, so a stale handle is always recognised as dead.
uint32_t g_nextId = 1;
std::unordered_map<uint32_t, LayoutNode*>& Registry()
{
    static std::unordered_map<uint32_t, LayoutNode*> nodes;
    return nodes;
}

LayoutNode* Register(LayoutNode* n)
{
    n->id = g_nextId++;
    Registry().emplace(n->id, n);
    return n;
}

}  // namespace

LayoutNode* LayoutNode::NewElement(const std::string& tag)
{
    auto* n = new LayoutNode;
    n->tag = AsciiLower(tag);
    return Register(n);
}

LayoutNode* LayoutNode::NewText(const QString& text)
{
    auto* n = new LayoutNode;
    n->isText = true;
    n->text = text;
    return Register(n);
}

LayoutNode* NodeFromId(uint32_t id)
{
    const auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}

LayoutNode* LayoutNode::FromHandle(HELEMENT he)
{
    // A foreign pointer must not pass for the node its low 32 bits name.
    const auto value = reinterpret_cast<uintptr_t>(he);
    return value > UINT32_MAX ? nullptr : NodeFromId(uint32_t(value));
}

size_t LayoutNode::LiveCount()
{
    return Registry().size();
}

void LayoutNode::release()
{
    if (--refs > 0)
        return;
    // Iteratively, so that a deep tree cannot exhaust the stack.
    std::vector<LayoutNode*> dying{this};
    while (!dying.empty()) {
        LayoutNode* n = dying.back();
        dying.pop_back();
        for (LayoutNode* c : n->children) {
            c->parent = nullptr;
            if (--c->refs == 0)
                dying.push_back(c);
        }
        Registry().erase(n->id);
        delete n;
    }
}

HLWindow* LayoutNode::owningWindow() const
{
    const LayoutNode* n = this;
    while (n->parent)
        n = n->parent;
    return n->window;
}

const QString* LayoutNode::attribute(const std::string& name) const
{
    for (const auto& [k, v] : attrs)
        if (k == name)
            return &v;
    return nullptr;
}

bool LayoutNode::setAttribute(const std::string& name, const QString* value)
{
    for (auto it = attrs.begin(); it != attrs.end(); ++it) {
        if (it->first == name) {
            if (!value) {
                attrs.erase(it);
                return true;
            }
            if (it->second == *value)
                return false;
            it->second = *value;
            return true;
        }
    }
    if (!value)
        return false;
    attrs.emplace_back(name, *value);
    return true;
}

void LayoutNode::appendChild(LayoutNode* child, LayoutNode* before)
{
    child->parent = this;
    child->retain();
    auto pos = before ? std::find(children.begin(), children.end(), before) : children.end();
    children.insert(pos, child);
}

void LayoutNode::detach()
{
    if (!parent)
        return;
    auto& siblings = parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    parent = nullptr;
    release();
}

void LayoutNode::removeAllChildren()
{
    std::vector<LayoutNode*> old;
    old.swap(children);
    for (LayoutNode* c : old) {
        c->parent = nullptr;
        c->release();
    }
}

bool LayoutNode::IsWidget(const LayoutNode* n, const char* type)
{
    if (!n || n->isText || n->tag != "widget")
        return false;
    const QString* t = n->attribute("type");
    return t && *t == QLatin1String(type);
}

bool LayoutNode::isAncestorOf(const LayoutNode* other) const
{
    for (const LayoutNode* p = other ? other->parent : nullptr; p; p = p->parent)
        if (p == this)
            return true;
    return false;
}

int LayoutNode::elementIndex() const
{
    if (!parent)
        return -1;
    int i = 0;
    for (const LayoutNode* c : parent->children) {
        if (c == this)
            return i;
        if (!c->isText)
            ++i;
    }
    return -1;
}

std::vector<LayoutNode*> LayoutNode::elementChildren() const
{
    std::vector<LayoutNode*> out;
    for (LayoutNode* c : children)
        if (!c->isText)
            out.push_back(c);
    return out;
}

QString LayoutNode::textContent() const
{
    if (isText)
        return text;
    QString out;
    std::vector<const LayoutNode*> stack{this};
    while (!stack.empty()) {
        const LayoutNode* n = stack.back();
        stack.pop_back();
        if (n->isText)
            out += n->text;
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            stack.push_back(*it);
    }
    return out;
}
