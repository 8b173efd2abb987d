#include "player/shockwave_flash.h"

#include "player/engine_messages.h"
#include "player/movie_files.h"
#include "player/site_navigator.h"

#include "platform/shell.h"
#include "platform/twips.h"
#include "player/audio_output.h"
#include "swf/media/mixer.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPaintEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// Frames the clock may run in one tick to catch up after a stall; beyond this it drops
// the lost time instead of racing through the movie.
constexpr int kMaxCatchUpFrames = 4;
// Zoom is kept within these bounds so repeated zooming cannot overflow the transform.
constexpr double kMinZoomScale = 1.0 / 64;
constexpr double kMaxZoomScale = 256.0;
// The auto qualities switch after this many frames in a row over or under the budget.
constexpr int kAutoQualitySwitchFrames = 12;
// Movies from this version on hold Unicode text; older ones the author's code page.
constexpr int kFirstUnicodeVersion = 6;

QString localPathOf(const QString& movie) {
    if (movie.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return QUrl(movie).toLocalFile();
    return movie;
}

// Qt's keys as the movie's Key class numbers them.
int movieKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    static const std::pair<int, int> kKeys[] = {
        {Qt::Key_Left, 37},   {Qt::Key_Right, 39},   {Qt::Key_Up, 38},       {Qt::Key_Down, 40},
        {Qt::Key_Home, 36},   {Qt::Key_End, 35},     {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34},
        {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},  {Qt::Key_Backspace, 8}, {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},  {Qt::Key_Tab, 9},      {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},
        {Qt::Key_Shift, 16},  {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_CapsLock, 20},
    };
    for (const auto& [qtKey, code] : kKeys)
        if (key == qtKey) return code;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
    const QString text = event.text();
    return text.size() == 1 && text[0].unicode() < 128 ? text[0].toUpper().unicode() : 0;
}

int movieKeyAscii(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.size() == 1 && text[0].unicode() >= 32) return text[0].unicode();
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    default:
        return 0;
    }
}

} // namespace

void ShockwaveFlash::prepareProcess() {
    swf::Player::prepareProcess();
}

ShockwaveFlash::ShockwaveFlash(QWidget* parent)
    : QWidget(parent), m_player(std::make_unique<swf::Player>()),
      m_audio(std::make_unique<AudioOutput>(m_player->mixer())) {
    setObjectName(QStringLiteral("sw"));
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setMouseTracking(true);
    m_player->setLoop(m_loop);
    // A movie's getURL reaches the desktop only for web and mail addresses; the engine
    // passes nothing else on.
    m_player->setUrlHandler([](const QString& url) { platform::shellOpen(url); });
    auto navigator = std::make_unique<SiteNavigator>(kMaxDownloadBytes, kDownloadSilenceMs);
    m_siteNavigator = navigator.get();
    m_player->setNavigator(std::move(navigator));
    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, &ShockwaveFlash::onClockTick);
    m_silence.setSingleShot(true);
    m_silence.setInterval(kDownloadSilenceMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_reply) {
            abortDownload();
            failLoad(tr("下载超时：服务器 %1 秒没有发送数据").arg(m_silence.interval() / 1000.0));
        }
    });
}

ShockwaveFlash::~ShockwaveFlash() {
    if (m_reply) m_reply->abort();
    m_audio->stop(); // the window closing silences its movie
}

QString ShockwaveFlash::Movie() const {
    return m_movie;
}

void ShockwaveFlash::setMovie(const QString& movie) {
    resetMovie();
    m_movie = movie;
    if (movie.isEmpty()) {
        // Said like any other change, so whoever shows the movie's state learns it is gone.
        setReadyState(1);
        update();
        return;
    }
    setReadyState(0);
    if (isWebAddress(movie)) {
        startDownload(QUrl(movie));
        return;
    }
    const quint64 generation = m_generation;
    const QString path = localPathOf(movie);
    // Read after the setter returns, so the window can show the loading state first.
    QMetaObject::invokeMethod(
        this, [this, generation, path] { loadLocal(generation, path); }, Qt::QueuedConnection);
}

