// Form3, the play window: a tool window holding the movie control sw inside the frame p,
// keeping them sized to the window and turning loading states into the main window's
// status text.
#pragma once

#include <QWidget>

class ShockwaveFlash;

class Form3 : public QWidget {
    Q_OBJECT

  public:
    Form3();
    ~Form3() override;

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void sw_OnReadyStateChange(int newState);

    QWidget* p = nullptr;
    ShockwaveFlash* sw = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
