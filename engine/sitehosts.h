#pragma once

// The video site and its thumbnail server. Plain HTTP on port 80.
inline constexpr const char* kVideoSiteHost = "www.youtube.com";
inline constexpr const char* kThumbnailHost = "i.ytimg.com";
inline constexpr unsigned short kSitePort = 80;
