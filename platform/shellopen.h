#pragma once

#include <QUrl>

#include <functional>

// The desktop's "open": web pages and local files go to the user's default
// application. Fire-and-forget: nothing is reported back.
//
// With FERROWICK_OPEN_LOG=<file> in the environment every URL is appended to
// that file (one fully encoded URL per line) instead of being opened, so the
// program can be run end to end without starting a browser.
void ShellOpen(const QUrl& url);

// Tests record instead of opening; an empty function restores the real opener.
// User-interface thread only.
void SetShellOpenHook(std::function<void(const QUrl&)> hook);
