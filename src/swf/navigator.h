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
};

// Files in the movie's own folder or below it, up to kMaxFile each. A movie from the network
// reads nothing.
class LocalFolderNavigator final : public Navigator {
  public:
    static constexpr qint64 kMaxFile = 16 << 20;
    std::optional<QByteArray> fetch(const QString& movieUrl, const QString& relative,
                                    QString* fullUrl) override;
};

// A local path for a file: url (a file: address becomes its path), or as it stands.
QString localPathOf(const QString& pathOrUrl);

} // namespace swf
