// Form3, the play window: a tool window holding the movie control sw inside the frame p,
// keeping them sized to the window and turning loading states into the main window's
// status text.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class ShockwaveFlash;

// What the play window tells the main window. The main window sits above this folder, so it
// fills these in when it is built; each reaches the main window by name when called.
struct PlayWindowLinks {
    std::function<void()> unloaded;                                 // the window is closing
    std::function<void(ShockwaveFlash& control)> readyStateChanged; // its ReadyState moved on
};
PlayWindowLinks& playWindowLinks();

// The status text for ReadyState 0 to 3; empty for any other.
QString readyStateText(int state);

class Form3 : public QWidget {
    Q_OBJECT

  public:
    Form3();
    ~Form3() override;

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void sw_OnReadyStateChange(int newState);

    // The play window's movie control, creating the play window hidden when needed.
    static ShockwaveFlash* control();

    QWidget* p = nullptr;
    ShockwaveFlash* sw = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
