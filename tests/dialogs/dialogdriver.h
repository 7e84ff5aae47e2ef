#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QLineEdit;

// Runs action once on the next modal window of type T that is shown. Modal
// dialogs run their own event loop, so a test arms the action before the
// call that opens the dialog.
void WhenModalImpl(const std::function<QWidget*(QWidget*)>& match, std::function<void(QWidget*)> action);

template <class T>
void WhenModal(std::function<void(T*)> action)
{
    WhenModalImpl([](QWidget* w) -> QWidget* { return qobject_cast<T*>(w); },
                  [action = std::move(action)](QWidget* w) { action(static_cast<T*>(w)); });
}

// Every URL handed to the desktop's opener while it lives.
class OpenRecorder {
public:
    OpenRecorder();
    ~OpenRecorder();
    QList<QUrl> urls;
};

// The box shows its text, which can be selected and copied but not changed.
void ExpectSelectableNotEditable(QLineEdit* edit);

template <class T>
T* Child(QWidget* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}
