#include "player/site_navigator.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr int kMaxRedirects = 8;
constexpr qint64 kUnclaimedMs = 10'000;

bool isWeb(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

SiteNavigator::SiteNavigator(qint64 maxBytes, int silenceMs) : m_maxBytes(maxBytes), m_silenceMs(silenceMs) {}

SiteNavigator::~SiteNavigator() {
    cancelAll();
}

QUrl SiteNavigator::siteAddress(const QString& movieUrl, const QString& relative) {
    const QUrl movie(movieUrl);
    if (!isWeb(movie) || relative.isEmpty()) return {};
    const QUrl target = movie.resolved(QUrl(relative));
    if (!target.isValid() || target.scheme().compare(movie.scheme(), Qt::CaseInsensitive) != 0 ||
        target.host().compare(movie.host(), Qt::CaseInsensitive) != 0 ||
        target.port(movie.scheme() == QLatin1String("https") ? 443 : 80) !=
            movie.port(movie.scheme() == QLatin1String("https") ? 443 : 80))
        return {};
    return target.adjusted(QUrl::RemoveFragment);
}

void SiteNavigator::setLimits(qint64 maxBytes, int silenceMs) {
    m_maxBytes = maxBytes;
    m_silenceMs = silenceMs;
}

void SiteNavigator::cancelAll() {
    // Taken out first: an abort may finish the reply at once.
    std::map<QString, Download> downloads;
    downloads.swap(m_downloads);
    for (auto& [key, download] : downloads)
        if (download.reply) {
            download.reply->disconnect(this);
            download.reply->abort();
            download.reply->deleteLater();
        }
}

bool SiteNavigator::stillLoading(const QString& movieUrl, const QString& relative) {
    const QUrl address = siteAddress(movieUrl, relative);
    if (address.isEmpty()) return false; // the folder's files, or refused: answered at once
    const QString key = address.toString(QUrl::FullyEncoded);
    auto known = m_downloads.find(key);
    if (known == m_downloads.end()) {
        known = m_downloads.emplace(key, Download{}).first;
        startWaiting();
    }
    Download& download = known->second;
    if (download.done) return false;
    // The engine asks every tick, so silence is noticed here without a timer of its own.
    if (download.reply && download.lastData.isValid() && download.lastData.elapsed() > m_silenceMs) {
        abandon(download);
        return false;
    }
    return true;
}

std::optional<QByteArray> SiteNavigator::arrived(const QString& movieUrl, const QString& relative,
                                                 qint64* total) {
    const QUrl address = siteAddress(movieUrl, relative);
    if (address.isEmpty()) return std::nullopt;
    const auto known = m_downloads.find(address.toString(QUrl::FullyEncoded));
    if (known == m_downloads.end() || known->second.done || !known->second.reply) return std::nullopt;
    if (total) *total = known->second.announced;
    // Shared, not copied: the caller reads it at once and lets it go before more comes.
    return known->second.bytes;
}

std::optional<QByteArray> SiteNavigator::fetch(const QString& movieUrl, const QString& relative,
                                               QString* fullUrl) {
    if (!isWeb(QUrl(movieUrl))) return m_local.fetch(movieUrl, relative, fullUrl);
    const QUrl address = siteAddress(movieUrl, relative);
    if (address.isEmpty()) return std::nullopt;
    const QString key = address.toString(QUrl::FullyEncoded);
    const auto known = m_downloads.find(key);
    if (known == m_downloads.end() || !known->second.done) return std::nullopt;
    // Handed over once: a later load of the same address reads it again, as a browser would
    // without a cache.
    Download download = std::move(known->second);
    m_downloads.erase(known);
    if (download.failed) return std::nullopt;
    if (fullUrl) *fullUrl = key;
    return std::move(download.bytes);
}

void SiteNavigator::startWaiting() {
    // What the engine stopped waiting for (its clip went away) is not kept.
    std::erase_if(m_downloads, [](const auto& entry) {
        return entry.second.done && entry.second.lastData.isValid() &&
               entry.second.lastData.elapsed() > kUnclaimedMs;
    });
    int running = 0;
    for (const auto& [key, download] : m_downloads)
        running += download.reply && !download.done ? 1 : 0;
    for (auto& [key, download] : m_downloads) {
        if (running >= kMaxParallel) break;
        if (download.reply || download.done) continue;
        begin(key, download);
        ++running;
    }
}

void SiteNavigator::begin(const QString& key, Download& download) {
    if (!m_network) m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(key)};
    // A redirect may not lead a movie's loads off its own site.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = m_network->get(request);
    download.reply = reply;
    download.lastData.start();
    connect(reply, &QNetworkReply::readyRead, this, [this, key] { received(key); });
    connect(reply, &QNetworkReply::finished, this, [this, key] { finished(key); });
}

void SiteNavigator::received(const QString& key) {
    const auto known = m_downloads.find(key);
    if (known == m_downloads.end() || !known->second.reply) return;
    Download& download = known->second;
    QNetworkReply* reply = download.reply;
    download.lastData.start();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 announced = length.isValid() ? length.toLongLong() : -1;
    download.announced = announced;
    download.bytes += reply->readAll();
    if (announced > m_maxBytes || download.bytes.size() > m_maxBytes) abandon(download);
}

void SiteNavigator::abandon(Download& download) {
    if (QNetworkReply* reply = download.reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    download.reply = nullptr;
    download.bytes.clear();
    download.done = download.failed = true;
    download.lastData.start(); // dropped if nobody claims the failure
    startWaiting();
}

void SiteNavigator::finished(const QString& key) {
    const auto known = m_downloads.find(key);
    if (known == m_downloads.end() || !known->second.reply) return;
    Download& download = known->second;
    QNetworkReply* reply = download.reply;
    download.bytes += reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    download.failed =
        reply->error() != QNetworkReply::NoError || status >= 400 || download.bytes.size() > m_maxBytes;
    if (download.failed) download.bytes.clear();
    download.done = true;
    download.lastData.start();
    download.reply = nullptr;
    reply->deleteLater();
    startWaiting();
}
