// The movie control's interface: exactly the members the application uses. Frame numbers
// count from 0; frame numbers, counts and the zoom factor are 32-bit signed.
#pragma once

#include <QString>

class IShockwaveFlash {
  public:
    virtual ~IShockwaveFlash() = default;

    // Full path or URL to load; an empty text empties the control. Reads empty when no movie.
    virtual QString Movie() const = 0;
    virtual void setMovie(const QString& movie) = 0;

    // True: the movie starts again after its last frame.
    virtual void setLoop(bool loop) = 0;
    virtual bool Loop() const = 0;

    virtual qint32 FrameNum() const = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Rewind() = 0;
    // Relative zoom: below 100 enlarges, above 100 shrinks, 0 shows the whole movie again.
    virtual void Zoom(qint32 factor) = 0;
    virtual qint32 TotalFrames() const = 0;
    virtual bool Playing() const = 0;
    virtual void setPlaying(bool playing) = 0; // false halts
    virtual void GotoFrame(qint32 frame) = 0;
    // "high", "autohigh", "autolow" or "low".
    virtual void setQuality2(const QString& quality) = 0;
    virtual QString Quality2() const = 0;
    // Target "/" is the main timeline.
    virtual void TGotoFrame(const QString& target, qint32 frame) = 0;
    // 0 loading, 1 uninitialised, 2 loaded, 3 interactive, 4 complete.
    virtual qint32 ReadyState() const = 0;
    // Size of the control in twips, set by the window that holds it.
    virtual void setWidth(qint32 twips) = 0;
    virtual void setHeight(qint32 twips) = 0;

    // Event: OnReadyStateChange(int newState), a signal of the implementing widget.
};
