#include "dialogdriver.h"

#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/dialogcommon.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(AboutDlg, TheWebSiteButtonOpensTheSiteEachTimeAndTheDialogStays)
{
    OpenRecorder opened;
    CAboutDlg dlg;
    WhenModal<CAboutDlg>([&](CAboutDlg* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("About Ferrowick"));
        EXPECT_EQ(Child<QLabel>(d, "productLabel")->text(), QStringLiteral("Ferrowick"));
        EXPECT_EQ(Child<QLabel>(d, "versionLabel")->text(), QStringLiteral("Version 3.0.0.1"));
        EXPECT_FALSE(Child<QLabel>(d, "iconLabel")->pixmap().isNull());
        auto* web = Child<QPushButton>(d, "webSiteButton");
        EXPECT_EQ(web->text(), QStringLiteral("http://www.ferrowick.example/"));
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(web, Qt::LeftButton);
            EXPECT_TRUE(d->isVisible());
        }
        // Enter after the web site still means OK.
        web->setFocus();
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(opened.urls.size(), 3);
    for (const QUrl& url : opened.urls)
        EXPECT_EQ(url, QUrl(QStringLiteral("http://www.ferrowick.example/")));
}

TEST(AboutDlg, TheAddressesCanBeCopiedButNotChanged)
{
    CAboutDlg dlg;
    WhenModal<CAboutDlg>([&](CAboutDlg* d) {
        auto* support = Child<QLineEdit>(d, "supportEdit");
        auto* order = Child<QLineEdit>(d, "orderEdit");
        EXPECT_EQ(support->text(), QStringLiteral("support@ferrowick.example"));
        EXPECT_EQ(order->text(), QStringLiteral("orders@ferrowick.example"));
        ExpectSelectableNotEditable(support);
        ExpectSelectableNotEditable(order);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strSupport, QStringLiteral("support@ferrowick.example"));
    EXPECT_EQ(dlg.m_strOrder, QStringLiteral("orders@ferrowick.example"));
}

}  // namespace
