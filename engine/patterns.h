#pragma once

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <string>
#include <string_view>

// Every decision the engine takes about text is one of these patterns. They
// are compiled once during static initialisation and only read afterwards,
// so all threads share them without a lock.
extern const boost::xpressive::sregex g_reSiteHost;
extern const boost::xpressive::sregex g_reWatchPath;
extern const boost::xpressive::sregex g_reEmbedPath;
extern const boost::xpressive::sregex g_reThumbHost;
extern const boost::xpressive::sregex g_reThumbPath;
extern const boost::xpressive::sregex g_reTitle;
extern const boost::xpressive::sregex g_rePageToken;
extern const boost::xpressive::sregex g_reLocationToken;

// g_reSiteHost and g_reThumbHost as SetAddress applies them: the same answer
// for every host, by a walk over its labels. The patterns' nested group
// recurses once per label, so a host of tens of thousands of labels would
// overflow the stack.
bool IsSiteHost(const std::string& host);
bool IsThumbHost(const std::string& host);

// Does the pattern match the whole text?
bool WholeMatch(const std::string& text, const boost::xpressive::sregex& re);
// Whole match; group1 receives group 1 (empty when the pattern has none).
bool WholeMatch(const std::string& text, const boost::xpressive::sregex& re, std::string& group1);
// Leftmost occurrence anywhere in the text; group1 as above.
bool Search(const std::string& text, const boost::xpressive::sregex& re, std::string& group1);
// Every occurrence of the file-name pattern replaced by one space, in one
// pass: the same result as the pattern's replacement, whose search costs
// time quadratic in the number of '&' without a later ';'.
std::string ReplaceFileNameCharacters(const std::string& text);
// The pattern's own replacement, for comparison; slow on hostile titles.
std::string ReplaceFileNameCharactersByPattern(const std::string& text);
