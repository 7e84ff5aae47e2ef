#pragma once

#include <QString>

// Path helpers over QDir/QFileInfo with the meanings the program relies on.

// folder and name with exactly one separator between them.
QString PathCombine(const QString& folder, const QString& name);
// Creates the folder and every missing parent; true when it exists afterwards.
bool CreateFolderWithParents(const QString& folder);
