#include "dialogdriver.h"

#include "engine/folders.h"
#include "ui/dialogs/dialogcommon.h"
#include "ui/dialogs/folderdialog.h"
#include "ui/dialogs/optionsdlg.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OptionsDlg : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_old = MakeFolder(QStringLiteral("old videos"));
        SetVideoFolder(m_old);
    }
    void TearDown() override { SetVideoFolder(QString()); }

    QString MakeFolder(const QString& relative)
    {
        const QString path = QDir(m_tmp.path()).filePath(relative);
        EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
        return path;
    }
    static void SetVideoFolder(const QString& folder) { SetVideoFolderSetting(folder); }
    static QString VideoFolder() { return GetVideoFolderSetting(); }
    static QLineEdit* Box(COptionsDlg* d) { return Child<QLineEdit>(d, "folderEdit"); }
    static void Click(QWidget* d, const char* button)
    {
        QTest::mouseClick(Child<QPushButton>(d, button), Qt::LeftButton);
    }

    // Browse, then answer the chooser: choose folder, or cancel when empty.
    static void BrowseAndAnswer(COptionsDlg* d, const QString& folder)
    {
        WhenModal<QFileDialog>([folder](QFileDialog* chooser) {
            if (folder.isEmpty()) {
                chooser->reject();
                return;
            }
            chooser->setDirectory(folder);
            static_cast<QDialog*>(chooser)->accept();  // the chooser's own accept, as its button does
        });
        Click(d, "browseButton");
    }

    QTemporaryDir m_tmp;
    QString m_old;
};

TEST_F(OptionsDlg, CancelEscapeAndPlainOkKeepTheFolder)
{
    for (const char* how : {"cancelButton", "escape", "okButton"}) {
        COptionsDlg dlg;
        WhenModal<COptionsDlg>([&](COptionsDlg* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Options"));
            EXPECT_EQ(Box(d)->text(), m_old);
            if (QByteArray(how) == "escape")
                QTest::keyClick(d, Qt::Key_Escape);
            else
                Click(d, how);
        });
        EXPECT_EQ(dlg.DoModal(), QByteArray(how) == "okButton" ? IDOK : IDCANCEL) << how;
        EXPECT_EQ(VideoFolder(), m_old) << how;
    }
}

TEST_F(OptionsDlg, BrowseShowsTheChoiceWhichOnlyOkPutsInForce)
{
    const QString chosen = MakeFolder(QStringLiteral("new videos"));
    {
        COptionsDlg dlg;
        WhenModal<COptionsDlg>([&](COptionsDlg* d) {
            // The chooser opens titled, for folders, on the current folder; its Cancel changes nothing.
            WhenModal<QFileDialog>([&](QFileDialog* chooser) {
                EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Select a folder for your videos:"));
                EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
                EXPECT_EQ(QDir(chooser->directory()).absolutePath(), m_old);
                chooser->reject();
            });
            Click(d, "browseButton");
            EXPECT_EQ(Box(d)->text(), m_old);
            BrowseAndAnswer(d, chosen);
            EXPECT_EQ(Box(d)->text(), chosen);
            EXPECT_EQ(VideoFolder(), m_old);
            Click(d, "cancelButton");
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(VideoFolder(), m_old);
    }
    {
        COptionsDlg dlg;
        WhenModal<COptionsDlg>([&](COptionsDlg* d) {
            BrowseAndAnswer(d, chosen);
            Click(d, "okButton");
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(VideoFolder(), chosen);
    }
}

TEST_F(OptionsDlg, AFolderLongerThan256IsRefusedAndNeverPutInForce)
{
    // Real folders, so the chooser accepts them: 256 characters pass, 257 do not.
    const QString base = m_tmp.path() + QStringLiteral("/");
    auto folderOfLength = [&](int length) {
        QString path = base;
        while (path.size() < length) {
            const int room = length - path.size();
            path += room > 100 ? QString(60, QChar('d')) + QStringLiteral("/") : QString(room, QChar('e'));
        }
        return MakeFolder(path.mid(base.size()));
    };
    const QString tooLong = folderOfLength(257);
    const QString longest = folderOfLength(256);
    ASSERT_EQ(tooLong.size(), 257);
    ASSERT_EQ(longest.size(), 256);

    COptionsDlg dlg;
    bool refused = false;
    WhenModal<COptionsDlg>([&](COptionsDlg* d) {
        BrowseAndAnswer(d, tooLong);
        EXPECT_EQ(Box(d)->text(), tooLong);  // shown whole, never cut to another folder's name
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            refused = true;
            EXPECT_EQ(box->text(), QStringLiteral("Please enter no more than 256 characters."));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Ferrowick"));
            EXPECT_EQ(VideoFolder(), m_old);
            box->accept();
        });
        Click(d, "okButton");
        EXPECT_TRUE(refused);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(VideoFolder(), m_old);
        Click(d, "cancelButton");
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(refused);
    EXPECT_EQ(VideoFolder(), m_old);

    COptionsDlg again;
    WhenModal<COptionsDlg>([&](COptionsDlg* d) {
        BrowseAndAnswer(d, longest);
        Click(d, "okButton");
    });
    EXPECT_EQ(again.DoModal(), IDOK);
    EXPECT_EQ(VideoFolder(), longest);
}

TEST_F(OptionsDlg, OddFolderNamesAreKeptAsPaths)
{
    const QStringList names = {
        QStringLiteral("two  blanks "),
        QStringLiteral("say \"hi\" and 'bye' $(true) `x`;"),
        QStringLiteral("Vidéos ✓ 日本語 \u05D0\u05D1"),
        QStringLiteral("-rf"),
        QStringLiteral("--help"),
    };
    for (const QString& name : names) {
        const QString folder = MakeFolder(name);
        COptionsDlg dlg;
        WhenModal<COptionsDlg>([&](COptionsDlg* d) {
            BrowseAndAnswer(d, folder);
            Click(d, "okButton");
        });
        EXPECT_EQ(dlg.DoModal(), IDOK) << name.toStdString();
        EXPECT_EQ(VideoFolder(), folder) << name.toStdString();
    }
}

TEST_F(OptionsDlg, TheChooserOpensOnTheNearestFolderThatExists)
{
    // The default video folder appears only with the first download.
    CFolderDialog chooser(nullptr, QDir(m_old).filePath(QStringLiteral("not yet/deeper")));
    WhenModal<QFileDialog>([&](QFileDialog* fd) {
        EXPECT_EQ(QDir(fd->directory()).absolutePath(), m_old);
        static_cast<QDialog*>(fd)->accept();
    });
    EXPECT_EQ(chooser.DoModal(), 1);
    EXPECT_EQ(chooser.m_strSelectedPath, m_old);
}

}  // namespace
