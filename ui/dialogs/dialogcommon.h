#pragma once

class QDialog;

// What DoModal returns, as the dialogs' callers know them.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Gives a dialog built from a form its fixed size, its frame (caption and
// close box, no resizing) and a font as wide as the one the form's positions
// were measured in. Also makes the dialogs' pictures available.
void PrepareDialog(QDialog* dialog);

// Registers the dialogs' pictures and the program icon under :/res/.
// Safe to call more than once.
void InitDialogResources();
