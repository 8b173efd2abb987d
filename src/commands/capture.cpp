#include "commands/capture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace commands {

namespace {
// A capture larger than this (in either direction) is refused: no screen is that big.
constexpr int kMaxCaptureSide = 32768;
} // namespace

void ScrnCap(int left, int top, int right, int bottom) {
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    if (width <= 0 || height <= 0 || width > kMaxCaptureSide || height > kMaxCaptureSide) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect wanted(left, top, int(width), int(height));
    const QRect onScreen = wanted.intersected(screen->geometry());
    QImage picture(wanted.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    if (!onScreen.isEmpty()) {
        const QRect local = onScreen.translated(-screen->geometry().topLeft());
        const QPixmap grabbed = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
        if (grabbed.isNull()) return;
        QPainter painter(&picture);
        painter.drawPixmap(onScreen.topLeft() - wanted.topLeft(), grabbed);
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(picture);
}

} // namespace commands
