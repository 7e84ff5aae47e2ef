#include "dialogdriver.h"

#include "engine/myyoutubedownloader.h"
#include "ui/dialogs/addressdlg.h"
#include "ui/dialogs/dialogcommon.h"
#include "ui/dialogs/helppage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Opens the dialog with the learn box preset, lets act drive it, and returns
// DoModal's result.
int Show(CAddressDlg& dlg, int learn, std::function<void(CAddressDlg*)> act)
{
    dlg.m_bLearn = learn;
    WhenModal<CAddressDlg>(std::move(act));
    return dlg.DoModal();
}

TEST(AddressDlg, OkOpensTheHelpPageOnlyWhileTheBoxIsChecked)
{
    OpenRecorder opened;
    {
        CAddressDlg dlg;
        const int result = Show(dlg, 1, [](CAddressDlg* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Incorrect Address"));
            EXPECT_EQ(
                Child<QLabel>(d, "messageLabel")->text(),
                QStringLiteral("The address you entered is not correct.\n\nKeep the buttn \"Learn how to use "
                               "Ferrowick\" checked below and click OK to learn how to use Ferrowick correctly."));
            EXPECT_TRUE(Child<QCheckBox>(d, "learnCheck")->isChecked());
            EXPECT_FALSE(Child<QLabel>(d, "pictureLabel")->pixmap().isNull());
            QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(dlg.m_bLearn, 1);
        ASSERT_EQ(opened.urls.size(), 1);
        EXPECT_EQ(opened.urls[0], HelpPageUrl());
        EXPECT_TRUE(opened.urls[0].isLocalFile());
        EXPECT_TRUE(opened.urls[0].toLocalFile().endsWith(QStringLiteral("/help/ferrowick-help.html")));
    }
    opened.urls.clear();
    {
        // Unchecked by the user, then Enter: the default button, nothing opened.
        CAddressDlg dlg;
        const int result = Show(dlg, 1, [](CAddressDlg* d) {
            QTest::mouseClick(Child<QCheckBox>(d, "learnCheck"), Qt::LeftButton);
            QTest::keyClick(d, Qt::Key_Return);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(dlg.m_bLearn, 0);
        EXPECT_TRUE(opened.urls.isEmpty());
    }
    {
        // The next showing starts from the remembered 0.
        CAddressDlg dlg;
        const int result = Show(dlg, 0, [](CAddressDlg* d) {
            EXPECT_FALSE(Child<QCheckBox>(d, "learnCheck")->isChecked());
            QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(dlg.m_bLearn, 0);
        EXPECT_TRUE(opened.urls.isEmpty());
    }
}

TEST(AddressDlg, EscapeAndTheCloseBoxReturnCancelAndKeepThePreset)
{
    OpenRecorder opened;
    {
        CAddressDlg dlg;
        const int result = Show(dlg, 1, [](CAddressDlg* d) {
            QTest::mouseClick(Child<QCheckBox>(d, "learnCheck"), Qt::LeftButton);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dlg.m_bLearn, 1);
    }
    {
        CAddressDlg dlg;
        const int result = Show(dlg, 0, [](CAddressDlg* d) {
            QTest::mouseClick(Child<QCheckBox>(d, "learnCheck"), Qt::LeftButton);
            d->close();
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dlg.m_bLearn, 0);
    }
    EXPECT_TRUE(opened.urls.isEmpty());
}

TEST(AddressDlg, TheExampleIsAnAcceptedAddressThatCanBeCopied)
{
    CAddressDlg dlg;
    auto* job = new CMyYouTubeDownloader;
    EXPECT_TRUE(job->SetAddress(dlg.m_strExample));
    EXPECT_EQ(job->GetVideoId().size(), 11);
    EXPECT_TRUE(dlg.m_strExample.startsWith(QStringLiteral("http://www.youtube.com/watch?v=")));
    job->Discard();

    const int result = Show(dlg, 1, [](CAddressDlg* d) {
        ExpectSelectableNotEditable(Child<QLineEdit>(d, "exampleEdit"));
        d->reject();
    });
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
