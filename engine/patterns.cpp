#include "patterns.h"

using boost::xpressive::smatch;
using boost::xpressive::sregex;

namespace {

sregex Compile(const char* text)
{
    return sregex::compile(text);
}

}  // namespace

// The domains are the hosts without their first label: youtube.com, ytimg.com.
// SetAddress checks hosts with IsSiteHost and IsThumbHost, which answer as
// the two host patterns do.
const sregex g_reSiteHost = Compile(R"(^([a-zA-Z0-9_-]+\.)*youtube\.com$)");
const sregex g_reWatchPath = Compile(R"(^/watch\?v=([a-zA-Z0-9_-]+).*$)");
const sregex g_reEmbedPath = Compile(R"(^/v/([a-zA-Z0-9_-]+).*$)");
const sregex g_reThumbHost = Compile(R"(^([a-zA-Z0-9_-]+\.)*ytimg\.com$)");
const sregex g_reThumbPath = Compile(R"(^/vi/([a-zA-Z0-9_-]+)/default.jpg$)");
const sregex g_reTitle = Compile(R"(<(?i:title)>YouTube - ([^<]*)</(?i:title)>)");
const sregex g_rePageToken = Compile(R"re(, "t": "([^"]+)")re");
const sregex g_reLocationToken = Compile(R"(&t=([0-9a-zA-Z_-]+))");

namespace {

// The file-name pattern; compiled afresh at each use.
const char* const kFileNamePattern = R"re((&[^;]+;)|([\\/:\?<>\|"*]))re";

std::string Group1(const smatch& m)
{
    return m.size() > 1 && m[1].matched ? m[1].str() : std::string();
}

bool IsLabelCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// ^([a-zA-Z0-9_-]+\.)*DOMAIN$ matched in full: the domain at the end, and
// before it nothing, or labels of those characters each ended by a dot.
bool IsHostIn(const std::string& host, std::string_view domain)
{
    if (host.size() < domain.size() || host.compare(host.size() - domain.size(), domain.size(), domain) != 0)
        return false;
    size_t label = 0;
    for (size_t i = 0, prefix = host.size() - domain.size(); i < prefix; ++i) {
        const char c = host[i];
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
        } else if (IsLabelCharacter(c)) {
            ++label;
        } else {
            return false;
        }
    }
    return label == 0;
}

bool IsFileNameCharacter(char c)
{
    switch (c) {
    case '\\':
    case '/':
    case ':':
    case '?':
    case '<':
    case '>':
    case '|':
    case '"':
    case '*':
        return true;
    default:
        return false;
    }
}

}  // namespace

bool IsSiteHost(const std::string& host)
{
    return IsHostIn(host, "youtube.com");
}

bool IsThumbHost(const std::string& host)
{
    return IsHostIn(host, "ytimg.com");
}

bool WholeMatch(const std::string& text, const sregex& re)
{
    return boost::xpressive::regex_match(text, re);
}

bool WholeMatch(const std::string& text, const sregex& re, std::string& group1)
{
    smatch m;
    if (!boost::xpressive::regex_match(text, m, re))
        return false;
    group1 = Group1(m);
    return true;
}

bool Search(const std::string& text, const sregex& re, std::string& group1)
{
    smatch m;
    if (!boost::xpressive::regex_search(text, m, re))
        return false;
    group1 = Group1(m);
    return true;
}

std::string ReplaceFileNameCharacters(const std::string& text)
{
    // The pattern's leftmost, non-overlapping matches: at an '&', the run
    // to the next ';' when at least one character stands between them;
    // else any one of the nine characters.
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t semicolon = 0;  // the first ';' after the last '&' looked at, or npos
    bool known = false;
    for (size_t i = 0; i < n;) {
        const char c = text[i];
        if (c == '&') {
            // Each search starts past the last one's find, so the text is read once.
            if (!known || (semicolon != std::string::npos && semicolon <= i)) {
                semicolon = text.find(';', i + 1);
                known = true;
            }
            if (semicolon != std::string::npos && semicolon > i + 1) {
                out += ' ';
                i = semicolon + 1;
                continue;
            }
        } else if (IsFileNameCharacter(c)) {
            out += ' ';
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

std::string ReplaceFileNameCharactersByPattern(const std::string& text)
{
    const sregex reFileName = sregex::compile(kFileNamePattern);
    return boost::xpressive::regex_replace(text, reFileName, std::string(" "));
}
