// The program's pictures, drawn at run time.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace fennel {

QIcon AppIcon();
QPixmap SplashPixmap();
// The folder pane's 24 images (64 by 32): kind by the image index / 4, +1
// selected, +2 with children.
QPixmap FolderImage(int index);
// The mail list's 16 images (16 by 16): state 0-3, +4 not selected, +8 with
// attachments.
QPixmap MailImage(int index);

}  // namespace fennel
