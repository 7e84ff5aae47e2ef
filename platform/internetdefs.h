#pragma once

#include <cstdint>

// Flag and query values of the HTTP layer. Only the meanings matter; the
// values are our own.
constexpr uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr uint32_t INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
constexpr uint32_t INTERNET_FLAG_SECURE = 0x00800000u;  // no meaning for plain HTTP here
constexpr uint32_t INTERNET_FLAG_EXISTING_CONNECT = 0x20000000u;
constexpr uint32_t INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000u;

constexpr uint32_t INTERNET_OPTION_RECEIVE_TIMEOUT = 6;

constexpr uint32_t HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000u;

constexpr uint32_t HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr uint32_t HTTP_QUERY_STATUS_CODE = 19;
constexpr uint32_t HTTP_QUERY_LOCATION = 33;
constexpr uint32_t HTTP_QUERY_CONTENT_RANGE = 68;

constexpr uint32_t HTTP_STATUS_PARTIAL_CONTENT = 206;
constexpr uint32_t HTTP_STATUS_RANGE_NOT_SATISFIABLE = 416;

constexpr uint32_t INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS = 20000;

// The most one Read is asked for, and the most the layer holds unread before
// it pauses the transfer: large enough that each piece costs little beside
// the transfer, small enough for a reader's stack.
constexpr uint32_t INTERNET_READ_CHUNK = 64 * 1024;

// Redirects followed for one request before it fails.
constexpr long INTERNET_MAX_REDIRECTS = 10;
