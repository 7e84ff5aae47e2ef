#include "addressdlg.h"

#include "dialogcommon.h"
#include "helppage.h"
#include "productinfo.h"
#include "ui_addressdlg.h"

#include "platform/shellopen.h"

#include <QPixmap>

CAddressDlg::CAddressDlg(QWidget* parent)
    : QDialog(parent),
      m_strMessage(QStringLiteral("The address you entered is not correct.\n\n"
                                  "Keep the buttn \"Learn how to use Ferrowick\" checked below and click OK "
                                  "to learn how to use Ferrowick correctly.")),
      m_strExample(QString::fromLatin1(PRODUCT_EXAMPLE_ADDRESS)), m_ui(std::make_unique<Ui::CAddressDlg>())
{
    m_ui->setupUi(this);
    PrepareDialog(this);
    m_ui->pictureLabel->setPixmap(QPixmap(QStringLiteral(":/res/BITMAP/134")));
    connect(m_ui->okButton, &QPushButton::clicked, this, &CAddressDlg::OnOkButton);
}

CAddressDlg::~CAddressDlg() = default;

int CAddressDlg::DoModal()
{
    DoDataExchange(false);
    return exec();
}

void CAddressDlg::DoDataExchange(bool save)
{
    if (save) {
        m_strMessage = m_ui->messageLabel->text();
        m_bLearn = m_ui->learnCheck->isChecked() ? 1 : 0;
        m_strExample = m_ui->exampleEdit->text();
    } else {
        m_ui->messageLabel->setText(m_strMessage);
        m_ui->learnCheck->setChecked(m_bLearn != 0);
        m_ui->exampleEdit->setText(m_strExample);
        m_ui->exampleEdit->setCursorPosition(0);
    }
}

void CAddressDlg::OnOkButton()
{
    DoDataExchange(true);
    if (m_bLearn)
        ShellOpen(HelpPageUrl());
    done(IDOK);
}

void CAddressDlg::reject()
{
    done(IDCANCEL);
}
