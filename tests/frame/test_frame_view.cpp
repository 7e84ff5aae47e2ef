// The main window with its Chromium view: a link dropped on the page goes to
// the add flow, and the view stays on the program's page.

#include "engine/myyoutubedownloader.h"
#include "platform/layout/view/layoutwebview.h"
#include "tests/frame/frameprobe.h"
#include "tests/site/localvideosite.h"
#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/waitfor.h"

using namespace localsite;

namespace {

// A dialog would be a failure here; it must not wait for a person.
class QuietFrame : public CMainFrame {
public:
    int asked = 0;

protected:
    QMessageBox::StandardButton MessageBox(const QString&, QMessageBox::StandardButtons, QMessageBox::Icon,
                                           QMessageBox::StandardButton) override
    {
        return ++asked, QMessageBox::Ok;
    }
    int RunAddressDialog(int&) override { return ++asked, 2; }
};

}  // namespace

TEST(FrameView, ALinkDroppedOnThePageIsAddedAndNotOpened)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath("config"));
    LocalVideoSite site;
    ScopedProxy proxy(site.proxyUrl());
    site.setVideo("dropped0001", GoodVideo("Dropped", 5000));

    QPointer<QuietFrame> frame = new QuietFrame;
    ASSERT_TRUE(frame->Create(true));
    frame->show();
    ASSERT_TRUE(WaitFor([&] { return frame->GetView()->isReady() && frame->GetView()->focusProxy(); }));
    QWidget* page = frame->GetView()->focusProxy();
    const QUrl before = frame->GetView()->url();

    QMimeData links;
    links.setUrls({QUrl("http://www.youtube.com/watch?v=dropped0001")});
    const QPoint at(340, 300);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &links, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &links, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);

    ASSERT_TRUE(WaitFor([&] { return FrameProbe::Items(*frame).count("dropped0001") == 1; }, 5000));
    Pump(1000);
    EXPECT_EQ(frame->GetView()->url(), before);
    EXPECT_EQ(frame->asked, 0);
    delete frame.data();
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing");
    layout::LayoutWebView::RegisterScheme();
    QCoreApplication::setApplicationName("Ferrowick");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
