// Drawing of the braille-cell icon.
#include "shell/programicon.h"

#include <QPainter>
#include <array>

namespace tov::shell {

QPixmap programPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xF2, 0xB1, 0x34));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);

    // Dots 1 2 3 run down the left column, 4 5 6 down the right.
    constexpr std::array<bool, 6> kRaised = {false, true, true, true, true, false};
    const double radius = size * 0.1;
    for (int dot = 0; dot < 6; ++dot) {
        const double x = size * (dot < 3 ? 0.35 : 0.65);
        const double y = size * (0.25 + 0.25 * (dot % 3));
        painter.setBrush(kRaised[static_cast<size_t>(dot)] ? QColor(0x20, 0x20, 0x28)
                                                           : QColor(0x20, 0x20, 0x28, 0x40));
        painter.drawEllipse(QPointF(x, y), radius, radius);
    }
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addPixmap(programPixmap(size));
    }
    return icon;
}

} // namespace tov::shell
