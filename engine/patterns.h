#pragma once

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <string>

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

// Does the pattern match the whole text?
bool WholeMatch(const std::string& text, const boost::xpressive::sregex& re);
// Whole match; group1 receives group 1 (empty when the pattern has none).
bool WholeMatch(const std::string& text, const boost::xpressive::sregex& re, std::string& group1);
// Leftmost occurrence anywhere in the text; group1 as above.
bool Search(const std::string& text, const boost::xpressive::sregex& re, std::string& group1);
// Every occurrence of the file-name pattern replaced by one space.
std::string ReplaceFileNameCharacters(const std::string& text);
