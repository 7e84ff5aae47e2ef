#pragma once

#include <QString>

// The names a video's file may take in its folder. The first is the file
// title and the extension; a later video of the same title takes the first
// free name "TITLE (n).EXT". The title is cut at a character boundary so
// that the whole name fits in the 255 bytes a Linux file name holds.
constexpr int kMaxFileNameBytes = 255;
// A page may hold a title of millions of characters; the row, app.xml and
// the notification keep a line of it.
constexpr int kMaxTitleCharacters = 500;

// The file title a scraped title gives: character references and the
// characters a file name cannot hold become spaces, and the title is cut
// to kMaxTitleCharacters. "Unknown-ID" stands for a page without a title.
QString FileTitleOf(const QString& title, const QString& videoId);

// The name with number n: 1 is the plain name, n > 1 adds " (n)".
QString VideoFileName(const QString& fileTitle, int number, const QString& extension);
// Which of those names `name` is; 0 when it is none of them.
int VideoFileNumber(const QString& name, const QString& fileTitle, const QString& extension);
// The longest start of text whose UTF-8 form fits in maxBytes, never a half character.
QString CutToUtf8Bytes(const QString& text, int maxBytes);
// The first maxCharacters code points of text, never half a surrogate pair.
QString CutToCharacters(const QString& text, int maxCharacters);
