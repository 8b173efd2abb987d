// Loading movies over HTTP from a server on this machine: progressive play, redirects,
// errors, limits, silence and cancelling.
#include "support/action_assembler.h"
#include "support/app_fixture.h"
#include "support/net_stream_movie.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// Frame 1 loads variables from url into _level0; frame 2 traces the variable greeting and
// frame 3 goes back to it, so every other tick prints what has arrived.
QByteArray loaderMovie(const QString& url) {
    swftest::SwfBuilder builder(6, QSize(100, 100), 12);
    avm1test::ActionAssembler load(6);
    load.push({url, "_level0"}).action(avm1test::ActionCode::GetUrl2, QByteArray(1, '\x80'));
    builder.doAction(load.bytes());
    builder.showFrame();
    avm1test::ActionAssembler show(6);
    show.getVariable("greeting").op(avm1test::ActionCode::Trace);
    builder.doAction(show.bytes());
    builder.showFrame();
    avm1test::ActionAssembler again(6);
    again.action(avm1test::ActionCode::GotoFrame, avm1test::u16(1)).op(avm1test::ActionCode::Play);
    builder.doAction(again.bytes());
    builder.showFrame();
    return builder.finish();
}

QByteArray testMovie(int frames) {
    swftest::SwfBuilder builder(6, QSize(100, 100), 12);
    builder.setBackground(Qt::green);
    for (int i = 0; i < frames; ++i) {
        builder.defineRect(QRectF(0, 0, 10 + i, 10), Qt::red);
        builder.showFrame();
    }
    return builder.finish();
}

// Frame 1 plays clip.flv through a NetStream whose status codes are traced.
QByteArray streamingMovie() {
    using avm1test::ActionCode;
    avm1test::ActionAssembler onStatus(8);
    onStatus.push({"info"}).op(ActionCode::GetVariable).push({"code"}).op(ActionCode::GetMember);
    onStatus.op(ActionCode::Trace);
    return avm1test::netStreamMovie(8, 25, onStatus, 100);
}

// An FLV file of sound only: tags of 100 ms of 11 kHz 16-bit PCM.
QByteArray soundFlv(int tags) {
    QByteArray out("FLV\x01\x04\0\0\0\x09\0\0\0\0", 13);
    const QByteArray body = QByteArray(1, '\x36') + QByteArray(2 * 1103, '\x10');
    for (int i = 0; i < tags; ++i) {
        const int time = i * 100;
        auto be = [&out](quint32 value, int bytes) {
            for (int b = bytes - 1; b >= 0; --b)
                out += char((value >> (8 * b)) & 0xff);
        };
        out += '\x08';
        be(quint32(body.size()), 3);
        be(quint32(time), 3);
        out += '\0';
        be(0, 3);
        out += body;
        be(quint32(body.size() + 11), 4);
    }
    return out;
}

