#pragma once

#include "element.h"

#include <QString>
#include <optional>
#include <string>

// The element operations the program uses, over the engine's calls. Wide text
// is QString; what the engine takes as UTF-8 goes through ToUtf8.

htmlayout::dom::element CreateElement(const char* tag);
// index 0 puts it first; HTMLAYOUT_APPEND after the last child.
void InsertElement(HELEMENT he, HELEMENT parent, unsigned index);
void DeleteElement(HELEMENT he);
// Replaces the content with plain text; the empty text removes all children.
void SetElementText(HELEMENT he, const QString& text);
// Replaces the content with parsed markup.
void SetElementHtml(HELEMENT he, const std::string& utf8);
// The element's text as UTF-8, copied out of the engine.
std::string GetElementInnerText(HELEMENT he);
void SetAttribute(HELEMENT he, const char* name, const QString& value);
std::optional<QString> GetAttribute(HELEMENT he, const char* name);
std::string GetTagName(HELEMENT he);
void SetElementState(HELEMENT he, uint32_t bitsToSet, uint32_t bitsToClear, bool updateNow = false);
uint32_t GetElementState(HELEMENT he);
void UpdateElement(HELEMENT he, bool renderNow);
bool IsPointInside(HELEMENT he, POINT pt);
HELEMENT GetRootElement(HWND hwnd);
HELEMENT FindElementAtPoint(HWND hwnd, POINT pt);
HELEMENT GetParentElement(HELEMENT he);
HWND GetElementWindow(HELEMENT he);

// The first descendant of root whose id is the given ASCII id; no use taken.
HELEMENT FindElementById(HELEMENT root, const char* id);
// Every match of the selector under root, in document order, until the visitor answers true.
HLDOM_RESULT SelectElements(HELEMENT root, const char* selector, htmlayout::dom::callback& visitor);
