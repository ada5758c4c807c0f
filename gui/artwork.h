// The program's pictures, drawn at run time.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace fennel {

QIcon AppIcon();
QPixmap SplashPixmap();

}  // namespace fennel
