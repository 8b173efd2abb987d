// Form1's player commands beyond its menus: the keys, the play window's right-click menu,
// volume and mute, stepping single frames, full screen, moving through the play list, the
// movie's picture, and movies or lists handed over by the command line, a second start or a
// drop. None of them changes what a menu item or button of the main window does.
#include "app/key_map.h"
#include "app/main_window.h"

#include "platform/file_dialog.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "player/audio_output.h"
#include "player/movie_files.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"
#include "playlist/play_list_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QWidgetAction>

namespace {
constexpr int kVolumeStep = 10;
constexpr double kZoomOutPercent = 125.0;

bool isListFile(const QString& path) {
    return path.endsWith(QLatin1String(".vtl"), Qt::CaseInsensitive);
}

bool matches(const QKeyEvent* event, const QList<QKeySequence>& keys) {
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& key : keys)
        if (key.matches(pressed) == QKeySequence::ExactMatch) return true;
    return false;
}
} // namespace

// Fast rewind and fast forward run while their key is held, as while their button is held: a
// shortcut only hears the press, so the keys are watched for the whole program here.
class ScanKeys : public QObject {
  public:
    explicit ScanKeys(Form1* main) : QObject(main), m_main(main) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool back = matches(key, keysFor(PlayerCommand::ScanBack));
            const bool forward = matches(key, keysFor(PlayerCommand::ScanForward));
            if (event->type() == QEvent::KeyPress && (back || forward)) {
                if (!key->isAutoRepeat()) m_main->scanMode = back ? 1 : 2;
                return true;
            }
            if (event->type() == QEvent::KeyRelease && m_main->scanMode != 0 && !key->isAutoRepeat() &&
                (key->key() == Qt::Key_BracketLeft || key->key() == Qt::Key_BracketRight ||
                 key->key() == Qt::Key_Control)) {
                m_main->scanMode = 0;
            }
        } else if (event->type() == QEvent::ApplicationDeactivate) {
            m_main->scanMode = 0;
        }
        return false;
    }

  private:
    Form1* m_main;
};

