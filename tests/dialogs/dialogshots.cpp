// Saves a picture of each dialog, as the offscreen platform draws it, into
// the folder given on the command line; with --dark, in the dark scheme.
#include "engine/folders.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/addressdlg.h"
#include "ui/dialogs/optionsdlg.h"
#include "ui/frame/colorscheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

int g_failures = 0;

// Names every text that needs more room than its control gives it.
void ReportCutTexts(QWidget* dialog)
{
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        QString text;
        int room = w->width();
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap())
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text(), room = w->width() - (qobject_cast<QCheckBox*>(w) ? 20 : 8);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text(), room = w->width() - 8;
        const int need = w->fontMetrics().horizontalAdvance(text);
        if (!text.isEmpty() && need > room)
            std::fprintf(stderr, "%s: %s needs %d px, has %d\n", dialog->metaObject()->className(),
                         qPrintable(w->objectName()), need, room);
    }
}

void Shoot(QWidget* w, const QString& path)
{
    ReportCutTexts(w);
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}

// Runs the dialog, saves its picture once it is up, and closes it.
template <class D>
void Run(D& dlg, const QString& path)
{
    QTimer::singleShot(200, &dlg, [&] {
        Shoot(&dlg, path);
        dlg.reject();
    });
    dlg.DoModal();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool dark = argc == 3 && qstrcmp(argv[1], "--dark") == 0;
    if (argc != 2 + int(dark)) {
        std::fprintf(stderr, "usage: dialogshots [--dark] <output folder>\n");
        return 2;
    }
    CColorScheme::ApplyToDialogs(dark);
    const QDir out(QString::fromLocal8Bit(argv[argc - 1]));
    QDir().mkpath(out.path());

    CAddressDlg address;
    Run(address, out.filePath(QStringLiteral("addressdlg.png")));

    SetVideoFolderSetting(QDir::home().filePath(QStringLiteral("Videos/Ferrowick")));
    COptionsDlg options;
    Run(options, out.filePath(QStringLiteral("optionsdlg.png")));

    // The chooser, opened from Options' Browse.
    COptionsDlg browsing;
    QTimer::singleShot(200, &browsing, [&] {
        QTimer::singleShot(600, [&] {
            if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                Shoot(chooser, out.filePath(QStringLiteral("folderdialog.png")));
                chooser->reject();
            }
        });
        browsing.findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
        browsing.reject();
    });
    browsing.DoModal();

    CAboutDlg about;
    Run(about, out.filePath(QStringLiteral("aboutdlg.png")));
    return g_failures ? 1 : 0;
}
