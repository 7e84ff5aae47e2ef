#include "tests/support/fakeopener.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test that forgets its recorder must never start a browser, also on a
    // platform whose desktop services run xdg-open.
    FakeOpener opener;
    qputenv("PATH", opener.path().toLocal8Bit());
    QApplication app(argc, argv);
    // A dialog left open by a failing test would wait for ever.
    QTimer watchdog;
    QPointer<QWidget> seen;
    QObject::connect(&watchdog, &QTimer::timeout, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal == seen) {
            ADD_FAILURE() << "modal window left open: " << modal->metaObject()->className();
            modal->close();
        }
        seen = modal;
    });
    watchdog.start(10000);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