void Form1::buildKeys() {
    auto bind = [this](QAction* action, PlayerCommand command) {
        action->setShortcuts(keysFor(command));
        // Whichever window has the focus, the play window included.
        action->setShortcutContext(Qt::ApplicationShortcut);
    };
    // Commands with a main-menu item show their keys there (never in the caption).
    bind(mundostop, PlayerCommand::Stop);
    bind(mundogo, PlayerCommand::StepBackMany);
    bind(mundogom, PlayerCommand::StepForwardMany);
    bind(munfileflashb, PlayerCommand::OpenFile);
    bind(munfileflashy, PlayerCommand::OpenAddress);
    bind(munloop, PlayerCommand::Loop);
    bind(munlog, PlayerCommand::ZoomIn);
    bind(munbig, PlayerCommand::ShowAll);
    bind(munfileexit, PlayerCommand::Quit);
    // The others are actions of the window itself, always live, and items of the play window's
    // menu.
    auto command = [this, &bind](PlayerCommand which, const QString& text, auto handler) {
        auto* action = new QAction(text, this);
        bind(action, which);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    keyPlayPause = command(PlayerCommand::PlayPause, tr("播放/暂停"), [this] { playPause(); });
    keyStepBack = command(PlayerCommand::StepBack, tr("后退"), [this] { stepFrame(-1); });
    keyStepForward = command(PlayerCommand::StepForward, tr("前进"), [this] { stepFrame(+1); });
    keyZoomOut = command(PlayerCommand::ZoomOut, tr("缩小"), [this] { zoomOut(); });
    keyFullScreen = command(PlayerCommand::FullScreen, tr("全屏"), [this] { toggleFullScreen(); });
    keyMute = command(PlayerCommand::Mute, tr("静音"), [this] { setMuted(!muted); });
    keyVolumeUp = command(PlayerCommand::VolumeUp, tr("音量加大"),
                          [this] { setVolumePercent(volumePercent + kVolumeStep); });
    keyVolumeDown = command(PlayerCommand::VolumeDown, tr("音量减小"),
                            [this] { setVolumePercent(volumePercent - kVolumeStep); });
    keyNextEntry = command(PlayerCommand::NextEntry, tr("播放列表下一项"), [this] { playListStep(+1); });
    keyPreviousEntry =
        command(PlayerCommand::PreviousEntry, tr("播放列表上一项"), [this] { playListStep(-1); });
    keyCapture = command(PlayerCommand::Capture, tr("拍图"), [this] { mundoget_Click(); });
    keyMute->setCheckable(true);
    qApp->installEventFilter(new ScanKeys(this));
}

void Form1::playPause() {
    Image1_Click(sw()->Playing() ? 1 : 0);
}

void Form1::stepFrame(int delta) {
    ShockwaveFlash* control = sw();
    if (control->Movie().isEmpty() || control->TotalFrames() <= 0) return;
    // A single step holds the movie on the frame reached, as a player's frame step does.
    const qint64 target =
        std::clamp<qint64>(qint64(control->FrameNum()) + delta, 0, control->TotalFrames() - 1);
    control->GotoFrame(qint32(target));
    m_sawPlaying = false; // stepped there, not played there
    Timer1_Timer();
}

void Form1::zoomOut() {
    sw()->Zoom(qint32(kZoomOutPercent));
}

void Form1::toggleFullScreen() {
    if (!munwindowplay->isChecked()) munwindowplay_Click();
    Form3* play = forms::get<Form3>();
    play->setFullScreen(!play->isFullScreenPlay());
}

void Form1::setVolumePercent(int percent) {
    volumePercent = std::clamp(percent, 0, 100);
    AudioOutput::setVolume(muted ? 0 : volumePercent);
}

void Form1::setMuted(bool on) {
    muted = on;
    keyMute->setChecked(on);
    AudioOutput::setVolume(muted ? 0 : volumePercent);
}

void Form1::playListStep(int delta) {
    Form2* list = forms::loaded<Form2>();
    if (!list || list->List1->count() == 0) return;
    const int row = list->List1->currentRow();
    const int target = row < 0 ? (delta > 0 ? 0 : list->List1->count() - 1) : row + delta;
    if (target < 0 || target >= list->List1->count()) return;
    list->playEntry(target);
}

void Form1::continueThroughList() {
    ShockwaveFlash* control = sw();
    if (control->Playing()) {
        m_sawPlaying = true;
        return;
    }
    // Only a movie that played to its end and stopped there by itself moves the list on; one
    // paused by the user stops the status timer, so this is not reached.
    const bool atEnd = control->TotalFrames() > 0 && control->FrameNum() >= control->TotalFrames() - 1;
    if (!continuousPlay || !m_sawPlaying || !atEnd) return;
    m_sawPlaying = false;
    playListStep(+1);
}

void Form1::copyPicture() {
    const QImage picture = sw()->picture();
    if (!picture.isNull()) QGuiApplication::clipboard()->setImage(picture);
}

void Form1::savePicture() {
    const QImage picture = sw()->picture();
    if (picture.isNull()) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.filter = QStringLiteral("PNG 图片 (*.png)|*.png");
    request.initialDir = QDir::homePath();
    request.fileName = QFileInfo(sw()->Movie()).completeBaseName() + QStringLiteral(".png");
    QString path = platform::showFileDialog(this, request);
    if (path.isEmpty()) return;
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    if (!picture.save(path, "PNG"))
        platform::messageBox(this, tr("无法保存图片：%1").arg(QDir::toNativeSeparators(path)),
                             platform::MessageButtons::Ok, platform::MessageIcon::Warning,
                             platform::MessageResult::Ok);
}

void Form1::setOldMovieCodePage(const QByteArray& codePage, bool reloadMovie) {
    const auto& pages = oldMovieCodePages();
    oldMovieCodePage = pages.front().name;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].name == codePage) oldMovieCodePage = codePage;
        codePageItems[qsizetype(i)]->setChecked(pages[i].name == oldMovieCodePage);
    }
    sw()->setOldMovieCodePage(oldMovieCodePage, reloadMovie);
}

