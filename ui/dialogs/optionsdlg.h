#pragma once

#include "engine/settingsvalues.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class COptionsDlg;
}

// "Options": shows the video folder, changes it only through Browse, and
// the limits of the download queue and rate. It edits a copy of the
// settings and puts it into force on OK; Cancel, Escape and the close box
// leave the settings as they were.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // IDOK once the settings hold what it shows, else IDCANCEL.
    int DoModal();

    QString m_strFolder;
    SettingsValues m_settings;  // the copy being edited

    // The longest folder the setting accepts.
    static constexpr int MAX_FOLDER_LENGTH = 256;

    void reject() override;

protected:
    void OnInitDialog();
    // Towards the members, false (the message shown, the box focused) when
    // the folder is too long.
    bool DoDataExchange(bool save);

private:
    void OnBrowse();
    void OnOkButton();

    std::unique_ptr<Ui::COptionsDlg> m_ui;
};
