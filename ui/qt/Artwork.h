// The window's images, drawn by code at run time: the page background, the image buttons'
// three states, the title-bar pieces and buttons, the progress bar's fill, the dialog icons and
// the application icon.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>

#include "app/Layout.h"

namespace artwork {

QColor ColorOf(Rgb rgb);
// A layout font as Qt gives it: the face, or the nearest installed face of the same kind.
QFont FontOf(const FontSpec& font);

// The page: 636 x 502, drawn to be stretched onto the 630 x 492 panel.
QImage PageBackground();

enum class ButtonState { Normal, Hover, Pressed };
QPixmap ButtonImage(const char* text, ButtonState state);  // 180 x 38

enum class TitlePiece { LeftCap, Centre, RightCap };
QPixmap TitleBarPiece(TitlePiece piece);  // 35, 37 or 35 wide, 29 high

enum class TitleButton { Minimise, Close };
QPixmap TitleButtonImage(TitleButton button, ButtonState state);  // 21 x 21

QPixmap ProgressFill();  // 6 x 10, tiled along the bar

// The message dialog's icons by icon type (1 warning, 2 stop, 3 information, 4 help); 32 x 32.
QPixmap DialogIcon(int iconType);

// The round blue emblem of the logo, alone, as the program's icon. Needs no fonts, so it can be
// drawn without a display when the package is built.
QImage ApplicationIcon(int size);

}  // namespace artwork
