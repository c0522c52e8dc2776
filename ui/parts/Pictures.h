#pragma once

// The builder's own pictures, drawn rather than shipped as files: the
// default setup image (185 by 294), the splash (560 by 233) and the program
// picture of the about box and the window icon.

#include <QIcon>
#include <QPixmap>

QPixmap DefaultSetupPicture();
QPixmap SplashPicture();
QPixmap ProgramPicture(int size);
QIcon ProgramIcon();
