// Form4, the remote-open window: an address field and a label that acts as a framed
// open button.
#pragma once

#include "widgets/controls.h"

#include <QWidget>

class QComboBox;

class Form4 : public QWidget {
    Q_OBJECT

  public:
    Form4();
    ~Form4() override;

    void Form_Load();
    void Form_MouseMove();
    void Label1_MouseMove();
    void Label1_MouseDown();
    void Label1_Click();

    // Whether an address may be handed to the movie control: not empty and ending in
    // exactly ".swf" (letter case counts).
    static bool acceptsAddress(const QString& text);

    QComboBox* Combo1 = nullptr;
    PictureBox* Label1 = nullptr;
    LineShape* Line1 = nullptr; // top
    LineShape* Line2 = nullptr; // left
    LineShape* Line3 = nullptr; // bottom
    LineShape* Line4 = nullptr; // right

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setLook(FrameLook look);
};