void ShockwaveFlash::setOldMovieCodePage(const QByteArray& codePage, bool reload) {
    const QByteArray before = m_player->codePage();
    m_player->setCodePage(codePage);
    // Only old movies' text depends on it; later ones are Unicode.
    if (reload && m_player->codePage() != before && !m_movie.isEmpty() && m_player->isLoaded() &&
        m_player->version() < kFirstUnicodeVersion)
        setMovie(m_movie);
}

void ShockwaveFlash::resetMovie() {
    ++m_generation;
    abortDownload();
    m_siteNavigator->cancelAll();
    m_silence.stop();
    m_downloaded = 0;
    m_player->unload();
    m_audio->stop();
    m_player->setLoop(m_loop);
    m_loadError.clear();
    setToolTip(QString());
    m_playing = false;
    m_zoomScale = 1.0;
    updateCursor(); // a pointer the last movie hid comes back
    updateClock();
}

void ShockwaveFlash::abortDownload() {
    if (!m_reply) return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr; // first, so its finished signal is taken as stale
    reply->abort();
    reply->deleteLater();
}

void ShockwaveFlash::setReadyState(int state) {
    m_readyState = state;
    // Like a real control's events, delivered from the event loop, never from inside a call.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, state] {
            if (generation == m_generation) emit OnReadyStateChange(state);
        },
        Qt::QueuedConnection);
}

void ShockwaveFlash::loadLocal(quint64 generation, const QString& path) {
    if (generation != m_generation) return;
    if (!m_player->loadFile(path) && !m_player->isLoaded()) {
        failLoad(loadErrorText(m_player->loadError()));
        return;
    }
    m_loadError = loadErrorText(m_player->loadError());
    setToolTip(m_loadError);
    m_player->setLoop(m_loop);
    // The movie plays from the start unless its first frame's script stopped it.
    m_playing = m_player->isPlaying();
    setReadyState(3);
    updateClock();
    update();
    // Complete in a later turn of the event loop, so state 3 is seen as such.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation) setReadyState(4);
        },
        Qt::QueuedConnection);
}

void ShockwaveFlash::startDownload(const QUrl& url) {
    if (!m_network) m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    m_player->beginStream(url.toString());
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &ShockwaveFlash::onDownloadData);
    connect(m_reply, &QNetworkReply::finished, this, &ShockwaveFlash::onDownloadFinished);
    m_silence.start();
}

void ShockwaveFlash::onDownloadData() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply) return;
    m_silence.start();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400) return; // the redirect's own body
    if (status >= 400) return;                 // reported when finished
    const QByteArray chunk = reply->readAll();
    m_downloaded += chunk.size();
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > m_maxDownloadBytes) m_downloaded = announced; // refuse before it all comes
    if (m_downloaded > m_maxDownloadBytes) {
        abortDownload();
        failLoad(tr("影片太大：超过 %1 MB，已停止下载")
                     .arg(double(m_maxDownloadBytes) / (1024 * 1024), 0, 'f', 0));
        return;
    }
    if (!m_player->appendBytes(chunk)) {
        abortDownload();
        failLoad(m_player->hasFailed() ? loadErrorText(m_player->loadError())
                                       : tr("下载的内容不是Flash影片"));
        return;
    }
    afterBytesArrived();
}

void ShockwaveFlash::afterBytesArrived() {
    if (m_readyState == 0 && m_player->isLoaded() && m_player->framesLoaded() > 0) {
        m_player->setLoop(m_loop);
        m_playing = m_player->isPlaying();
        setReadyState(3);
    }
    updateClock();
    update();
}

void ShockwaveFlash::onDownloadFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply) return;
    m_reply = nullptr;
    m_silence.stop();
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status >= 400) {
        if (status >= 400)
            failLoad(tr("下载失败：服务器回答 %1 %2")
                         .arg(status)
                         .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
        else
            failLoad(tr("下载失败：%1").arg(reply->errorString()));
        return;
    }
    const QByteArray rest = reply->readAll();
    if (!rest.isEmpty() && !m_player->appendBytes(rest)) {
        failLoad(loadErrorText(m_player->loadError()));
        return;
    }
    m_player->endStream();
    if (!m_player->isLoaded()) {
        failLoad(m_player->hasFailed() ? loadErrorText(m_player->loadError())
                                       : tr("下载的内容不是Flash影片"));
        return;
    }
    m_loadError = loadErrorText(m_player->loadError());
    setToolTip(m_loadError);
    afterBytesArrived();
    setReadyState(4);
}

