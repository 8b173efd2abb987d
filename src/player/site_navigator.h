// Where a movie in the control loads its files from: its own folder when it was opened from
// disk, its own site when it came from the network. A site's files come over HTTP in the
// background under the control's download limits; the engine waits for them tick by tick.
#pragma once

#include "swf/navigator.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <map>

class QNetworkAccessManager;
class QNetworkReply;

class SiteNavigator final : public QObject, public swf::Navigator {
  public:
    // Files read at once from one site; more wait for a free place.
    static constexpr int kMaxParallel = 4;

    SiteNavigator(qint64 maxBytes, int silenceMs);
    ~SiteNavigator() override;

    std::optional<QByteArray> fetch(const QString& movieUrl, const QString& relative,
                                    QString* fullUrl) override;
    bool stillLoading(const QString& movieUrl, const QString& relative) override;
    std::optional<QByteArray> arrived(const QString& movieUrl, const QString& relative,
                                      qint64* total) override;

    void setLimits(qint64 maxBytes, int silenceMs);
    // A new movie: what the last one asked for is dropped.
    void cancelAll();

    // The address a movie at movieUrl may read relative as, or an empty one when it may not:
    // the same scheme, host and port, over HTTP or HTTPS.
    static QUrl siteAddress(const QString& movieUrl, const QString& relative);

  private:
    struct Download {
        QPointer<QNetworkReply> reply; // null until a place is free
        QByteArray bytes;
        qint64 announced = -1; // the size the server gave
        QElapsedTimer lastData;
        bool done = false;
        bool failed = false;
    };
    void begin(const QString& key, Download& download);
    void startWaiting();
    void received(const QString& key);
    void finished(const QString& key);
    // Stops a download for good: the engine is told it failed.
    void abandon(Download& download);

    swf::LocalFolderNavigator m_local;
    QNetworkAccessManager* m_network = nullptr;
    std::map<QString, Download> m_downloads; // by full address
    qint64 m_maxBytes;
    int m_silenceMs;
};
