#include "profile.h"

#include "store/appxml.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Runs before main: no QSettings may be made before the path is moved.
const bool g_profileMoved = [] {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Folder().path());
    return true;
}();

}  // namespace

QString ProfileFolder()
{
    return Folder().path();
}

int ProfileLearnValue(bool* present)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(appxml::kProfileName));
    if (present)
        *present = s.contains(QLatin1String(appxml::kLearnKey));
    return s.value(QLatin1String(appxml::kLearnKey), -99).toInt();
}

void SetProfileLearnValue(int value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(appxml::kProfileName));
    s.setValue(QLatin1String(appxml::kLearnKey), value);
}

void RemoveProfileLearnValue()
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(appxml::kProfileName));
    s.remove(QLatin1String(appxml::kLearnKey));
}
