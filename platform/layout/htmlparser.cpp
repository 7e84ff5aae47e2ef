#include "htmlparser.h"

#include "node.h"

#include <gumbo.h>

#include <memory>
#include <utility>

namespace {

struct Output {
    GumboOutput* out;
    ~Output() { gumbo_destroy_output(&kGumboDefaultOptions, out); }
};

std::string TagName(const GumboElement& e)
{
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(e.tag);
    GumboStringPiece piece = e.original_tag;
    gumbo_tag_from_original_text(&piece);
    return AsciiLower(std::string(piece.data ? piece.data : "", piece.length));
}

// Converts a gumbo subtree without recursion.
LayoutNode* Convert(const GumboNode* root, QString* style)
{
    if (root->type != GUMBO_NODE_ELEMENT && root->type != GUMBO_NODE_TEXT && root->type != GUMBO_NODE_WHITESPACE &&
        root->type != GUMBO_NODE_CDATA && root->type != GUMBO_NODE_TEMPLATE)
        return nullptr;
    auto make = [&](const GumboNode* g) -> LayoutNode* {
        if (g->type == GUMBO_NODE_ELEMENT || g->type == GUMBO_NODE_TEMPLATE) {
            LayoutNode* n = LayoutNode::NewElement(TagName(g->v.element));
            const GumboVector& attrs = g->v.element.attributes;
            for (unsigned i = 0; i < attrs.length; ++i) {
                const auto* a = static_cast<const GumboAttribute*>(attrs.data[i]);
                const QString value = QString::fromUtf8(a->value);
                n->setAttribute(a->name, &value);
            }
            return n;
        }
        if (g->type == GUMBO_NODE_TEXT || g->type == GUMBO_NODE_WHITESPACE || g->type == GUMBO_NODE_CDATA)
            return LayoutNode::NewText(QString::fromUtf8(g->v.text.text));
        return nullptr;
    };
    LayoutNode* top = make(root);
    top->retain();
    std::vector<std::pair<const GumboNode*, LayoutNode*>> stack{{root, top}};
    while (!stack.empty()) {
        auto [g, n] = stack.back();
        stack.pop_back();
        if (g->type != GUMBO_NODE_ELEMENT && g->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboVector& kids = g->v.element.children;
        for (unsigned i = 0; i < kids.length; ++i) {
            const auto* k = static_cast<const GumboNode*>(kids.data[i]);
            LayoutNode* c = make(k);
            if (!c)
                continue;
            n->appendChild(c);
            if (style && n->tag == "style" && c->isText)
                *style += c->text;
            stack.emplace_back(k, c);
        }
    }
    return top;
}

const GumboNode* FindBody(const GumboNode* html)
{
    const GumboVector& kids = html->v.element.children;
    for (unsigned i = 0; i < kids.length; ++i) {
        const auto* k = static_cast<const GumboNode*>(kids.data[i]);
        if (k->type == GUMBO_NODE_ELEMENT && k->v.element.tag == GUMBO_TAG_BODY)
            return k;
    }
    return nullptr;
}

}  // namespace

LayoutNode* HtmlParser::ParseDocument(const std::string& html, QString& style)
{
    Output o{gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size())};
    return Convert(o.out->root, &style);
}

std::vector<LayoutNode*> HtmlParser::ParseFragment(const std::string& html)
{
    const std::string wrapped = "<!DOCTYPE html><html><head></head><body>" + html;
    Output o{gumbo_parse_with_options(&kGumboDefaultOptions, wrapped.data(), wrapped.size())};
    std::vector<LayoutNode*> nodes;
    const GumboNode* body = FindBody(o.out->root);
    if (!body)
        return nodes;
    const GumboVector& kids = body->v.element.children;
    for (unsigned i = 0; i < kids.length; ++i)
        if (LayoutNode* n = Convert(static_cast<const GumboNode*>(kids.data[i]), nullptr))
            nodes.push_back(n);
    return nodes;
}
