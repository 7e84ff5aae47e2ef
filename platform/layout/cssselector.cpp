#include "cssselector.h"

#include "htmlayout.h"
#include "node.h"

#include <QStringList>
#include <cctype>

namespace {

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::optional<CssSelector> CssSelector::Parse(const std::string& text)
{
    CssSelector result;
    size_t i = 0;
    const size_t n = text.size();
    auto skipSpace = [&] {
        bool any = false;
        while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            any = true;
        }
        return any;
    };
    auto name = [&] {
        const size_t start = i;
        while (i < n && IsNameChar(text[i]))
            ++i;
        return text.substr(start, i - start);
    };

    Complex current;
    char pending = 0;
    skipSpace();
    while (true) {
        Compound c;
        c.combinator = pending;
        bool any = false;
        if (i < n && text[i] == '*') {
            ++i;
            any = true;
        } else if (i < n && IsNameChar(text[i])) {
            c.tag = AsciiLower(name());
            any = true;
        }
        while (i < n) {
            const char ch = text[i];
            if (ch == '#' || ch == '.') {
                ++i;
                const std::string v = name();
                if (v.empty())
                    return std::nullopt;
                (ch == '#' ? c.id : c.classes.emplace_back()) = v;
            } else if (ch == '[') {
                ++i;
                skipSpace();
                AttributeTest a;
                a.name = AsciiLower(name());
                skipSpace();
                if (a.name.empty() || i >= n)
                    return std::nullopt;
                if (text[i] == '=') {
                    ++i;
                    skipSpace();
                    a.hasValue = true;
                    if (i < n && (text[i] == '"' || text[i] == '\'')) {
                        const char q = text[i++];
                        const size_t end = text.find(q, i);
                        if (end == std::string::npos)
                            return std::nullopt;
                        a.value = text.substr(i, end - i);
                        i = end + 1;
                    } else {
                        a.value = name();
                        if (a.value.empty())
                            return std::nullopt;
                    }
                    skipSpace();
                }
                if (i >= n || text[i] != ']')
                    return std::nullopt;
                ++i;
                c.attributes.push_back(a);
            } else if (ch == ':') {
                ++i;
                const std::string pseudo = AsciiLower(name());
                if (pseudo == "checked")
                    c.stateBits |= STATE_CHECKED;
                else if (pseudo == "disabled")
                    c.stateBits |= STATE_DISABLED;
                else
                    return std::nullopt;
            } else {
                break;
            }
            any = true;
        }
        if (!any)
            return std::nullopt;
        current.push_back(c);

        const bool space = skipSpace();
        if (i >= n) {
            result.m_alternatives.push_back(current);
            break;
        }
        if (text[i] == ',') {
            ++i;
            skipSpace();
            result.m_alternatives.push_back(current);
            current.clear();
            pending = 0;
            continue;
        }
        if (text[i] == '>') {
            ++i;
            skipSpace();
            pending = '>';
        } else if (space) {
            pending = ' ';
        } else {
            return std::nullopt;  // '+', '~', '(' and the rest are outside the subset
        }
    }
    return result;
}

bool CssSelector::MatchCompound(const Compound& c, const LayoutNode* node)
{
    if (!node || node->isText)
        return false;
    if (!c.tag.empty() && c.tag != node->tag)
        return false;
    if (!c.id.empty()) {
        const QString* v = node->attribute("id");
        if (!v || *v != QString::fromStdString(c.id))
            return false;
    }
    if (!c.classes.empty()) {
        const QString* v = node->attribute("class");
        if (!v)
            return false;
        const QStringList have = v->split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const std::string& cls : c.classes)
            if (!have.contains(QString::fromStdString(cls)))
                return false;
    }
    for (const AttributeTest& a : c.attributes) {
        const QString* v = node->attribute(a.name);
        if (!v || (a.hasValue && *v != QString::fromStdString(a.value)))
            return false;
    }
    return (node->state & c.stateBits) == c.stateBits;
}

bool CssSelector::MatchFrom(const Complex& parts, int index, const LayoutNode* node)
{
    const Compound& c = parts[size_t(index)];
    if (!MatchCompound(c, node))
        return false;
    if (index == 0)
        return true;
    if (c.combinator == '>')
        return MatchFrom(parts, index - 1, node->parent);
    for (const LayoutNode* a = node->parent; a; a = a->parent)
        if (MatchFrom(parts, index - 1, a))
            return true;
    return false;
}

bool CssSelector::Matches(const LayoutNode* node) const
{
    for (const Complex& parts : m_alternatives)
        if (MatchFrom(parts, int(parts.size()) - 1, node))
            return true;
    return false;
}
