#include "platform/system_colors.h"

#include <QApplication>
#include <QPalette>

namespace platform {

QColor systemColor(quint32 designColor) {
    if ((designColor & 0x80000000u) == 0) {
        return QColor(designColor & 0xFF, (designColor >> 8) & 0xFF, (designColor >> 16) & 0xFF);
    }
    const QPalette palette = QApplication::palette();
    switch (designColor & 0xFF) {
    case 5:
        return palette.color(QPalette::Base);
    case 8:
        return palette.color(QPalette::Text);
    case 9:
        return QColor(Qt::white); // caption text on the active title bar
    case 10:
        return palette.color(QPalette::Window); // blends with the window, like the border it names
    case 15:
        return palette.color(QPalette::Button);
    case 16:
        return palette.color(QPalette::Dark);
    case 18:
        return palette.color(QPalette::ButtonText);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace platform
