#pragma once

#include "platform/layout/htmlayout.h"

#include <cstdint>

class CDownloadItem;

// Index for InsertRow: after the last row.
constexpr unsigned ROW_AT_END = HTMLAYOUT_APPEND;
constexpr unsigned ROW_AT_TOP = 0;

// Gives the item its "Option" row (made once), places it in the list at the
// index, sets its "value" to the video id and renders it.
void InsertRow(CDownloadItem* item, HELEMENT list, unsigned index);
// Rebuilds the row's children from one snapshot when the job changed since
// the last rebuild; otherwise the row is left untouched. Does not repaint.
void UpdateRow(CDownloadItem* item);
// The same at a given tick count, for callers (and tests) that own the clock.
void UpdateRow(CDownloadItem* item, uint32_t now);
