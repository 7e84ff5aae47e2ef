#include "dialogcommon.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontMetricsF>

#include <cmath>

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

namespace {

// The forms' positions were measured in dialog units of a font whose letters
// average 6 pixels wide (a dialog unit is a quarter of that). The desktop's
// family is kept at the pixel size that comes closest to that width, so texts
// fit their controls: wide families such as DejaVu Sans get 10 pixels.
QFont DialogFont()
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QFont font = QApplication::font();
    int best = 11;
    qreal bestError = 1e9;
    for (int px = 8; px <= 16; ++px) {
        font.setPixelSize(px);
        const qreal error = std::abs(QFontMetricsF(font).horizontalAdvance(letters) / qreal(letters.size()) - 6.0);
        if (error < bestError) {
            best = px;
            bestError = error;
        }
    }
    font.setPixelSize(best);
    return font;
}

}  // namespace

void PrepareDialog(QDialog* dialog)
{
    InitDialogResources();
    dialog->setFont(DialogFont());
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(dialog->size());
}
