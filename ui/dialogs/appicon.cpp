#include "appicon.h"

#include "dialogcommon.h"

QIcon AppIcon()
{
    InitDialogResources();
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/res/ICON/128/%1").arg(size), QSize(size, size));
    return icon;
}
