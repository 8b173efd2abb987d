// libFuzzer target: a movie address typed into the remote-open window and the answer of a
// web server, both from the input (laid out as url_input.h says), through the movie control's
// real loader (Qt Network, progressive loading, redirects, limits, silence) and a few frames
// of what arrived.
//
// Every address, wherever it points, ends at the server here: other hosts through it as
// the application's proxy, this machine's own addresses by their port being set to it.
#include "commands/remote_open_window.h"
#include "platform/shell.h"
#include "player/shockwave_flash.h"
#include "url_input.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QHostAddress>
#include <QImage>
#include <QNetworkProxy>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <cstdlib>
#include <functional>

namespace {

int g_argc = 1;
char g_name[] = "fuzz_url";
char* g_argv[] = {g_name, nullptr};

// Each input ends within this, whatever the server does; the control's own silence limit
// is shortened so a server that stops sending is given up well before.
constexpr int kInputMs = 1500;
constexpr int kSilenceMs = 80;
constexpr qint64 kMaxDownload = 64 * 1024;
constexpr int kPieceGapMs = 3;

using namespace fuzzurl;

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 203:
        return "Non-Authoritative Information";
    case 204:
        return "No Content";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return status >= 300 && status < 400 ? "Moved" : "Whatever";
    }
}

QByteArray chunked(const QByteArray& body, int chunkSize, bool last) {
    QByteArray out;
    for (qsizetype at = 0; at < body.size(); at += chunkSize) {
        const QByteArray part = body.mid(at, chunkSize);
        out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
    }
    if (last) out += "0\r\n\r\n";
    return out;
}

// The bytes the server sends for the request-th request of this input.
QByteArray response(const Answer& answer, int request) {
    if (answer.status == kRaw) return answer.body;
    int status = answer.status;
    if (status >= 300 && status < 400 && request > 0 && (answer.flags & RedirectServesBody)) status = 200;
    const bool cutShort = answer.flags & CutShort;
    QByteArray payload = answer.body;
    if (cutShort) payload.truncate(payload.size() * answer.cut / 256);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    head += "Content-Type: application/x-shockwave-flash\r\n";
    if (status >= 300 && status < 400) head += "Location: /r" + QByteArray::number(request) + ".swf\r\n";
    if (answer.flags & Compressed)
        head += (answer.cut & 1) ? "Content-Encoding: gzip\r\n" : "Content-Encoding: deflate\r\n";
    if (!(answer.flags & KeepOpen)) head += "Connection: close\r\n";
    if (answer.flags & Chunked) {
        head += "Transfer-Encoding: chunked\r\n";
        return head + "\r\n" + chunked(payload, answer.cut % 61 + 1, !cutShort);
    }
    if (answer.flags & Oversized) {
        head += "Content-Length: 10000000\r\n";
    } else if (answer.flags & LengthHeader) {
        qint64 length = answer.body.size();
        if (answer.flags & WrongLength)
            length += (answer.cut & 1) ? answer.cut : -std::min<qint64>(answer.cut, length);
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    return head + "\r\n" + payload;
}

class Server : public QObject {
  public:
    QTcpServer listener;
    Answer answer;
    int requests = 0;

    Server() {
        if (!listener.listen(QHostAddress::LocalHost)) std::abort();
        connect(&listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = listener.nextPendingConnection()) {
                m_sockets << socket;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRequest(socket); });
            }
        });
    }

    // Ends every connection of the last input.
    void reset() {
        for (const QPointer<QTcpSocket>& socket : std::as_const(m_sockets))
            if (socket) {
                socket->abort();
                socket->deleteLater();
            }
        m_sockets.clear();
        m_requestBytes.clear();
        requests = 0;
    }

  private:
    void onRequest(QTcpSocket* socket) {
        QByteArray& pending = m_requestBytes[socket];
        pending += socket->readAll();
        // Requests on a kept-open connection are answered one by one.
        while (true) {
            const qsizetype end = pending.indexOf("\r\n\r\n");
            if (end < 0) return;
            pending.remove(0, end + 4);
            send(socket, response(answer, requests++));
        }
    }

    void send(QTcpSocket* socket, const QByteArray& bytes) {
        const int pieces = answer.pieces;
        const qsizetype size = (bytes.size() + pieces - 1) / pieces;
        const bool close = !(answer.flags & KeepOpen) || (answer.flags & CutShort);
        for (int i = 0; i < pieces; ++i) {
            const QByteArray piece = bytes.mid(i * size, size);
            const bool last = i == pieces - 1;
            auto write = [socket, piece, last, close] {
                socket->write(piece);
                if (last && close) socket->disconnectFromHost();
            };
            if (i == 0)
                write();
            else
                QTimer::singleShot(i * kPieceGapMs, socket, write);
        }
    }

    QList<QPointer<QTcpSocket>> m_sockets;
    QHash<QTcpSocket*, QByteArray> m_requestBytes;
};

Server* g_server = nullptr;
ShockwaveFlash* g_control = nullptr;

bool isLoopbackHost(const QString& host) {
    const QHostAddress address(host);
    return host.isEmpty() || host.startsWith(QLatin1String("localhost"), Qt::CaseInsensitive) ||
           (!address.isNull() &&
            (address.isLoopback() || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6));
}

// The address the control is given: the typed one when it is a web address the window would
// hand over, kept on this machine's server; else the server's own.
QString movieAddress(const QString& typed) {
    const QString own = QStringLiteral("http://127.0.0.1:%1/m.swf").arg(g_server->listener.serverPort());
    if (!Form4::acceptsAddress(typed)) return own;
    if (!typed.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !typed.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return own; // a local path: the file target's business
    QUrl url(typed);
    if (isLoopbackHost(url.host())) {
        url.setPort(g_server->listener.serverPort());
        return url.toString();
    }
    return typed;
}

void runEvents(int ms, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= ms) loop.quit();
    });
    poll.start();
    loop.exec();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(g_argc, g_argv);
    // A movie's getURL must not reach the desktop.
    platform::setShellHandler([](const QString&) { return true; });
    g_server = new Server;
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                                     g_server->listener.serverPort()));
    g_control = new ShockwaveFlash;
    g_control->resize(160, 120);
    g_control->setClockEnabled(false);
    g_control->setDownloadLimits(kMaxDownload, kSilenceMs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<Answer> answer = parse(data, size);
    if (!answer) return 0;
    g_server->answer = *answer;
    g_control->setMovie(movieAddress(QString::fromUtf8(answer->address)));
    runEvents(kInputMs, [] { return g_control->ReadyState() == 1 || g_control->ReadyState() == 4; });
    // What arrived plays and is drawn, banner and all.
    for (int i = 0; i < 3; ++i)
        g_control->tick();
    QImage picture(g_control->size(), QImage::Format_ARGB32_Premultiplied);
    g_control->render(&picture);

    g_control->setMovie(QString());
    g_server->reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
