// The program's icon, drawn rather than shipped: one braille cell with the dots of "t"
// (2, 3, 4, 5) raised, dark on a warm background, legible from 16 to 256 pixels.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tov::shell {

QPixmap programPixmap(int size);
QIcon programIcon();

} // namespace tov::shell
