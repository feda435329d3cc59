#pragma once
// Our own pictures: the toolbar of the main window, the help picture and the
// icon of the port window. All are drawn from SVG in the program's resources.

#include <QIcon>
#include <QPixmap>
#include <QSize>

// Picture n (1..12) of the main window's toolbar, 32 x 32 at heart and sharp
// at any size; 12 is the "stop recording" picture. A null icon for other n.
QIcon toolbarPicture(int n);

// The port window's help picture (where the serial ports are listed), 285 x 173
// pixels, drawn for a screen with the given device pixel ratio.
QPixmap deviceHelpPicture(qreal devicePixelRatio = 1.0);
inline constexpr QSize deviceHelpPictureSize{285, 173};

// The port window's icon: a serial connector.
QIcon portWindowIcon();
