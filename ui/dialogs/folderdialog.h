#pragma once

#include <QString>

class QWidget;

// A folder chooser titled "Select a folder for your videos:" that opens on
// the initial folder (or, while that does not exist yet, on its nearest
// existing parent). It runs a QFileDialog in directory mode, modal to the
// parent.
class CFolderDialog {
public:
    explicit CFolderDialog(QWidget* parent, const QString& initialFolder = QString());
    ~CFolderDialog();
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // IDOK: a folder was chosen and m_strSelectedPath holds its path;
    // -1: the chosen item has no local path (a remote location of the
    // desktop's own chooser); 2 (IDCANCEL): the user cancelled.
    int DoModal();

    QString m_strInitialFolder;
    QString m_strSelectedPath;

private:
    QWidget* m_pParent;
};
