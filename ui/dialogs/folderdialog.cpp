#include "folderdialog.h"

#include "dialogcommon.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace {

// The default video folder is made by the first download, so it may not
// exist yet; the chooser then opens where the user would create it.
QString NearestExistingFolder(const QString& folder)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return QString();
        path = parent;
    }
    return path;
}

}  // namespace

CFolderDialog::CFolderDialog(QWidget* parent, const QString& initialFolder)
    : m_strInitialFolder(initialFolder), m_pParent(parent)
{
}

CFolderDialog::~CFolderDialog() = default;

int CFolderDialog::DoModal()
{
    QFileDialog chooser(m_pParent, QStringLiteral("Select a folder for your videos:"));
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    if (!m_strInitialFolder.isEmpty()) {
        const QString start = NearestExistingFolder(m_strInitialFolder);
        if (!start.isEmpty())
            chooser.setDirectory(start);
    }
    if (chooser.exec() != QDialog::Accepted)
        return IDCANCEL;
    const QList<QUrl> urls = chooser.selectedUrls();
    if (urls.isEmpty() || !urls.first().isLocalFile() || urls.first().toLocalFile().isEmpty())
        return -1;
    m_strSelectedPath = urls.first().toLocalFile();
    return IDOK;
}
