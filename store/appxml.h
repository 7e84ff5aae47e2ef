#pragma once

#include "engine/settingsvalues.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// app.xml as plain records: the settings and the download list,
// plus the learn setting of the address dialog kept in the user's profile.
// Turning records into list items and rows is the main window's work.
namespace appxml {

// One stored video. Numbers are already decoded; an absent field is empty or 0.
struct ItemRecord {
    QString id;  // trimmed, a video id
    QString title;
    QString videopath;
    QString thumbpath;
    QString imagepath;
    int32_t error = 0;
    int64_t length = 0;  // bytes: 64 bits, written in the same plain decimal
    int64_t completed = 0;
};

struct Document {
    // Comes in holding the folders' defaults; every other setting starts at
    // its own. The last `dir` or `limit` of a type replaces it, and a limit
    // that is no number of its setting gives the default.
    SettingsValues settings;
    std::vector<ItemRecord> items;  // in file order, duplicates included
};

// Reads records from the bytes of a document. Each `dir` counts at its end
// tag and each `item` at its own, so a document cut off or broken keeps
// everything completed before the break. An item whose trimmed id is not a
// video id (letters, digits, '_', '-') is skipped and the items after it
// still load. True when reading ran to the end or stopped at a reader error
// (a DTD included); false when a field element is the document element.
bool Parse(const QByteArray& bytes, Document& doc);
// The same from a file; false when it cannot be opened.
bool Load(const QString& path, Document& doc);

// The whole document, UTF-8, indented, every container closed by a full end tag.
QByteArray Serialize(const SettingsValues& settings, const std::vector<ItemRecord>& items);
// Writes the document to a temporary file beside `path`, which replaces
// `path` only once all of it is on the disk. 1 written, 0 writing failed
// (the old file stays byte for byte), -1 the file cannot be created.
int Save(const QString& path, const SettingsValues& settings, const std::vector<ItemRecord>& items);
// Removes the temporary files of saves to `path` that a kill or a power cut
// ended before the rename. Only while no save to `path` can be running.
void RemoveSaveLeftovers(const QString& path);

// The profile value of the learn setting: 1 when absent. A failed save
// (false) keeps the value stored before.
int LoadLearnSetting();
bool SaveLearnSetting(int value);

// The profile store of the learn setting.
inline constexpr const char* kProfileName = "Ferrowick";
inline constexpr const char* kLearnKey = "AddressDlgLearn";

}  // namespace appxml
