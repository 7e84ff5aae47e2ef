#pragma once

#include "platform/layout/htmlayout.h"
#include "ui/page/downloaditem.h"

#include <QString>

// app.xml: the two folder settings and the download list, read once at
// start-up and written once at exit, plus the learn setting of the address
// dialog kept in the user's profile. The frame's LoadAppXml / SaveAppXml run
// these over its item table and its "content" list; nothing here needs a window.
namespace appxml {

// The video and temporary folders under the program folder.
void SetDefaultFolders(const QString& programFolder);

// Reads the profile value, then the file. Each `dir` sets its folder at its
// end tag and each `item` with a new, non-blank id becomes an item with a
// restored (finished) job and a row appended to `content`. True when reading
// ran to the end or stopped at a reader error (a DTD included); false when
// the file cannot be opened or a field element is the document element.
bool Load(const QString& path, ItemTable& items, HELEMENT content, int& addressDlgLearn);

// Writes the profile value, then the whole document to a temporary file
// beside `path`, which replaces `path` only once it is complete. 1 written,
// 0 writing failed (the old file stays), -1 the file cannot be created.
int Save(const QString& path, const ItemTable& items, HELEMENT content, int addressDlgLearn);

// The profile store of the learn setting.
inline constexpr const char* kProfileName = "Ferrowick";
inline constexpr const char* kLearnKey = "AddressDlgLearn";

} // namespace appxml
