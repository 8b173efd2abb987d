// What scripts loaded: the movies and pictures kept in memory while the movie plays (their
// clips may come back by a goto), and what each clip shows in place of its own content,
// for getBytesTotal, getSWFVersion and _url.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace swf::movie {
class MovieDefinition;
}
namespace swf::stage {
class MovieClip;
}

namespace swf::script {

class LoadedMovies {
  public:
    // Reads a whole movie into a definition, its imports resolved (the player's loader).
    using ReadMovie = std::function<std::shared_ptr<const movie::MovieDefinition>(const QByteArray& bytes)>;
    LoadedMovies(const movie::MovieDefinition& movie, QString movieUrl, ReadMovie readMovie);

    static bool isMovie(const QByteArray& bytes);

    // A movie, or a picture as a one-frame movie; kept until the player is done with this
    // movie. Nothing for bytes that are neither, or past what the player keeps.
    std::shared_ptr<const movie::MovieDefinition> read(const QByteArray& bytes);

    // The clip shows what was loaded from url (bytes long; a picture when not a movie).
    void shown(const stage::MovieClip& clip, const QString& url, const QByteArray& bytes);
    // unloadMovie: the clip shows nothing, keeping the version it had.
    void emptied(const stage::MovieClip& clip);
    void forget(const stage::MovieClip& clip) { m_shown.erase(&clip); }

    // getBytesTotal, getSWFVersion and _url; isRoot for the root and its levels' own bytes.
    qint64 bytesOf(const stage::MovieClip& clip, bool isRoot) const;
    int versionOf(const stage::MovieClip& clip) const;
    QString urlOf(const stage::MovieClip& clip) const;

  private:
    struct Content {
        QString url;
        qint64 bytes = 0;
        int version = -1; // a movie's SWF version; -1 for a picture
    };
    const movie::MovieDefinition& m_movie;
    QString m_movieUrl;
    ReadMovie m_readMovie;
    std::vector<std::shared_ptr<const movie::MovieDefinition>> m_movies;
    qint64 m_bytes = 0;
    std::unordered_map<const stage::MovieClip*, Content> m_shown;
};

} // namespace swf::script
