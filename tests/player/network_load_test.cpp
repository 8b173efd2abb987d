// Loading movies over HTTP from a server on this machine: progressive play, redirects,
// errors, limits, silence and cancelling.
#include "support/app_fixture.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

QByteArray testMovie(int frames) {
    swftest::SwfBuilder builder(6, QSize(100, 100), 12);
    builder.setBackground(Qt::green);
    for (int i = 0; i < frames; ++i) {
        builder.defineRect(QRectF(0, 0, 10 + i, 10), Qt::red);
        builder.showFrame();
    }
    return builder.finish();
}

// A small HTTP server whose answers are chosen by the path.
class TestServer : public QObject {
  public:
    QTcpServer server;
    QByteArray movie = testMovie(40);
    int requests = 0;

    TestServer() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }

  private:
    static QByteArray head(int status, const char* reason, qint64 length, const QByteArray& extra = {}) {
        return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
               "\r\nContent-Length: " + QByteArray::number(length) +
               "\r\nContent-Type: application/x-shockwave-flash\r\n" + extra + "\r\n";
    }

    void answer(QTcpSocket* socket) {
        const QByteArray request = socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        ++requests;
        const QByteArray path = request.split(' ').value(1);
        if (path == "/movie.swf") {
            socket->write(head(200, "OK", movie.size()) + movie);
            socket->disconnectFromHost();
        } else if (path == "/redirect.swf") {
            socket->write("HTTP/1.1 302 Found\r\nLocation: /movie.swf\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
        } else if (path == "/loop.swf") {
            socket->write("HTTP/1.1 302 Found\r\nLocation: /loop.swf\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
        } else if (path == "/missing.swf") {
            socket->write(head(404, "Not Found", 9) + "not found");
            socket->disconnectFromHost();
        } else if (path == "/text.swf") {
            socket->write(head(200, "OK", 22) + "<html>not a movie</html>");
            socket->disconnectFromHost();
        } else if (path == "/truncated.swf") {
            socket->write(head(200, "OK", movie.size()) + movie.left(movie.size() / 2));
            socket->flush();
            socket->disconnectFromHost();
        } else if (path == "/big.swf") {
            socket->write(head(200, "OK", 5'000'000) + movie);
        } else if (path == "/trickle.swf" || path == "/silent.swf") {
            // The first part now (header and a few frames), the rest only when asked.
            socket->write(head(200, "OK", movie.size()) + movie.left(movie.size() / 3));
            socket->flush();
            if (path == "/trickle.swf") pending = socket;
        }
    }

  public:
    QPointer<QTcpSocket> pending;
    // The trickling download's connection was closed by the player (or never made).
    bool trickleClosed() const { return !pending || pending->state() == QAbstractSocket::UnconnectedState; }
    void finishTrickle() {
        if (!pending) return;
        pending->write(movie.mid(movie.size() / 3));
        pending->disconnectFromHost();
    }
};

} // namespace

class NetworkLoadTest : public QObject {
    Q_OBJECT
    AppFixture fx;

    ShockwaveFlash* control() { return Form1::sw(); }
    bool waitForState(int state, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return control()->ReadyState() == state; }, timeoutMs);
    }

  private slots:
    void init() {
        fx.setUp();
        forms::get<Form1>();
        control()->setClockEnabled(false);
    }
    void cleanup() { fx.tearDown(); }

    void wholeMovie();
    void redirectIsFollowed();
    void playsWhileItArrives();
    void failures_data();
    void failures();
    void silentServerTimesOut();
    void newMovieCancelsTheDownload();
};

void NetworkLoadTest::wholeMovie() {
    TestServer server;
    control()->setMovie(server.url("/movie.swf"));
    QVERIFY(waitForState(4));
    QCOMPARE(control()->TotalFrames(), 40);
    QVERIFY(control()->loadError().isEmpty());
    AppFixture::settle();
    QCOMPARE(forms::get<Form1>()->Label3->text(), QStringLiteral("影片载入完成!"));
    QCOMPARE(forms::get<Form1>()->mm, 40);
}

