// The small controls the window designs are made of: picture boxes that report mouse
// events with twip coordinates, thin line shapes, and the four-line frame of a picture
// button with its flat, raised and pressed looks.
#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

#include <array>

// A picture or label that takes the pointer and reports presses, releases, moves and
// clicks as the designs name them (button 1 left, 2 right, 4 middle; x and y in twips).
class PictureBox : public QLabel {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The left edge in twips as last set, kept exactly: pixels would round it.
    int leftTwips() const { return m_leftTwips; }
    void setLeftTwips(int left);

  signals:
    void mouseDown(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    void mouseMove(int button, int shift, int x, int y);
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    bool m_pressedInside = false;
    int m_leftTwips = 0;
};

// A one-pixel line between two points (twips in its parent); it never takes the pointer.
class LineShape : public QWidget {
    Q_OBJECT
  public:
    LineShape(QWidget* parent, int x1, int y1, int x2, int y2);
    void setBorderColor(QColor color);
    QColor borderColor() const { return m_color; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_color;
};

enum class FrameLook { Flat, Raised, Pressed };

// Colours the four lines of a framed picture button: the first two are its top and left
// edges, the other two its bottom and right edges. Flat blends with the window, raised is
// light above and dark below, pressed the other way round.
void applyFrameLook(LineShape* topLeftA, LineShape* topLeftB, LineShape* bottomRightA,
                    LineShape* bottomRightB, FrameLook look);

// The mouse button and shift state of an event, as the designs number them.
int designButton(Qt::MouseButtons buttons);
int designShift(Qt::KeyboardModifiers modifiers);