void ShockwaveFlash::failLoad(const QString& reason) {
    m_loadError = reason.isEmpty() ? tr("无法载入影片") : reason;
    setToolTip(m_loadError);
    if (m_player->isLoaded() && m_player->framesLoaded() > 0) {
        // What arrived plays; the reason stays visible as the tooltip and a banner.
        m_player->endStream();
        setReadyState(4);
    } else {
        m_playing = false;
        setReadyState(1);
    }
    updateClock();
    update();
}

void ShockwaveFlash::setLoop(bool loop) {
    m_loop = loop;
    m_player->setLoop(loop);
}

bool ShockwaveFlash::Loop() const {
    return m_loop;
}

qint32 ShockwaveFlash::FrameNum() const {
    return m_player->isLoaded() ? m_player->currentFrame() : 0;
}

void ShockwaveFlash::Play() {
    if (!m_player->isLoaded()) return;
    m_player->play();
    m_playing = m_player->isPlaying();
    updateClock();
}

void ShockwaveFlash::Stop() {
    m_player->stop();
    m_playing = false;
    updateClock();
}

void ShockwaveFlash::Rewind() {
    Stop();
    if (m_player->isLoaded()) m_player->gotoFrame(0);
    update();
}

void ShockwaveFlash::Zoom(qint32 factor) {
    if (factor == 0) {
        m_zoomScale = 1.0;
    } else if (factor > 0) {
        m_zoomScale = std::clamp(m_zoomScale * 100.0 / factor, kMinZoomScale, kMaxZoomScale);
    }
    update();
}

QImage ShockwaveFlash::picture() const {
    if (!m_player->isLoaded()) return {};
    constexpr int kLargestSide = 8192; // a huge zoom still gives a picture that can be held
    const QRectF stage = m_player->stageRect();
    const double scale = std::min(
        m_zoomScale, double(kLargestSide) / std::max(1.0, std::max(stage.width(), stage.height()) / 20.0));
    const QSize size(std::max(1, int(std::lround(stage.width() / 20.0 * scale))),
                     std::max(1, int(std::lround(stage.height() / 20.0 * scale))));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(m_player->backgroundColor());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QTransform toImage;
    toImage.scale(scale / 20.0, scale / 20.0);
    toImage.translate(-stage.left(), -stage.top());
    m_player->render(painter, toImage, swf::Quality::High);
    return image;
}

double ShockwaveFlash::frameRate() const {
    return m_player->isLoaded() ? m_player->frameRate() : 0.0;
}

qint32 ShockwaveFlash::TotalFrames() const {
    return m_player->isLoaded() ? m_player->totalFrames() : 0;
}

bool ShockwaveFlash::Playing() const {
    return m_playing;
}

void ShockwaveFlash::setPlaying(bool playing) {
    if (playing)
        Play();
    else
        Stop();
}

void ShockwaveFlash::GotoFrame(qint32 frame) {
    // A goto halts the movie on the frame asked for; callers that want it to run call Play.
    Stop();
    if (!m_player->isLoaded()) return;
    m_player->gotoFrame(std::max(0, frame));
    update();
}

void ShockwaveFlash::setQuality2(const QString& quality) {
    const QString name = quality.toLower();
    if (name != QLatin1String("high") && name != QLatin1String("low") && name != QLatin1String("autohigh") &&
        name != QLatin1String("autolow"))
        return;
    m_quality = name;
    m_autoHigh = name != QLatin1String("autolow");
    m_slowFrames = m_fastFrames = 0;
    update();
}

QString ShockwaveFlash::Quality2() const {
    return m_quality;
}

void ShockwaveFlash::TGotoFrame(const QString& target, qint32 frame) {
    if (target == QLatin1String("/") || target.isEmpty() || target == QLatin1String("_level0"))
        GotoFrame(frame);
}

