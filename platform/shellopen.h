#pragma once

#include <QUrl>

#include <functional>

// The desktop's "open": web pages and local files go to the user's default
// application. Fire-and-forget: nothing is reported back.
void ShellOpen(const QUrl& url);

// Tests record instead of opening; an empty function restores the real opener.
// User-interface thread only.
void SetShellOpenHook(std::function<void(const QUrl&)> hook);
