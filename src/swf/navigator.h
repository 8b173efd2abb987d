// Where a movie's own loads come from (loadMovie, loadVariables, XML, ImportAssets...): the
// player asks this and nothing else, so what a movie may read is decided in one place, and
// tests can put a recording one in its place.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace swf {

class Navigator {
  public:
    virtual ~Navigator() = default;
    // The bytes of the file at relative (an address relative to the movie at movieUrl) and
    // its full address; nothing when it may not be read or cannot be.
    virtual std::optional<QByteArray> fetch(const QString& movieUrl, const QString& relative,
                                            QString* fullUrl) = 0;
    // A navigator reading over the network has nothing to answer while the file is on its
    // way, and says so here; the engine asks again on a later tick. Asking starts the read.
    virtual bool stillLoading(const QString& movieUrl, const QString& relative) {
        (void)movieUrl;
        (void)relative;
        return false;
    }
    // What has come so far of a file still loading, so that a video can play while it
    // arrives, and the size the server announced (-1 when it did not say). Nothing when the
    // file is not on its way.
    virtual std::optional<QByteArray> arrived(const QString& movieUrl, const QString& relative,
                                              qint64* total) {
        (void)movieUrl;
        (void)relative;
        (void)total;
        return std::nullopt;
    }
};

// Files in the movie's own folder or below it, up to kMaxFile each (video files are large;
// text loads keep their own, smaller limit). A movie from the network reads nothing here.
class LocalFolderNavigator final : public Navigator {
  public:
    static constexpr qint64 kMaxFile = 256LL << 20;
    std::optional<QByteArray> fetch(const QString& movieUrl, const QString& relative,
                                    QString* fullUrl) override;
};

// A local path for a file: url (a file: address becomes its path), or as it stands.
QString localPathOf(const QString& pathOrUrl);

} // namespace swf