qint32 ShockwaveFlash::ReadyState() const {
    return m_readyState;
}

void ShockwaveFlash::setWidth(qint32 value) {
    resize(twips::toPixels(std::max(0, value)), height());
}

void ShockwaveFlash::setHeight(qint32 value) {
    resize(width(), twips::toPixels(std::max(0, value)));
}

bool ShockwaveFlash::drawsHighQuality() const {
    if (m_quality == QLatin1String("high")) return true;
    if (m_quality == QLatin1String("low")) return false;
    return m_autoHigh;
}

QTransform ShockwaveFlash::stageToWidget() const {
    QTransform transform;
    if (!m_player->isLoaded()) return transform;
    const QRectF stage = m_player->stageRect();
    if (stage.width() <= 0 || stage.height() <= 0) return transform;
    const double fit = std::min(width() / stage.width(), height() / stage.height());
    const double scale = fit * m_zoomScale;
    transform.translate(width() / 2.0, height() / 2.0);
    transform.scale(scale, scale);
    transform.translate(-stage.center().x(), -stage.center().y());
    return transform;
}

void ShockwaveFlash::setDownloadLimits(qint64 maxBytes, int silenceMs) {
    m_maxDownloadBytes = maxBytes;
    m_silence.setInterval(silenceMs);
    m_siteNavigator->setLimits(maxBytes, silenceMs);
}

void ShockwaveFlash::setClockEnabled(bool enabled) {
    m_clockEnabled = enabled;
    updateClock();
}

void ShockwaveFlash::tick() {
    if (!m_player->isLoaded()) return;
    m_player->advance();
    m_playing = m_player->isPlaying();
    updateCursor();
    update();
}

void ShockwaveFlash::updateClock() {
    // Time runs while a movie is in, whether or not its main timeline plays: a stopped main
    // timeline still has clips that animate and scripts that run each frame (a preloader
    // waits that way, then starts the timeline itself).
    const bool run = m_clockEnabled && m_player->isLoaded();
    // Event sounds ring on while the movie is paused, as they do in the reference player;
    // the output runs as long as a movie is loaded and time is real.
    if (m_clockEnabled && m_player->isLoaded() && !m_audio->isRunning()) m_audio->start();
    if (run && !m_clock.isActive()) {
        const double fps = std::max(0.01, m_player->frameRate());
        m_clock.start(std::clamp(static_cast<int>(1000.0 / fps / 2), 1, 1000));
        m_playTime.start();
        m_playStart = m_testTime ? m_testTime() : 0;
        m_framesPlayed = 0;
        m_followingSound = false;
    } else if (!run && m_clock.isActive()) {
        m_clock.stop();
    }
}

void ShockwaveFlash::onClockTick() {
    const double fps = std::max(0.01, m_player->frameRate());
    // With a stream sound the sound is the clock: the timeline shows the frame the output
    // has reached (its blocks are queued ahead by the engine, each at its frame's time), and
    // frames late for the sound are run without being drawn instead of the sound being
    // stretched.
    const bool followSound = m_player->streamSoundActive();
    qint64 due = 0;
    if (followSound) {
        m_followingSound = true;
        const qint64 reached = static_cast<qint64>(std::floor(m_player->streamSoundTick()));
        due = m_framesPlayed + std::max<qint64>(0, reached - static_cast<qint64>(m_player->tickCount()));
    } else {
        if (m_followingSound) {
            m_followingSound = false;
            m_playTime.restart();
            m_playStart = m_testTime ? m_testTime() : 0;
            m_framesPlayed = 0;
        }
        due = static_cast<qint64>(playMilliseconds() * fps / 1000.0);
    }
    const int maxSteps = followSound ? int(fps * kMaxStreamCatchUpSeconds) : kMaxCatchUpFrames;
    int steps = 0;
    while (m_framesPlayed < due && steps < maxSteps) {
        m_player->advance();
        m_playing = m_player->isPlaying();
        ++m_framesPlayed;
        ++steps;
    }
    if (steps > 0) {
        updateCursor(); // a frame's script may hide or show the pointer
        update();
    }
    if (!followSound && m_framesPlayed < due) m_framesPlayed = due; // drop time lost to a stall
    updateClock();
}

