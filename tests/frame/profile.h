#pragma once

#include <QString>

// The profile store of these tests lives in a temporary folder, never in the
// user's own configuration. ProfileFolder() is set before any test runs.
QString ProfileFolder();
int ProfileLearnValue(bool* present = nullptr);
void SetProfileLearnValue(int value);
void RemoveProfileLearnValue();
