#include "frameaccessible.h"

#include "mainframe.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QWindow>

namespace {

// Qt lists every top-level window it knows, shown or not. The web engine's
// view renders through a window of its own that never reaches the screen
// ("Offscreen"), and a screen reader would take it for one of the program's
// frames; a window not shown is no window to the user either.
class ShownWindowsApplication : public QAccessibleApplication {
public:
    int childCount() const override { return int(windows().size()); }
    QAccessibleInterface* child(int index) const override
    {
        return QAccessible::queryAccessibleInterface(windows().value(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(windows().indexOf(child->object())) : -1;
    }

private:
    static QObjectList windows()
    {
        QObjectList out;
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (w->isVisible() && w->type() != Qt::Popup && w->type() != Qt::Desktop)
                if (QAccessibleInterface* root = w->accessibleRoot(); root && root->object())
                    out.append(root->object());
        return out;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (object && object == qApp)
        return new ShownWindowsApplication;
    // A plain widget reads as a filler; the main window is the program's frame.
    if (className == QLatin1String("CMainFrame"))
        return new QAccessibleWidget(static_cast<CMainFrame*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

void InstallFrameAccessibility()
{
    QAccessible::installFactory(&Factory);
}