void NetworkLoadTest::redirectIsFollowed() {
    TestServer server;
    control()->setMovie(server.url("/redirect.swf"));
    QVERIFY(waitForState(4));
    QCOMPARE(control()->TotalFrames(), 40);
}

void NetworkLoadTest::playsWhileItArrives() {
    TestServer server;
    control()->setMovie(server.url("/trickle.swf"));
    QVERIFY(waitForState(3));
    const int loaded = control()->engine().framesLoaded();
    QVERIFY(loaded > 0 && loaded < 40);
    QVERIFY(control()->Playing());
    // Frames not yet loaded are not played past.
    for (int i = 0; i < 60; ++i)
        control()->tick();
    QVERIFY(control()->FrameNum() < control()->engine().framesLoaded());
    server.finishTrickle();
    QVERIFY(waitForState(4));
    QCOMPARE(control()->engine().framesLoaded(), 40);
}

void NetworkLoadTest::failures_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("partlyPlayable");
    QTest::addColumn<QString>("reason"); // how the message starts
    QTest::newRow("404") << "/missing.swf" << false << QStringLiteral("下载失败：服务器回答 404");
    QTest::newRow("not a movie") << "/text.swf" << false
                                 << QStringLiteral("无法读取影片：这不是 Flash 影片文件");
    QTest::newRow("truncated body") << "/truncated.swf" << true
                                    << QStringLiteral("下载失败：Connection closed");
    QTest::newRow("oversized") << "/big.swf" << false << QStringLiteral("影片太大：超过");
    QTest::newRow("redirect loop") << "/loop.swf" << false << QStringLiteral("下载失败：Too many");
}

void NetworkLoadTest::failures() {
    QFETCH(QString, path);
    QFETCH(bool, partlyPlayable);
    QFETCH(QString, reason);
    TestServer server;
    control()->setDownloadLimits(1'000'000, 30'000);
    control()->setMovie(server.url(path));
    QVERIFY(QTest::qWaitFor([&] { return !control()->loadError().isEmpty(); }, 5000));
    QVERIFY2(control()->loadError().startsWith(reason), qPrintable(control()->loadError()));
    AppFixture::settle();
    const QString label = forms::get<Form1>()->Label3->text();
    QVERIFY2(label != QStringLiteral("正在载入……"), qPrintable(label));
    if (partlyPlayable) {
        QCOMPARE(control()->ReadyState(), 4);
        QVERIFY(control()->TotalFrames() > 0);
    } else {
        QCOMPARE(control()->ReadyState(), 1);
        QCOMPARE(control()->TotalFrames(), 0);
    }
}

void NetworkLoadTest::silentServerTimesOut() {
    TestServer server;
    control()->setDownloadLimits(ShockwaveFlash::kMaxDownloadBytes, 300);
    control()->setMovie(server.url("/silent.swf"));
    QVERIFY(QTest::qWaitFor([&] { return !control()->loadError().isEmpty(); }, 5000));
    QVERIFY(control()->loadError().contains(QStringLiteral("超时")));
    QCOMPARE(control()->ReadyState(), 4); // the part that came plays
}

void NetworkLoadTest::newMovieCancelsTheDownload() {
    TestServer server;
    control()->setMovie(server.url("/trickle.swf"));
    QVERIFY(waitForState(3));
    control()->setMovie(QString());
    QVERIFY(control()->Movie().isEmpty());
    // The player hangs up: the server sees its connection close, and nothing more arrives.
    QVERIFY(QTest::qWaitFor([&] { return server.trickleClosed(); }, 5000));
    server.finishTrickle();
    AppFixture::settle();
    QCOMPARE(control()->TotalFrames(), 0);
    QVERIFY(control()->loadError().isEmpty());
}

QTEST_MAIN(NetworkLoadTest)
#include "network_load_test.moc"
