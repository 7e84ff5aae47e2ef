#pragma once

#include <QIcon>

// The program's icon (resource 128) at every size it is drawn in.
QIcon AppIcon();
