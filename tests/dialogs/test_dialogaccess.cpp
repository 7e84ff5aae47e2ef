#include "dialogdriver.h"

#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/addressdlg.h"
#include "ui/dialogs/optionsdlg.h"

#include <QAccessible>
#include <QTest>

#include <QAbstractSpinBox>
#include <gtest/gtest.h>

namespace {

// The controls Tab reaches in the dialog T, in order, each with the name a
// screen reader reads for it.
template <class T>
QString TabChain()
{
    QStringList chain;
    T dlg;
    WhenModal<T>([&](T* d) {
        for (QWidget* w = d->nextInFocusChain(); w && w != d; w = w->nextInFocusChain())
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                !qobject_cast<QAbstractSpinBox*>(w->parentWidget()))  // a spin box's own text
                chain << w->objectName() + '=' + QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    dlg.DoModal();
    return chain.join(" | ");
}

TEST(DialogAccess, EveryControlIsNamedAndTabGoesInTheDialogsOrder)
{
    EXPECT_EQ(TabChain<CAddressDlg>(), "okButton=OK | learnCheck=Learn how to use Ferrowick | exampleEdit=Example:");
    EXPECT_EQ(TabChain<COptionsDlg>(),
              "okButton=OK | cancelButton=Cancel | folderEdit=Videos Save To: | browseButton=Browse... | "
              "downloadsSpin=Most downloads at once: | rateCheck=Limit the download rate to");
    EXPECT_EQ(TabChain<CAboutDlg>(), "webSiteButton=http://www.ferrowick.example/ | supportEdit=Technical Support: | "
                                     "orderEdit=Order Support: | okButton=OK");
}

}  // namespace
