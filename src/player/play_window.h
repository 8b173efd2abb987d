// Form3, the play window: a tool window holding the movie control sw inside the frame p,
// keeping them sized to the window and turning loading states into the main window's
// status text.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QMimeData;
class QShortcut;
class QTimer;
class ShockwaveFlash;

// What the play window tells the main window. The main window sits above this folder, so it
// fills these in when it is built; each reaches the main window by name when called.
struct PlayWindowLinks {
    std::function<void()> unloaded;                                 // the window is closing
    std::function<void(ShockwaveFlash& control)> readyStateChanged; // its ReadyState moved on
    std::function<void(const QPoint& globalPos)> menuRequested;     // a right click on the movie
    std::function<void(const QStringList& files)> filesDropped;     // movies or lists dropped on it
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

    // Full screen: the movie fills the screen by its scale mode, the pointer hides when idle,
    // Esc (or the full-screen keys) returns to the window as it was.
    void setFullScreen(bool on);
    bool isFullScreenPlay() const { return m_fullScreen; }
    static constexpr int kPointerIdleMs = 2500;

    QWidget* p = nullptr;
    ShockwaveFlash* sw = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool m_fullScreen = false;
    QRect m_normalGeometry;
    QTimer* m_pointerIdle = nullptr;
    QShortcut* m_leaveFullScreen = nullptr;
};

// The local files among dropped or pasted data, as paths.
QStringList droppedFiles(const QMimeData* data);
