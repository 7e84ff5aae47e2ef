#include "dialogcommon.h"

#include <QApplication>
#include <QDialog>
#include <QFont>

void InitDialogResources()
{
    // The resources live in a static library; nothing pulls them into the
    // program unless their initialiser is called from code that runs.
    static const bool once = [] {
        Q_INIT_RESOURCE(dialogs);
        return true;
    }();
    (void)once;
}

void PrepareDialog(QDialog* dialog)
{
    InitDialogResources();
    // The forms are laid out in pixels for an 8-point font at 96 dpi, which is
    // 11 pixels; the desktop's family is kept, only its size is pinned.
    QFont font = QApplication::font();
    font.setPixelSize(11);
    dialog->setFont(font);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog->setFixedSize(dialog->size());
}
