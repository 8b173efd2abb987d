// Form1, the main window: the start-up object and control panel. Display panel with
// status labels and seek bar, nine framed picture buttons, and the menu bar that carries
// every command. Start-up, exit and the menu tree live in main_window.cpp; the status
// timer and seek bar in status_display.cpp; buttons and window toggles in skin_buttons.cpp.
#pragma once

#include "widgets/controls.h"

#include <QFont>
#include <QMainWindow>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class ShockwaveFlash;

class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    Form1();
    ~Form1() override;

    void Form_Load();

    // Window variables, read and written by other windows too.
    qint32 mm = 0; // frame count of the loaded movie
    qint32 ss = 0; // current frame as last read by the status timer
    bool seekDragging = false;
    qint32 frameStep = 10;
    qint16 scanMode = 0; // 0 none, 1 fast rewind, 2 fast forward
    qint32 scanStep = 3;
    qint16 zoomPercent = 90;

    // Controls.
    QWidget* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    PictureBox* Image2 = nullptr;
    LineShape* Line5 = nullptr;
    std::array<PictureBox*, 9> Image1{};
    std::array<LineShape*, 9> Line1{};
    std::array<LineShape*, 9> Line2{};
    std::array<LineShape*, 9> Line3{};
    std::array<LineShape*, 9> Line4{};
    QTimer* Timer1 = nullptr;

    // Menu items, by their designed names.
    QAction *munfile, *munfileflash, *munfileflashb, *munfileflashy, *affffffff, *munfilenew, *munfileopen,
        *munfilesave, *bffffffff, *munfileexit;
    QAction *mundo, *mundoplay, *mundopuss, *mundostop, *mundogo, *mundogom, *mundokj, *mundokt, *cffffffff,
        *munloop, *jeeeee, *munlog, *munbig, *kk, *mundoget;
    QAction *munin, *muninj, *Geeeeeeee, *mundoqualitya;
    std::array<QAction*, 4> mundoquality{};
    QAction *muntoop, *muntoopc, *muntoopweb, *muntoopf, *muntoops2e, *muntoopmail, *muntoopdu;
    QAction *munwindow, *munwindowl, *munwindowplay;
    QAction *munhelp, *munhelpme, *munhelpz, *munhelpfaq, *d, *munhelpmail, *munhelpgoweb, *e, *munhelpabout;

    // The timer's Enabled switch.
    bool timer1Enabled() const;
    void setTimer1Enabled(bool enabled);

    // The play window's movie control, creating the play window hidden when needed.
    static ShockwaveFlash* sw();

    // Handlers.
    void munfileexit_Click();
    void munfileflashb_Click();
    void munfileflashy_Click();
    void munfilenew_Click();
    void munfileopen_Click();
    void munfilesave_Click();
    void munhelpz_Click();
    void munhelpfaq_Click();
    void munhelpgoweb_Click();
    void munhelpmail_Click();
    void munhelpabout_Click();
    void muntoopc_Click();
    void muninj_Click();
    void mundoget_Click();
    void Timer1_Timer();
    void Image2_MouseDown(int button, int shift, int x, int y);
    void Image2_MouseMove(int button, int shift, int x, int y);
    void Picture1_MouseMove(int button, int shift, int x, int y);
    void Form_MouseMove(int button, int shift, int x, int y);
    void Image1_Click(int index);
    void Image1_MouseDown(int index, int button, int shift, int x, int y);
    void Image1_MouseMove(int index, int button, int shift, int x, int y);
    void Image1_MouseUp(int index, int button, int shift, int x, int y);
    void munwindowl_Click();
    void munwindowplay_Click();
    void munloop_Click();
    void munlog_Click();
    void munbig_Click();
    void mundoquality_Click(int index);

    void setFrameLook(int index, FrameLook look);
    // The display panel as it starts: no movie, no frame, no state.
    void showNoMovie();
    // The frame counter and the loading state's text, placed to be read whole.
    void showFrameCounter(qint32 frame, qint32 total);
    void showStateText(const QString& text);
    // The time display for a frame: whole seconds of play, as minutes and seconds ("02:05").
    static QString timeText(qint32 frame, double framesPerSecond);

    // The player's own commands: keys, the play window's menu, volume, the command line.
    QAction *keyPlayPause = nullptr, *keyStepBack = nullptr, *keyStepForward = nullptr, *keyZoomOut = nullptr,
            *keyFullScreen = nullptr, *keyMute = nullptr, *keyVolumeUp = nullptr, *keyVolumeDown = nullptr,
            *keyNextEntry = nullptr, *keyPreviousEntry = nullptr, *keyCapture = nullptr;
    int volumePercent = 100;
    bool muted = false;
    // Continuous play: a movie that stops on its last frame hands over to the list's next entry.
    bool continuousPlay = false;
    // The code page old movies' text is read in (their files do not say): the settings menu's
    // choice, one item per page offered, kept across runs.
    QAction* muninCodePage = nullptr;
    QList<QAction*> codePageItems;
    QByteArray oldMovieCodePage;
    // Reads the movie in again when it is an old one, so the choice shows at once.
    void setOldMovieCodePage(const QByteArray& codePage, bool reloadMovie);
    void playPause();
    void stepFrame(int delta);
    void zoomOut();
    void toggleFullScreen();
    void setVolumePercent(int percent);
    void setMuted(bool on);
    void playListStep(int delta);
    void continueThroughList();
    // A movie is coming in: continuous play waits until it has played.
    void movieLoading() { m_sawPlaying = false; }
    void copyPicture();
    void savePicture();
    // The play window's right-click menu (built afresh each time, owned by parent).
    QMenu* buildPlayMenu(QWidget* parent);
    void showPlayMenu(const QPoint& globalPos);
    // Movies, addresses and list files from the command line, a second start or a drop: one
    // movie plays, several join the list and the first plays, a list opens in the list window.
    void openFiles(const QStringList& items);
    void playMovie(const QString& movie);
    void bringToFront();

    // How the program ends after the exit command; tests record it instead.
    static void setEndProgramHandler(std::function<void()> handler);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildKeys();
    // What the play and list windows tell this window; they sit below it and cannot see it.
    static void linkSideWindows();
    void buildPanel();
    void buildButtons();
    void buildMenus();
    QAction* addItem(QMenu* menu, const char* name, const QString& text);
    QAction* addSeparator(QMenu* menu, const char* name);
    void endProgram();
    void placeFrameCounter();

    bool m_exiting = false;
    QFont m_counterFont;
    bool m_sawPlaying = false; // the movie in has played since it came in (continuous play)
};
