#include "optionsdlg.h"

#include "dialogcommon.h"
#include "folderdialog.h"
#include "productinfo.h"
#include "ui_optionsdlg.h"

#include "engine/settings.h"

#include <QMessageBox>

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::COptionsDlg>())
{
    m_ui->setupUi(this);
    PrepareDialog(this);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &COptionsDlg::OnBrowse);
    connect(m_ui->okButton, &QPushButton::clicked, this, &COptionsDlg::OnOkButton);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
    connect(m_ui->rateCheck, &QCheckBox::toggled, m_ui->rateSpin, &QWidget::setEnabled);
}

COptionsDlg::~COptionsDlg() = default;

int COptionsDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void COptionsDlg::OnInitDialog()
{
    m_settings = CSettings::Instance().Values();
    m_strFolder = m_settings.videoFolder;
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
        m_ui->downloadsSpin->setValue(m_settings.downloadLimit);
        m_ui->rateCheck->setChecked(m_settings.rateLimitKiB > 0);
        if (m_settings.rateLimitKiB > 0)
            m_ui->rateSpin->setValue(m_settings.rateLimitKiB);
        m_ui->rateSpin->setEnabled(m_settings.rateLimitKiB > 0);
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
    m_settings.videoFolder = text;
    m_settings.downloadLimit = m_ui->downloadsSpin->value();
    m_settings.rateLimitKiB = m_ui->rateCheck->isChecked() ? m_ui->rateSpin->value() : 0;
    return true;
}

void COptionsDlg::OnBrowse()
{
    CFolderDialog chooser(this, m_strFolder);
    if (chooser.DoModal() == IDOK) {
        // Only the folder's box: the limits keep what the user set meanwhile.
        m_strFolder = chooser.m_strSelectedPath;
        m_ui->folderEdit->setText(m_strFolder);
        m_ui->folderEdit->setCursorPosition(0);
    }
}

void COptionsDlg::OnOkButton()
{
    // Check first, then apply: a refused folder must not be in force while
    // the dialog stays open, nor after Cancel.
    if (!DoDataExchange(true))
        return;
    CSettings::Instance().Apply(m_settings);
    done(IDOK);
}

void COptionsDlg::reject()
{
    done(IDCANCEL);
}