qint64 ShockwaveFlash::playMilliseconds() const {
    return m_testTime ? m_testTime() - m_playStart : m_playTime.elapsed();
}

void ShockwaveFlash::setTimeSourceForTesting(std::function<qint64()> milliseconds) {
    m_testTime = std::move(milliseconds);
}

void ShockwaveFlash::adjustAutoQuality(qint64 frameNanoseconds) {
    if (m_quality != QLatin1String("autohigh") && m_quality != QLatin1String("autolow")) return;
    const double budget = 1e9 / std::max(1.0, m_player->frameRate());
    if (m_autoHigh && frameNanoseconds > budget * 0.8) {
        m_fastFrames = 0;
        if (++m_slowFrames >= kAutoQualitySwitchFrames) m_autoHigh = false, m_slowFrames = 0;
    } else if (!m_autoHigh && frameNanoseconds < budget * 0.25) {
        m_slowFrames = 0;
        if (++m_fastFrames >= kAutoQualitySwitchFrames) m_autoHigh = true, m_fastFrames = 0;
    } else {
        m_slowFrames = m_fastFrames = 0;
    }
}

void ShockwaveFlash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_player->isLoaded()) {
        painter.fillRect(rect(), palette().window());
        if (!m_loadError.isEmpty()) {
            painter.setPen(palette().windowText().color());
            painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_loadError);
        }
        return;
    }
    painter.fillRect(rect(), m_player->backgroundColor());
    QElapsedTimer timer;
    timer.start();
    const bool high = drawsHighQuality();
    painter.setRenderHint(QPainter::Antialiasing, high);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, high);
    m_player->render(painter, stageToWidget(), high ? swf::Quality::High : swf::Quality::Low);
    adjustAutoQuality(timer.nsecsElapsed());
    const QString banner =
        !m_loadError.isEmpty() ? m_loadError : scriptFailureText(m_player->scriptFailure());
    if (!banner.isEmpty()) {
        // A partly loaded movie plays on, and so does one whose script was stopped; say why.
        const QRect bannerRect(0, height() - 24, width(), 24);
        painter.resetTransform();
        painter.fillRect(bannerRect, QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        painter.drawText(bannerRect.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, banner);
    }
}

void ShockwaveFlash::pointerTo(const QPointF& widgetPosition) {
    bool invertible = false;
    const QTransform toStage = stageToWidget().inverted(&invertible);
    if (invertible) m_player->pointerMoved(toStage.map(widgetPosition));
}

void ShockwaveFlash::updateCursor() {
    const Qt::CursorShape shape = !m_player->pointerShown()       ? Qt::BlankCursor
                                  : m_player->pointerOverActive() ? Qt::PointingHandCursor
                                                                  : Qt::ArrowCursor;
    if (cursor().shape() != shape) setCursor(shape);
}

void ShockwaveFlash::afterInput() {
    // A button's script may have stopped or started the movie.
    m_playing = m_player->isPlaying();
    updateClock();
    updateCursor();
    update();
}

void ShockwaveFlash::mouseMoveEvent(QMouseEvent* event) {
    if (!m_player->isLoaded()) return QWidget::mouseMoveEvent(event);
    pointerTo(event->position());
    afterInput();
}

void ShockwaveFlash::mousePressEvent(QMouseEvent* event) {
    if (!m_player->isLoaded() || event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    pointerTo(event->position());
    m_player->pointerPressed();
    // A click may have put the focus into an input field, or taken it away: input methods
    // are offered only while typing has somewhere to go.
    QGuiApplication::inputMethod()->update(Qt::ImEnabled);
    afterInput();
}

void ShockwaveFlash::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_player->isLoaded() || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    pointerTo(event->position());
    m_player->pointerReleased();
    afterInput();
}

namespace {
// Keys an input field keeps for itself, ahead of the player's own commands on the same keys.
bool isFieldEditingKey(const QKeyEvent& event) {
    if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Cut) ||
        event.matches(QKeySequence::Paste) || event.matches(QKeySequence::SelectAll) ||
        event.matches(QKeySequence::Undo))
        return true;
    const Qt::KeyboardModifiers control = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return control != 0;
    default:
        return false;
    }
}
} // namespace

