#pragma once

#include <QString>
#include <string>
#include <vector>

struct LayoutNode;

// HTML to nodes, through gumbo's HTML5 parser. Unknown tags (widget, popup)
// are ordinary elements; comments and the doctype are dropped.
class HtmlParser {
public:
    // The <html> element with one reference held by the caller; style receives
    // the text of every <style> element.
    static LayoutNode* ParseDocument(const std::string& html, QString& style);
    // The nodes of a fragment as if it were the content of a body; each with
    // one reference held by the caller.
    static std::vector<LayoutNode*> ParseFragment(const std::string& html);
};
