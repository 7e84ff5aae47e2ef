#include "dialogdriver.h"

#include "platform/shellopen.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

void WhenModalImpl(const std::function<QWidget*(QWidget*)>& match, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, match, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !match(modal))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

OpenRecorder::OpenRecorder()
{
    SetShellOpenHook([this](const QUrl& url) { urls.append(url); });
}

OpenRecorder::~OpenRecorder()
{
    SetShellOpenHook({});
}

void ExpectSelectableNotEditable(QLineEdit* edit)
{
    const QString before = edit->text();
    ASSERT_FALSE(before.isEmpty());
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(edit->focusPolicy() & Qt::TabFocus);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("xy"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), before);
    QApplication::clipboard()->clear();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), before);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), before);
}