// A small HTTP server whose answers are chosen by the path.
class TestServer : public QObject {
  public:
    QTcpServer server;
    QByteArray movie = testMovie(40);
    QByteArray loader; // served as /site/loader.swf
    QByteArray flv = soundFlv(30);
    int requests = 0;
    QStringList paths; // asked for, in order

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
        paths << QString::fromLatin1(path);
        const QByteArray found = "HTTP/1.1 302 Found\r\nContent-Length: 0\r\nLocation: ";
        const QByteArray port = QByteArray::number(server.serverPort());
        // Answered whole, and the connection closed.
        const QHash<QByteArray, QByteArray> whole = {
            {"/site/loader.swf", head(200, "OK", loader.size()) + loader},
            {"/site/data.txt", head(200, "OK", 14) + "greeting=hello"},
            {"/site/away.txt", found + "http://localhost:" + port + "/site/data.txt\r\n\r\n"},
            {"/movie.swf", head(200, "OK", movie.size()) + movie},
            {"/redirect.swf", found + "/movie.swf\r\n\r\n"},
            {"/loop.swf", found + "/loop.swf\r\n\r\n"},
            {"/missing.swf", head(404, "Not Found", 9) + "not found"},
            {"/text.swf", head(200, "OK", 22) + "<html>not a movie</html>"},
            {"/truncated.swf", head(200, "OK", movie.size()) + movie.left(movie.size() / 2)},
        };
        // A first part now, the rest when the test says (never, where there is no rest).
        const QHash<QByteArray, std::pair<QByteArray, QByteArray>> parts = {
            {"/site/slow.txt", {head(200, "OK", 14) + "greeting=", "hello"}},
            {"/site/clip.flv",
             {head(200, "OK", flv.size()) + flv.left(flv.size() / 3), flv.mid(flv.size() / 3)}},
            {"/trickle.swf",
             {head(200, "OK", movie.size()) + movie.left(movie.size() / 3), movie.mid(movie.size() / 3)}},
            {"/silent.swf", {head(200, "OK", movie.size()) + movie.left(movie.size() / 3), {}}},
            {"/big.swf", {head(200, "OK", 5'000'000) + movie, {}}},
        };
        if (whole.contains(path)) {
            socket->write(whole[path]);
            socket->disconnectFromHost();
        } else if (parts.contains(path)) {
            socket->write(parts[path].first);
            socket->flush();
            rest = parts[path].second;
            if (!rest.isNull()) pending = socket;
        }
    }

  public:
    QPointer<QTcpSocket> pending;
    QByteArray rest;
    // The pending download's connection was closed by the player (or never made).
    bool pendingClosed() const { return !pending || pending->state() == QAbstractSocket::UnconnectedState; }
    void finish() {
        if (!pending) return;
        pending->write(rest);
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
    // Ticks with the network's answers between them until done() holds.
    bool tickUntil(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                control()->tick();
                return done();
            },
            5000);
    }
    // The traces of the movie in the control, set up afresh for every test.
    QStringList traces;

  private slots:
    void init() {
        fx.setUp();
        forms::get<Form1>();
        control()->setClockEnabled(false);
        traces.clear();
        control()->engine().setTraceHandler([this](const QString& line) { traces << line; });
    }
    void cleanup() { fx.tearDown(); }

    void wholeMovie_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("asked for") << "/movie.swf";
        QTest::newRow("redirected to") << "/redirect.swf";
    }
    void wholeMovie() {
        QFETCH(QString, path);
        TestServer server;
        control()->setMovie(server.url(path));
        QVERIFY(waitForState(4));
        QCOMPARE(control()->TotalFrames(), 40);
        QVERIFY(control()->loadError().isEmpty());
        AppFixture::settle();
        QCOMPARE(forms::get<Form1>()->Label3->text(), QStringLiteral("影片载入完成!"));
        QCOMPARE(forms::get<Form1>()->mm, 40);
    }

    void playsWhileItArrives() {
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
        server.finish();
        QVERIFY(waitForState(4));
        QCOMPARE(control()->engine().framesLoaded(), 40);
    }

    void failures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("partlyPlayable");
        QTest::addColumn<QString>("reason"); // how the message starts
        QTest::newRow("404") << "/missing.swf" << false << QStringLiteral("下载失败：服务器回答 404");
        QTest::newRow("not a movie") << "/text.swf" << false
                                     << QStringLiteral("无法读取影片：这不是 Flash 影片文件");
        QTest::newRow("truncated body")
            << "/truncated.swf" << true << QStringLiteral("下载失败：Connection closed");
        QTest::newRow("oversized") << "/big.swf" << false << QStringLiteral("影片太大：超过");
        QTest::newRow("redirect loop") << "/loop.swf" << false << QStringLiteral("下载失败：Too many");
    }

    void failures() {
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

    void silentServerTimesOut() {
        TestServer server;
        control()->setDownloadLimits(ShockwaveFlash::kMaxDownloadBytes, 300);
        control()->setMovie(server.url("/silent.swf"));
        QVERIFY(QTest::qWaitFor([&] { return !control()->loadError().isEmpty(); }, 5000));
        QVERIFY(control()->loadError().contains(QStringLiteral("超时")));
        QCOMPARE(control()->ReadyState(), 4); // the part that came plays
    }

    void newMovieCancelsTheDownload() {
        TestServer server;
        control()->setMovie(server.url("/trickle.swf"));
        QVERIFY(waitForState(3));
        control()->setMovie(QString());
        QVERIFY(control()->Movie().isEmpty());
        // The player hangs up: the server sees its connection close, and nothing more arrives.
        QVERIFY(QTest::qWaitFor([&] { return server.pendingClosed(); }, 5000));
        server.finish();
        AppFixture::settle();
        QCOMPARE(control()->TotalFrames(), 0);
        QVERIFY(control()->loadError().isEmpty());
    }

    void movieLoadsFromItsOwnSite_data() {
        QTest::addColumn<QString>("asked"); // %1 stands for the server's port
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("served"); // the path the server was asked for, if any
        const auto row = [](const char* name, const char* asked, const char* shown, const char* served) {
            QTest::newRow(name) << QString(asked) << QString(shown) << QString(served);
        };
        row("beside the movie", "data.txt", "hello", "/site/data.txt");
        row("its site, written out", "http://127.0.0.1:%1/site/data.txt", "hello", "/site/data.txt");
        row("missing", "nothing.txt", "undefined", "/site/nothing.txt");
        row("another host is not asked", "http://localhost:%1/site/data.txt", "undefined", "");
        row("a local file is not read", "file:///etc/hostname", "undefined", "");
        row("a redirect off the site is not followed", "away.txt", "undefined", "/site/away.txt");
    }

    void movieLoadsFromItsOwnSite() {
        QFETCH(QString, asked);
        QFETCH(QString, served);
        TestServer server;
        server.loader =
            loaderMovie(asked.contains(QLatin1String("%1")) ? asked.arg(server.server.serverPort()) : asked);
        control()->setMovie(server.url("/site/loader.swf"));
        QVERIFY(waitForState(4));
        // Ticks with the network's answers between them, until the variable shows or the
        // answer has surely come.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 1000 && !traces.contains(QStringLiteral("hello"))) {
            control()->tick();
            QTest::qWait(10);
        }
        QVERIFY(!traces.isEmpty());
        QTEST(traces.last(), "shown");
        const QStringList expected =
            served.isEmpty() ? QStringList{"/site/loader.swf"} : QStringList{"/site/loader.swf", served};
        QCOMPARE(server.paths, expected);
    }

    void movieRunsWhileItsLoadArrives() {
        TestServer server;
        server.loader = loaderMovie(QStringLiteral("slow.txt"));
        control()->setMovie(server.url("/site/loader.swf"));
        QVERIFY(waitForState(4));
        QVERIFY(tickUntil([&] { return bool(server.pending); }));
        traces.clear();
        for (int i = 0; i < 10; ++i) {
            control()->tick();
            QTest::qWait(5);
        }
        // The movie went on playing while the file was on its way.
        QVERIFY(traces.size() >= 4);
        QCOMPARE(traces.last(), QStringLiteral("undefined"));
        server.finish();
        QVERIFY(tickUntil([&] { return traces.last() == QLatin1String("hello"); }));
    }

    // A NetStream plays the part of its file that has come, waits at its end, and goes on to the
    // end of the file when the rest comes.
    void videoPlaysWhileItArrives() {
        TestServer server;
        server.loader = streamingMovie();
        control()->setMovie(server.url("/site/loader.swf"));
        QVERIFY(waitForState(4));
        QVERIFY(tickUntil([&] { return traces.contains(QStringLiteral("NetStream.Buffer.Empty")); }));
        QVERIFY(server.pending);
        QCOMPARE(traces,
                 QStringList({"NetStream.Play.Start", "NetStream.Buffer.Full", "NetStream.Buffer.Empty"}));
        server.finish();
        QVERIFY(tickUntil([&] { return traces.contains(QStringLiteral("NetStream.Play.Stop")); }));
        QCOMPARE(traces.mid(3),
                 QStringList({"NetStream.Buffer.Full", "NetStream.Buffer.Flush", "NetStream.Play.Stop"}));
        QCOMPARE(server.paths, QStringList({"/site/loader.swf", "/site/clip.flv"}));
    }
};

QTEST_MAIN(NetworkLoadTest)
#include "network_load_test.moc"
