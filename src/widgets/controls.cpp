#include "widgets/controls.h"

#include "platform/system_colors.h"
#include "platform/twips.h"

#include <QMouseEvent>
#include <QPainter>

int designButton(Qt::MouseButtons buttons) {
    int value = 0;
    if (buttons & Qt::LeftButton) value |= 1;
    if (buttons & Qt::RightButton) value |= 2;
    if (buttons & Qt::MiddleButton) value |= 4;
    return value;
}

int designShift(Qt::KeyboardModifiers modifiers) {
    int value = 0;
    if (modifiers & Qt::ShiftModifier) value |= 1;
    if (modifiers & Qt::ControlModifier) value |= 2;
    if (modifiers & Qt::AltModifier) value |= 4;
    return value;
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setAlignment(Qt::AlignCenter);
}

void PictureBox::setLeftTwips(int left) {
    m_leftTwips = left;
    move(twips::toPixels(left), y());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    m_pressedInside = true;
    const QPoint p = event->position().toPoint();
    emit mouseDown(designButton(event->button()), designShift(event->modifiers()), twips::fromPixels(p.x()),
                   twips::fromPixels(p.y()));
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit mouseUp(designButton(event->button()), designShift(event->modifiers()), twips::fromPixels(p.x()),
                 twips::fromPixels(p.y()));
    const bool click = m_pressedInside && event->button() == Qt::LeftButton && rect().contains(p);
    m_pressedInside = false;
    if (click) emit clicked();
    event->accept();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit mouseMove(designButton(event->buttons()), designShift(event->modifiers()), twips::fromPixels(p.x()),
                   twips::fromPixels(p.y()));
    event->accept();
}

LineShape::LineShape(QWidget* parent, int x1, int y1, int x2, int y2) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    const int left = twips::toPixels(std::min(x1, x2));
    const int top = twips::toPixels(std::min(y1, y2));
    const int right = twips::toPixels(std::max(x1, x2));
    const int bottom = twips::toPixels(std::max(y1, y2));
    setGeometry(left, top, std::max(1, right - left + 1), std::max(1, bottom - top + 1));
}

void LineShape::setBorderColor(QColor color) {
    if (color == m_color) return;
    m_color = color;
    update();
}

void LineShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

void applyFrameLook(LineShape* topLeftA, LineShape* topLeftB, LineShape* bottomRightA,
                    LineShape* bottomRightB, FrameLook look) {
    const QColor rest = platform::systemColor(platform::kSystemColorActiveBorder);
    const QColor light(0xFF, 0xFF, 0xFF);
    const QColor dark(0x80, 0x80, 0x80);
    const QColor upper = look == FrameLook::Raised ? light : look == FrameLook::Pressed ? dark : rest;
    const QColor lower = look == FrameLook::Raised ? dark : look == FrameLook::Pressed ? light : rest;
    topLeftA->setBorderColor(upper);
    topLeftB->setBorderColor(upper);
    bottomRightA->setBorderColor(lower);
    bottomRightB->setBorderColor(lower);
}
