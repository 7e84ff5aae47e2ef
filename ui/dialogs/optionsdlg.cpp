#include "optionsdlg.h"

#include "dialogcommon.h"
#include "folderdialog.h"
#include "productinfo.h"
#include "ui_optionsdlg.h"

#include "engine/folders.h"

#include <QMessageBox>

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::COptionsDlg>())
{
    m_ui->setupUi(this);
    PrepareDialog(this);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &COptionsDlg::OnBrowse);
    connect(m_ui->okButton, &QPushButton::clicked, this, &COptionsDlg::OnOkButton);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
}

COptionsDlg::~COptionsDlg() = default;

int COptionsDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void COptionsDlg::OnInitDialog()
{
    m_strFolder = GetVideoFolderSetting();
    DoDataExchange(false);
}

bool COptionsDlg::DoDataExchange(bool save)
{
    if (!save) {
        // No text limit on the box: Qt's limit would cut a longer folder
        // short, and a cut path names another folder. The check on the way
        // back refuses it instead.
        m_ui->folderEdit->setText(m_strFolder);
        m_ui->folderEdit->setCursorPosition(0);
        return true;
    }
    const QString text = m_ui->folderEdit->text();
    if (text.size() > MAX_FOLDER_LENGTH) {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(PRODUCT_NAME),
                        QStringLiteral("Please enter no more than %1 characters.").arg(MAX_FOLDER_LENGTH),
                        QMessageBox::Ok, this);
        box.exec();
        m_ui->folderEdit->setFocus();
        m_ui->folderEdit->selectAll();
        return false;
    }
    m_strFolder = text;
    return true;
}

void COptionsDlg::OnBrowse()
{
    CFolderDialog chooser(this, m_strFolder);
    if (chooser.DoModal() == IDOK) {
        m_strFolder = chooser.m_strSelectedPath;
        DoDataExchange(false);
    }
}

void COptionsDlg::OnOkButton()
{
    // Check first, then apply: a refused folder must not be in force while
    // the dialog stays open, nor after Cancel.
    if (!DoDataExchange(true))
        return;
    SetVideoFolderSetting(m_strFolder);
    done(IDOK);
}

void COptionsDlg::reject()
{
    done(IDCANCEL);
}