QMenu* Form1::buildPlayMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("playMenu"));
    auto item = [menu](const QString& text, const char* name, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };
    const bool haveMovie = !sw()->Movie().isEmpty();
    item(tr("放大"), "playMenuZoomIn", [this] { munlog->trigger(); })->setShortcuts(munlog->shortcuts());
    item(tr("缩小"), "playMenuZoomOut", [this] { zoomOut(); })->setShortcuts(keyZoomOut->shortcuts());
    item(tr("全部显示"), "playMenuShowAll", [this] { munbig->trigger(); })->setShortcuts(munbig->shortcuts());
    // The quality items are the main menu's own, so the check mark and what is saved are one.
    QMenu* quality = menu->addMenu(tr("画面品质"));
    quality->menuAction()->setObjectName(QStringLiteral("playMenuQuality"));
    for (QAction* level : mundoquality)
        quality->addAction(level);
    menu->addSeparator();
    QAction* play = item(tr("播放/暂停"), "playMenuPlayPause", [this] { playPause(); });
    play->setShortcuts(keyPlayPause->shortcuts());
    QAction* loop = item(tr("循环"), "playMenuLoop", [this] { munloop->trigger(); });
    loop->setCheckable(true);
    loop->setChecked(munloop->isChecked());
    loop->setShortcuts(munloop->shortcuts());
    item(tr("倒带"), "playMenuRewind", [this] { Image1_Click(2); })->setShortcuts(mundostop->shortcuts());
    item(tr("前进"), "playMenuForward", [this] { stepFrame(+1); })->setShortcuts(keyStepForward->shortcuts());
    item(tr("后退"), "playMenuBack", [this] { stepFrame(-1); })->setShortcuts(keyStepBack->shortcuts());
    menu->addSeparator();
    QAction* continuous =
        item(tr("连续播放"), "playMenuContinuous", [this] { continuousPlay = !continuousPlay; });
    continuous->setCheckable(true);
    continuous->setChecked(continuousPlay);
    menu->addSeparator();
    QAction* full = item(tr("全屏"), "playMenuFullScreen", [this] { toggleFullScreen(); });
    full->setCheckable(true);
    Form3* window = forms::loaded<Form3>();
    full->setChecked(window && window->isFullScreenPlay());
    full->setShortcuts(keyFullScreen->shortcuts());
    QAction* mute = item(tr("静音"), "playMenuMute", [this] { setMuted(!muted); });
    mute->setCheckable(true);
    mute->setChecked(muted);
    mute->setShortcuts(keyMute->shortcuts());
    // The volume as a slider inside the menu.
    auto* volumeRow = new QWidget(menu);
    auto* layout = new QHBoxLayout(volumeRow);
    layout->setContentsMargins(24, 2, 12, 2);
    layout->addWidget(new QLabel(tr("音量"), volumeRow));
    auto* slider = new QSlider(Qt::Horizontal, volumeRow);
    slider->setObjectName(QStringLiteral("playMenuVolume"));
    slider->setRange(0, 100);
    slider->setSingleStep(kVolumeStep / 2);
    slider->setPageStep(kVolumeStep);
    slider->setValue(volumePercent);
    slider->setToolTip(tr("音量"));
    slider->setAccessibleName(tr("音量"));
    connect(slider, &QSlider::valueChanged, this, [this](int value) { setVolumePercent(value); });
    layout->addWidget(slider);
    auto* volume = new QWidgetAction(menu);
    volume->setObjectName(QStringLiteral("playMenuVolumeItem"));
    volume->setDefaultWidget(volumeRow);
    menu->addAction(volume);
    menu->addSeparator();
    item(tr("复制画面"), "playMenuCopy", [this] { copyPicture(); })->setEnabled(haveMovie);
    item(tr("保存画面为PNG…"), "playMenuSave", [this] { savePicture(); })->setEnabled(haveMovie);
    menu->addSeparator();
    item(tr("关于Vantrel"), "playMenuAbout", [this] { munhelpabout_Click(); });
    return menu;
}

void Form1::showPlayMenu(const QPoint& globalPos) {
    Form3* play = forms::loaded<Form3>();
    if (!play) return;
    QMenu* menu = buildPlayMenu(play);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void Form1::playMovie(const QString& movie) {
    if (!munwindowplay->isChecked()) munwindowplay_Click();
    Form3* play = forms::get<Form3>();
    play->show();
    play->raise();
    sw()->setMovie(movie);
}

void Form1::openFiles(const QStringList& items) {
    QStringList movies;
    QStringList lists;
    QStringList unreadable;
    for (const QString& item : items) {
        if (isWebAddress(item)) {
            movies << item;
            continue;
        }
        const QFileInfo file(item);
        if (!file.isFile() || !file.isReadable()) {
            unreadable << QDir::toNativeSeparators(file.absoluteFilePath());
            continue;
        }
        const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
        (isListFile(path) ? lists : movies) << path;
    }
    if (!unreadable.isEmpty())
        platform::messageBox(
            this, tr("找不到或无法读取这些文件：\n%1").arg(unreadable.join(QLatin1Char('\n'))),
            platform::MessageButtons::Ok, platform::MessageIcon::Warning, platform::MessageResult::Ok);
    if (!lists.isEmpty() || movies.size() > 1) {
        if (!munwindowl->isChecked()) munwindowl_Click();
        Form2* list = forms::get<Form2>();
        for (const QString& path : lists)
            list->openListFile(path);
        if (movies.size() > 1) {
            const QStringList present = list->entries();
            for (const QString& movie : movies)
                if (!present.contains(movie)) list->appendEntry(movie);
        }
    }
    if (!movies.isEmpty()) playMovie(movies.constFirst());
}

void Form1::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    openFiles(files);
}
