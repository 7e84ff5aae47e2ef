#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CAddressDlg;
}

// "Incorrect Address": tells the user that the address box holds no usable
// video address, shows an example, and offers the help page. The caller
// presets m_bLearn from its remembered setting and, after IDOK, keeps the
// value the user left in the check box.
class CAddressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAddressDlg(QWidget* parent = nullptr);
    ~CAddressDlg() override;

    // IDOK after OK (the help page is open by then if the box was checked),
    // IDCANCEL after Escape or the close box, with m_bLearn untouched.
    int DoModal();

    QString m_strMessage;
    int m_bLearn = 1;
    QString m_strExample;

    void reject() override;

protected:
    void DoDataExchange(bool save);

private:
    void OnOkButton();

    std::unique_ptr<Ui::CAddressDlg> m_ui;
};
