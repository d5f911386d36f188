#pragma once

// The program's pictures, all drawn here with QPainter: the program icon, the
// toolbar pictures of the main window and the splash picture.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tonvarra::dialogs {

// The program's icon (window icon, tray icon, About box).
[[nodiscard]] QIcon ProgramIcon();
// The picture of a main-window toolbar button, by the button's object name
// (sBitBtn2, sBitBtn3, sBitBtn7, add, sBitBtn6, sBitBtn1, sBitBtn4, sBitBtn9,
// sBitBtn5, sBitBtn8); an empty icon for any other name.
[[nodiscard]] QIcon ToolbarIcon(const QString& buttonName);
// The splash window's picture, 335 x 244.
[[nodiscard]] QPixmap SplashPicture();

} // namespace tonvarra::dialogs
