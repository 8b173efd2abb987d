#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace twips {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultDpi = 96.0;
double g_pinnedDpi = 0.0;

double dpi() {
    if (g_pinnedDpi > 0) return g_pinnedDpi;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double logical = screen->logicalDotsPerInchX();
        if (logical >= 48 && logical <= 960) return logical;
    }
    return kDefaultDpi;
}

// Outer frame minus inner geometry, in pixels: the window decoration's share.
QMargins frameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

} // namespace

int toPixels(int twips) {
    return static_cast<int>(std::lround(twips * dpi() / kTwipsPerInch));
}
int fromPixels(int pixels) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi()));
}

QRect toPixels(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

int left(const QWidget* window) {
    return fromPixels(window->frameGeometry().x());
}
int top(const QWidget* window) {
    return fromPixels(window->frameGeometry().y());
}
int width(const QWidget* window) {
    return fromPixels(window->frameGeometry().width());
}
int height(const QWidget* window) {
    return fromPixels(window->frameGeometry().height());
}

void move(QWidget* window, int left, int top) {
    window->move(toPixels(left), toPixels(top));
}

void setWidth(QWidget* window, int width) {
    const QMargins margins = frameMargins(window);
    const int inner = toPixels(width) - margins.left() - margins.right();
    window->resize(std::max(0, inner), window->height());
}

void setHeight(QWidget* window, int height) {
    const QMargins margins = frameMargins(window);
    const int inner = toPixels(height) - margins.top() - margins.bottom();
    window->resize(window->width(), std::max(0, inner));
}

void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(toPixels(left, top, std::max(0, width), std::max(0, height)));
}

void setDpiForTesting(double value) {
    g_pinnedDpi = value;
}

} // namespace twips
