#pragma once

#include <optional>
#include <string>
#include <vector>

struct LayoutNode;

// The selector subset the program and its page use: type (any case), '*',
// #id, .class, [attr], [attr=value], :checked, :disabled, descendant and
// child combinators, and comma lists. Anything else fails to parse.
class CssSelector {
public:
    static std::optional<CssSelector> Parse(const std::string& text);
    bool Matches(const LayoutNode* node) const;

private:
    struct AttributeTest {
        std::string name;
        bool hasValue = false;
        std::string value;
    };
    struct Compound {
        std::string tag;  // lower case; empty = any
        std::string id;
        std::vector<std::string> classes;
        std::vector<AttributeTest> attributes;
        unsigned stateBits = 0;
        char combinator = 0;  // how it relates to the compound before it: ' ' or '>'
    };
    using Complex = std::vector<Compound>;
    class Reader;  // the text being parsed and the position in it

    // Each step consumes its part of the text; false means the text is not
    // a selector of the subset.
    static bool ParseComplex(Reader& in, Complex& out);
    static bool ParseCompound(Reader& in, Compound& out);
    static bool ParseAttribute(Reader& in, Compound& out);
    static bool ParsePseudoClass(Reader& in, Compound& out);

    static bool MatchCompound(const Compound& c, const LayoutNode* node);
    static bool MatchFrom(const Complex& parts, int index, const LayoutNode* node);

    std::vector<Complex> m_alternatives;
};