bool ShockwaveFlash::editFieldWith(QKeyEvent& event) {
    if (!m_player->isLoaded() || !m_player->hasTextFocus()) return false;
    using Key = swf::Player::EditKey;
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    const bool control = event.modifiers() & Qt::ControlModifier;
    if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Cut)) {
        const QString selected = m_player->selectedText();
        if (!selected.isEmpty())
            QGuiApplication::clipboard()->setText(QString(selected).replace(u'\r', u'\n'));
        if (event.matches(QKeySequence::Cut)) m_player->textInput(QString());
    } else if (event.matches(QKeySequence::Paste)) {
        m_player->textInput(QGuiApplication::clipboard()->text());
    } else if (event.matches(QKeySequence::SelectAll)) {
        m_player->editKey(Key::SelectAll);
    } else if (event.matches(QKeySequence::Undo)) {
        // Nothing to undo yet; the key is still the field's.
    } else {
        switch (event.key()) {
        case Qt::Key_Left:
            m_player->editKey(control ? Key::WordLeft : Key::Left, shift);
            break;
        case Qt::Key_Right:
            m_player->editKey(control ? Key::WordRight : Key::Right, shift);
            break;
        case Qt::Key_Home:
        case Qt::Key_Up:
            m_player->editKey(Key::Home, shift);
            break;
        case Qt::Key_End:
        case Qt::Key_Down:
            m_player->editKey(Key::End, shift);
            break;
        case Qt::Key_Backspace:
            m_player->editKey(Key::Backspace);
            break;
        case Qt::Key_Delete:
            m_player->editKey(Key::Delete);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_player->editKey(Key::Enter);
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            m_player->editKey(Key::Tab);
            break;
        default: {
            const QString text = event.text();
            if (control || text.isEmpty() || !text.at(0).isPrint()) return false;
            m_player->textInput(text);
        }
        }
    }
    afterInput();
    return true;
}

bool ShockwaveFlash::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && m_player->isLoaded() && m_player->hasTextFocus() &&
        isFieldEditingKey(*static_cast<QKeyEvent*>(event))) {
        event->accept(); // the field's, not the player's command on the same key
        return true;
    }
    // Tab moves between the movie's input fields, not out of the movie.
    if (event->type() == QEvent::KeyPress && m_player->isLoaded() && m_player->hasTextFocus()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            editFieldWith(*key);
            return true;
        }
    }
    return QWidget::event(event);
}

void ShockwaveFlash::inputMethodEvent(QInputMethodEvent* event) {
    // The words an input method settles on (Chinese, say) go in as typed text.
    if (!event->commitString().isEmpty() && m_player->isLoaded() && m_player->hasTextFocus()) {
        m_player->textInput(event->commitString());
        afterInput();
    }
    event->accept();
}

QVariant ShockwaveFlash::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return m_player->isLoaded() && m_player->hasTextFocus();
    case Qt::ImCursorRectangle:
        return QRect(mapFromGlobal(QCursor::pos()), QSize(1, 16));
    case Qt::ImHints:
        return int(Qt::ImhNone);
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void ShockwaveFlash::keyPressEvent(QKeyEvent* event) {
    // While an input field has the focus, typing is the field's and the movie's key listeners
    // do not hear it.
    if (editFieldWith(*event)) return;
    const int code = movieKeyCode(*event);
    if (!m_player->isLoaded() || code == 0) return QWidget::keyPressEvent(event);
    // Held keys repeat as presses, as the reference player's do.
    m_player->keyPressed(code, movieKeyAscii(*event));
    afterInput();
}

void ShockwaveFlash::keyReleaseEvent(QKeyEvent* event) {
    if (m_player->isLoaded() && m_player->hasTextFocus()) return;
    const int code = movieKeyCode(*event);
    if (!m_player->isLoaded() || code == 0 || event->isAutoRepeat()) return QWidget::keyReleaseEvent(event);
    m_player->keyReleased(code, movieKeyAscii(*event));
    afterInput();
}
