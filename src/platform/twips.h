// Window geometry is designed in twips (1/1440 inch): 15 twips per pixel at 96 dpi,
// scaled with the screen's logical DPI. Conversions live here and nowhere else.
#pragma once

#include <QRect>

class QWidget;

namespace twips {

int toPixels(int twips);
int fromPixels(int pixels);
QRect toPixels(int left, int top, int width, int height);

// Outer measures of a top-level window (frame included), in twips.
int left(const QWidget* window);
int top(const QWidget* window);
int width(const QWidget* window);
int height(const QWidget* window);
void move(QWidget* window, int left, int top);
void setWidth(QWidget* window, int width);
void setHeight(QWidget* window, int height);

// Geometry of a child control, in twips relative to its parent.
void place(QWidget* control, int left, int top, int width, int height);

// The DPI used for conversions; tests may pin it.
void setDpiForTesting(double dpi);

} // namespace twips
