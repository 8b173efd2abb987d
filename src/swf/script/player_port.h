// What the player lets scripts do to the root timeline and to the outside world.
#pragma once

#include "swf/avm1/abort_reason.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace swf::movie {
class MovieDefinition;
}

namespace swf::script {

class PlayerPort {
  public:
    virtual ~PlayerPort() = default;
    // The root timeline belongs to the player, which also keeps its sound in step.
    virtual void gotoRoot(int frame, bool play) = 0;
    virtual void setRootPlaying(bool playing) = 0;
    virtual int rootFramesLoaded() = 0;
    virtual void trace(const QString& line) = 0;
    // A web or mail address a script opens (the application decides how).
    virtual void openUrl(const QString& url, const QString& window) = 0;
    // fscommand("quit"): the movie stops for good.
    virtual void quit() = 0;
    virtual void scriptAborted(avm1::AbortReason reason) = 0;
    // The bytes of a file a script asked for, by url relative to the movie; nothing when the
    // player's policy refuses it or it cannot be read. Also gives its full url.
    virtual std::optional<QByteArray> readBesideMovie(const QString& url, QString* fullUrl) = 0;
    // Whether that file is still on its way (a movie from the network); ask again later.
    virtual bool stillLoading(const QString& url) {
        (void)url;
        return false;
    }
    // What has come so far of such a file, and its announced size (-1 when unknown).
    virtual std::optional<QByteArray> arrivedBesideMovie(const QString& url, qint64* total) {
        (void)url;
        (void)total;
        return std::nullopt;
    }
    // A whole movie (a loadMovie's) read into a definition, its imports resolved.
    virtual std::shared_ptr<const movie::MovieDefinition> readMovie(const QByteArray& bytes) = 0;
    // loadMovieNum into level 0: the player plays that movie instead, after this tick.
    virtual void replaceMovie(const QByteArray& bytes, const QString& url) = 0;
};

} // namespace swf::script
