#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CAboutDlg;
}

// "About Ferrowick": name, version, notice, and the ways to reach the
// maker. The web-site button opens the site and leaves the dialog open; the
// two addresses can be selected and copied.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // IDOK after OK, IDCANCEL after Escape or the close box.
    int DoModal();

    QString m_strSupport;
    QString m_strProduct;
    QString m_strOrder;

    void reject() override;

protected:
    void OnInitDialog();
    void DoDataExchange(bool save);

private:
    void OnWebSite();

    std::unique_ptr<Ui::CAboutDlg> m_ui;
};
