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

}  // namespace

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
    const sregex reFileName = sregex::compile(kFileNamePattern);
    return boost::xpressive::regex_replace(text, reFileName, std::string(" "));
}
