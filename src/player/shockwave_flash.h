// The movie control: a widget implementing IShockwaveFlash over the engine. It loads
// from files and web addresses, drives the engine at the movie's frame rate and paints
// it with the whole movie visible ("ShowAll"), zoom and quality applied.
#pragma once

#include <QImage>

#include <functional>

#include "player/i_shockwave_flash.h"
#include "swf/Player.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class SiteNavigator;

class AudioOutput;

class QNetworkAccessManager;
class QNetworkReply;

class ShockwaveFlash : public QWidget, public IShockwaveFlash {
    Q_OBJECT

  public:
    // Limits of a download: a movie larger than this, or a server silent for longer, ends
    // the load with a reason instead of waiting or filling memory.
    static constexpr qint64 kMaxDownloadBytes = 256LL * 1024 * 1024;
    static constexpr int kDownloadSilenceMs = 30'000;
    static constexpr int kMaxRedirects = 5;
    // While a stream sound plays, drawing that falls behind skips up to this many seconds
    // of frames to stay with the sound instead of stretching it.
    static constexpr int kMaxStreamCatchUpSeconds = 2;

    // Settings the movies' text needs before the application is made (swf::Player::prepareProcess).
    static void prepareProcess();

    explicit ShockwaveFlash(QWidget* parent = nullptr);
    ~ShockwaveFlash() override;

    QString Movie() const override;
    void setMovie(const QString& movie) override;
    void setLoop(bool loop) override;
    bool Loop() const override;
    qint32 FrameNum() const override;
    void Play() override;
    void Stop() override;
    void Rewind() override;
    void Zoom(qint32 factor) override;
    qint32 TotalFrames() const override;
    bool Playing() const override;
    void setPlaying(bool playing) override;
    void GotoFrame(qint32 frame) override;
    void setQuality2(const QString& quality) override;
    QString Quality2() const override;
    void TGotoFrame(const QString& target, qint32 frame) override;
    qint32 ReadyState() const override;
    void setWidth(qint32 twips) override;
    void setHeight(qint32 twips) override;

    // Why the last movie could not be (fully) loaded, in the user's words; empty when fine.
    QString loadError() const { return m_loadError; }
    // The view scale relative to the whole-movie view (1 = whole movie).
    double zoomScale() const { return m_zoomScale; }
    // Whether frames are drawn antialiased now (auto qualities switch by frame time).
    bool drawsHighQuality() const;
    // The transform from stage twips to widget pixels that painting uses.
    QTransform stageToWidget() const;

    swf::Player& engine() { return *m_player; }
    // The frame shown, drawn whole at the movie's own size times the zoom (not a screen grab);
    // a null image without a movie.
    QImage picture() const;
    // Frames per second of the movie in; 0 without one.
    double frameRate() const;
    // The code page the text of movies before SWF 6 is read in (their files do not say);
    // with reload, an old movie already in is read again so its text shows in the new one.
    void setOldMovieCodePage(const QByteArray& codePage, bool reload);
    // Tests shrink the download limits so they can be reached quickly.
    void setDownloadLimits(qint64 maxBytes, int silenceMs);
    // Tests drive time themselves: with the clock off, frames advance only through tick().
    void setClockEnabled(bool enabled);
    void tick();
    // One turn of the playback clock, as its timer runs it.
    void runClock() { onClockTick(); }
    // Tests give the clock its time (milliseconds since any fixed point).
    void setTimeSourceForTesting(std::function<qint64()> milliseconds);

    // Keys and text for the movie's focused input field; false when no field has the focus
    // or the key is not one for editing.
    bool editFieldWith(QKeyEvent& event);

  signals:
    void OnReadyStateChange(int newState);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The pointer and keys reach the movie's buttons and scripts.
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void updateCursor();
    void resetMovie();
    void setReadyState(int state);
    void loadLocal(quint64 generation, const QString& path);
    void startDownload(const QUrl& url);
    void abortDownload();
    void onDownloadData();
    void onDownloadFinished();
    void failLoad(const QString& reason);
    void afterBytesArrived();
    void updateClock();
    void onClockTick();
    void adjustAutoQuality(qint64 frameNanoseconds);
    void pointerTo(const QPointF& widgetPosition);
    void afterInput();

    std::unique_ptr<swf::Player> m_player;
    std::unique_ptr<AudioOutput> m_audio;
    QString m_movie;
    QString m_loadError;
    int m_readyState = 1;
    quint64 m_generation = 0; // bumps on every new movie so stale queued work is dropped
    bool m_loop = true;
    bool m_playing = false;
    QString m_quality = QStringLiteral("high");
    bool m_autoHigh = true; // current choice of the auto qualities
    int m_slowFrames = 0;
    int m_fastFrames = 0;
    double m_zoomScale = 1.0;

    QTimer m_clock;
    bool m_clockEnabled = true;
    QElapsedTimer m_playTime;
    std::function<qint64()> m_testTime;
    qint64 m_playStart = 0;
    qint64 playMilliseconds() const;
    qint64 m_framesPlayed = 0;
    bool m_followingSound = false;

    QNetworkAccessManager* m_network = nullptr;
    SiteNavigator* m_siteNavigator = nullptr; // owned by m_player
    QPointer<QNetworkReply> m_reply;
    QTimer m_silence;
    qint64 m_downloaded = 0;
    qint64 m_maxDownloadBytes = kMaxDownloadBytes;
};
