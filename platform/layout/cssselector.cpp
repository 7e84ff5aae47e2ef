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

class CssSelector::Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    // Takes c when it comes next.
    bool take(char c)
    {
        if (atEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    // True when there was white space.
    bool skipSpace()
    {
        const size_t start = m_pos;
        while (!atEnd() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
        return m_pos != start;
    }
    // The name that comes next; empty when none does.
    std::string name()
    {
        const size_t start = m_pos;
        while (!atEnd() && IsNameChar(m_text[m_pos]))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    // A quoted string, its opening quote already next; nothing when unclosed.
    std::optional<std::string> quoted()
    {
        const char q = m_text[m_pos];
        const size_t end = m_text.find(q, m_pos + 1);
        if (end == std::string::npos)
            return std::nullopt;
        std::string value = m_text.substr(m_pos + 1, end - m_pos - 1);
        m_pos = end + 1;
        return value;
    }

private:
    const std::string& m_text;
    size_t m_pos = 0;
};

std::optional<CssSelector> CssSelector::Parse(const std::string& text)
{
    CssSelector result;
    Reader in(text);
    in.skipSpace();
    while (true) {
        Complex complex;
        if (!ParseComplex(in, complex))
            return std::nullopt;
        result.m_alternatives.push_back(std::move(complex));
        if (!in.take(','))
            return result;  // a complex selector ends only at a comma or the end
        in.skipSpace();
    }
}

// Compounds joined by combinators, up to a comma or the end.
bool CssSelector::ParseComplex(Reader& in, Complex& out)
{
    char combinator = 0;
    while (true) {
        Compound c;
        c.combinator = combinator;
        if (!ParseCompound(in, c))
            return false;
        out.push_back(std::move(c));
        const bool space = in.skipSpace();
        if (in.atEnd() || in.peek() == ',')
            return true;
        if (in.take('>')) {
            in.skipSpace();
            combinator = '>';
        } else if (space) {
            combinator = ' ';
        } else {
            return false;  // '+', '~', '(' and the rest are outside the subset
        }
    }
}

// A type or '*', then any number of #id, .class, [attribute] and :pseudo-class.
bool CssSelector::ParseCompound(Reader& in, Compound& out)
{
    bool any = false;
    if (in.take('*')) {
        any = true;
    } else if (IsNameChar(in.peek())) {
        out.tag = AsciiLower(in.name());
        any = true;
    }
    while (!in.atEnd()) {
        const char ch = in.peek();
        if (ch == '#' || ch == '.') {
            in.take(ch);
            const std::string v = in.name();
            if (v.empty())
                return false;
            (ch == '#' ? out.id : out.classes.emplace_back()) = v;
        } else if (ch == '[') {
            if (!ParseAttribute(in, out))
                return false;
        } else if (ch == ':') {
            if (!ParsePseudoClass(in, out))
                return false;
        } else {
            break;
        }
        any = true;
    }
    return any;
}

// [name] or [name=value], the value bare or quoted.
bool CssSelector::ParseAttribute(Reader& in, Compound& out)
{
    in.take('[');
    in.skipSpace();
    AttributeTest a;
    a.name = AsciiLower(in.name());
    in.skipSpace();
    if (a.name.empty() || in.atEnd())
        return false;
    if (in.take('=')) {
        in.skipSpace();
        a.hasValue = true;
        if (in.peek() == '"' || in.peek() == '\'') {
            auto value = in.quoted();
            if (!value)
                return false;
            a.value = std::move(*value);
        } else {
            a.value = in.name();
            if (a.value.empty())
                return false;
        }
        in.skipSpace();
    }
    if (!in.take(']'))
        return false;
    out.attributes.push_back(std::move(a));
    return true;
}

// :checked and :disabled, the two states the page styles.
bool CssSelector::ParsePseudoClass(Reader& in, Compound& out)
{
    in.take(':');
    const std::string pseudo = AsciiLower(in.name());
    if (pseudo == "checked")
        out.stateBits |= STATE_CHECKED;
    else if (pseudo == "disabled")
        out.stateBits |= STATE_DISABLED;
    else
        return false;
    return true;
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
