#pragma once
// The program's pictures: its icon, the pointing-hand pointer, the main window's nine button
// icons and seek thumb, and the play list window's seven button icons. All are SVG files in
// the ":/icons" resource folder, drawn at the size asked for.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace resources {

// Names of the pictures (file names under ":/icons" without ".svg").
inline constexpr char kAppIcon[] = "app";     // icon resource 101
inline constexpr char kHandCursor[] = "hand"; // icon resource 108, 32 by 32
inline constexpr char kSeekThumb[] = "thumb";
inline constexpr int kMainButtonCount = 9;
inline constexpr int kListButtonCount = 7;

// "main_0".."main_8": play, pause, stop, step back, step forward, fast rewind, fast forward,
// open, about. Empty for an index out of range.
QString mainButtonIconName(int index);
// "list_0".."list_6": new, open, save, add, remove, move up, move down.
QString listButtonIconName(int index);

// The picture drawn at size by size pixels, transparent around it; a null image for an unknown name.
QImage image(const QString& name, int size);
QPixmap pixmap(const QString& name, int size);

// The picture at the sizes windows ask for (16 to 64 pixels); a null icon for an unknown name.
QIcon icon(const QString& name);

// The pointing-hand pointer of links, its hot spot at the tip of the forefinger.
QCursor handCursor();

} // namespace resources
