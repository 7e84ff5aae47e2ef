#pragma once

#include <QString>
#include <cstdint>
#include <string>

// What the engine reads out of an address and out of the site's answers, on
// plain values: the job's network steps call these, and so do the fuzz
// targets, which feed them whatever bytes a hostile site could send.

// The video id an entered address names; false (id unchanged) when the
// address names none.
bool VideoIdOfAddress(const QString& address, QString& id);

// The title and the access token a watch page carries; each stays as it was
// when the page has none.
void ScrapeWatchPage(const std::string& body, QString& title, QString& token);

// The access token in the embed redirect's Location; empty when there is none.
QString TokenOfLocation(const QString& location);

// Whether an answer is the rest of the very file a partial one began:
// status 206 with "bytes FROM-(LENGTH-1)/LENGTH" for the length the job
// stored, and a Content-Length, when there is one, of what is left.
bool ContinuesAt(uint32_t status, const QString& contentRange, const QString* contentLength, int64_t from,
                 int64_t length);
