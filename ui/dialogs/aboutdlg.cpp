#include "aboutdlg.h"

#include "appicon.h"
#include "dialogcommon.h"
#include "productinfo.h"
#include "ui_aboutdlg.h"

#include "platform/shellopen.h"

#include <QUrl>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDlg>())
{
    m_ui->setupUi(this);
    PrepareDialog(this);
    m_ui->iconLabel->setPixmap(AppIcon().pixmap(32, 32));
    m_ui->versionLabel->setText(QString::fromLatin1(PRODUCT_VERSION_TEXT));
    m_ui->noticeLabel->setText(QString::fromLatin1(PRODUCT_NOTICE));
    m_ui->webSiteButton->setText(QString::fromLatin1(PRODUCT_WEB_SITE));
    connect(m_ui->webSiteButton, &QPushButton::clicked, this, &CAboutDlg::OnWebSite);
    connect(m_ui->okButton, &QPushButton::clicked, this, [this] { done(IDOK); });
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CAboutDlg::OnInitDialog()
{
    m_strProduct = QString::fromLatin1(PRODUCT_NAME);
    setWindowTitle(QStringLiteral("About ") + m_strProduct);
    m_strSupport = QString::fromLatin1(PRODUCT_SUPPORT_ADDRESS);
    m_strOrder = QString::fromLatin1(PRODUCT_ORDER_ADDRESS);
    DoDataExchange(false);
}

void CAboutDlg::DoDataExchange(bool save)
{
    if (save) {
        m_strSupport = m_ui->supportEdit->text();
        m_strProduct = m_ui->productLabel->text();
        m_strOrder = m_ui->orderEdit->text();
    } else {
        m_ui->supportEdit->setText(m_strSupport);
        m_ui->productLabel->setText(m_strProduct);
        m_ui->orderEdit->setText(m_strOrder);
    }
}

void CAboutDlg::OnWebSite()
{
    ShellOpen(QUrl(QString::fromLatin1(PRODUCT_WEB_SITE)));
}

void CAboutDlg::reject()
{
    done(IDCANCEL);
}
