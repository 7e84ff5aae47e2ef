#include "paths.h"

#include <QDir>

QString PathCombine(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    QString left = folder;
    while (left.size() > 1 && left.endsWith('/'))
        left.chop(1);
    QString right = name;
    while (right.startsWith('/'))
        right.remove(0, 1);
    return left.endsWith('/') ? left + right : left + '/' + right;
}

bool CreateFolderWithParents(const QString& folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder);
}
