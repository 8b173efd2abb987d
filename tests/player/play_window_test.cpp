// The play window: control sizing, unload clearing the menu mark, and the loading states
// of the movie control turned into the main window's status texts.
#include "action_assembler.h"
#include "buttons.h"
#include "support/file_bytes.h"
#include "support/movie_files.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"
#include "resources/string_table.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

using swftest::Compression;
using swftest::SwfBuilder;

class PlayWindowTest : public QObject {
    Q_OBJECT
    AppFixture fx;

    QString writeMovie(const QString& name, const QByteArray& bytes) {
        const QString path = fx.folder->filePath(name);
        writeBytes(path, bytes);
        return path;
    }

    static QByteArray movie(int frames, Compression compression = Compression::None) {
        SwfBuilder builder(8, QSize(550, 400), 24.0);
        builder.setBackground(QColor(10, 20, 30));
        builder.showFrame(frames);
        return builder.finish(compression);
    }

  private slots:
    void init() { fx.setUp(); }
    void cleanup() { fx.tearDown(); }

    void resizeKeepsControlsInside_data() {
        QTest::addColumn<int>("outerWidth");
        QTest::addColumn<int>("outerHeight");
        QTest::addColumn<int>("expectedWidth");
        QTest::addColumn<int>("expectedHeight");
        QTest::newRow("6000 by 4500") << 6000 << 4500 << 5900 << 4400;
        QTest::newRow("below the allowance stays at 0") << 60 << 45 << 0 << 0;
    }

    void resizeKeepsControlsInside() {
        QFETCH(int, outerWidth);
        QFETCH(int, outerHeight);
        QFETCH(int, expectedWidth);
        QFETCH(int, expectedHeight);
        Form3* play = forms::get<Form3>();
        play->show();
        twips::setWidth(play, outerWidth);
        twips::setHeight(play, outerHeight);
        QCoreApplication::processEvents();
        QCOMPARE(play->p->size(), QSize(twips::toPixels(expectedWidth), twips::toPixels(expectedHeight)));
        QCOMPARE(play->sw->size(), QSize(twips::toPixels(expectedWidth), twips::toPixels(expectedHeight)));
        QCOMPARE(play->sw->pos(), QPoint(4, 4));
    }

    void loadingStatesReachTheMainWindow() {
        Form1* main = forms::get<Form1>();
        const QString path = writeMovie(QStringLiteral("m.swf"), movie(12, Compression::Zlib));
        ShockwaveFlash* control = Form1::sw();
        QStringList seen;
        connect(control, &ShockwaveFlash::OnReadyStateChange, this, [&] { seen << main->Label3->text(); });
        QList<int> states;
        connect(control, &ShockwaveFlash::OnReadyStateChange, this, [&](int state) { states << state; });
        main->setTimer1Enabled(false); // state 4 switches the status timer on
        control->setMovie(path);
        QCOMPARE(control->ReadyState(), 0);
        QVERIFY(states.isEmpty()); // events come from the event loop, never from inside the call
        AppFixture::settle();
        QCOMPARE(states, (QList<int>{0, 3, 4}));
        QCOMPARE(seen, (QStringList{"正在载入……", "正在交互……", "影片载入完成!"}));
        QCOMPARE(main->mm, 12);
        QCOMPARE(control->TotalFrames(), 12);
        QCOMPARE(control->ReadyState(), 4);
        QVERIFY(main->timer1Enabled());
    }

    void unreadableMovieSaysWhy_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a movie") << QByteArray("hello, this is text") << "a.swf"
                                     << QStringLiteral("无法读取影片：这不是 Flash 影片文件");
        QTest::newRow("empty file") << QByteArray() << "b.swf" << QStringLiteral("无法读取影片：文件是空的");
        QTest::newRow("missing file") << QByteArray("-") << "" << QStringLiteral("无法打开影片：找不到文件");
        swftest::SwfBuilder actionScript3(9, QSize(100, 100), 12);
        actionScript3.rawTag(69, QByteArray("\x08\0\0\0", 4));
        actionScript3.showFrame();
        QTest::newRow("ActionScript 3 movie")
            << actionScript3.finish() << "d.swf"
            << QStringLiteral("无法播放：这部影片使用 ActionScript 3 编写，本播放器还不能播放这类影片");
        QTest::newRow("authoring file")
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "c.fla"
            << QStringLiteral("无法播放：这是 Flash 源文件（.fla），不是可播放的影片，"
                              "请先在 Flash 中发布为 .swf");
    }

    void unreadableMovieSaysWhy() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        Form1* main = forms::get<Form1>();
        const QString path =
            name.isEmpty() ? fx.folder->filePath(QStringLiteral("missing.swf")) : writeMovie(name, bytes);
        ShockwaveFlash* control = Form1::sw();
        control->setMovie(path);
        AppFixture::settle();
        QVERIFY(control->ReadyState() != 4);
        QCOMPARE(control->loadError(), reason);
        QCOMPARE(control->TotalFrames(), 0);
        QVERIFY(main->Label3->text() != QStringLiteral("正在载入……"));
        // The control paints the reason; the window stays usable.
        QVERIFY(!control->grab().isNull());
    }

    // Emptying the control (every play-list action does) leaves no claim of a movie on the panel.
    void emptyingTheControl() {
        Form1* main = forms::get<Form1>();
        ShockwaveFlash* control = loadTestMovie(writeMovie(QStringLiteral("m.swf"), movie(5)));
        QCOMPARE(control->TotalFrames(), 5);
        control->tick();
        main->Timer1_Timer();
        QCOMPARE(main->Label3->text(), resources::text(110));
        QCOMPARE(main->Label2->text(), QStringLiteral(" 1/ 5"));
        control->setMovie(QString());
        QVERIFY(control->Movie().isEmpty());
        QCOMPARE(control->TotalFrames(), 0);
        QCOMPARE(control->FrameNum(), 0);
        QVERIFY(!control->Playing());
        AppFixture::settle();
        main->Timer1_Timer();
        QCOMPARE(main->Label3->text(), QString());
        QCOMPARE(main->Label2->text(), QStringLiteral("0000/0000"));
        QCOMPARE(main->Label1->text(), QStringLiteral("00:00"));
        QCOMPARE(main->mm, 0);
        QCOMPARE(main->Image2->leftTwips(), 0);
    }

    void walksFramesAndLoops() {
        forms::get<Form1>();
        Form1::sw()->setLoop(true); // start-up without settings switched it off
        ShockwaveFlash* control = loadTestMovie(writeMovie(QStringLiteral("m.swf"), movie(4)));
        QVERIFY(control->Playing());
        QCOMPARE(control->FrameNum(), 0);
        for (int expected : {1, 2, 3, 0, 1}) {
            control->tick();
            QCOMPARE(control->FrameNum(), expected);
        }
        control->setLoop(false);
        control->GotoFrame(2);
        QVERIFY(!control->Playing());
        control->Play();
        control->tick();
        control->tick();
        QCOMPARE(control->FrameNum(), 3);
        QVERIFY(!control->Playing());
        control->TGotoFrame(QStringLiteral("/"), 1);
        QCOMPARE(control->FrameNum(), 1);
        control->GotoFrame(100); // beyond the end shows the last frame
        QCOMPARE(control->FrameNum(), 3);
        control->Rewind();
        QCOMPARE(control->FrameNum(), 0);
    }

    // A movie of the era: a preloader loops on frame 1 until every frame is in, frame 2 waits
    // for its play button (the hand over it), a click plays on, and stop() holds the last frame.
    void buttonsAnswerThePointer() {
        using avm1test::ActionAssembler;
        using swf::format::ActionCode;
        SwfBuilder b(6, QSize(550, 400), 24.0);
        const int face = b.defineRect(QRectF(0, 0, 550, 400), Qt::yellow);
        ActionAssembler preloader(6);
        preloader.getVariable("_framesloaded").getVariable("_totalframes").op(ActionCode::Less);
        preloader.branchIf("wait");
        preloader.action(ActionCode::GotoFrame, QByteArray("\x01\x00", 2)).jump("end");
        preloader.label("wait").action(ActionCode::GotoFrame, QByteArray("\x00\x00", 2)).op(ActionCode::Play);
        preloader.label("end");
        b.doAction(preloader.bytes());
        b.showFrame();
        b.place(1, swftest::defineButton1(b, {{0x0f, face}}, QByteArray("\x06\x00", 2))); // plays on
        b.doAction(ActionAssembler(6).op(ActionCode::Stop).bytes());
        b.showFrame(3);
        // The last frame draws its own pointer, as games do: the system's goes.
        ActionAssembler last(6);
        last.op(ActionCode::Stop).push({0, "Mouse"}).op(ActionCode::GetVariable).push({"hide"});
        last.op(ActionCode::CallMethod).op(ActionCode::Pop);
        b.doAction(last.bytes());
        b.showFrame();
        forms::get<Form1>();
        ShockwaveFlash* control = loadTestMovie(writeMovie(QStringLiteral("button.swf"), b.finish()));
        control->tick();
        QCOMPARE(control->FrameNum(), 1);
        QVERIFY(!control->Playing());
        QVERIFY(control->width() > 20 && control->height() > 20);
        const QPoint middle = control->rect().center();
        // Sent straight to the control: a hidden window under the offscreen platform gets no
        // synthesized moves.
        QMouseEvent move(QEvent::MouseMove, middle, control->mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(control, &move);
        QCOMPARE(control->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, middle);
        QVERIFY(control->Playing());
        for (int i = 0; i < 10; ++i)
            control->tick();
        QCOMPARE(control->FrameNum(), 4);
        QVERIFY(!control->Playing());
        QCOMPARE(control->cursor().shape(), Qt::BlankCursor);
        control->setMovie(QString());
        QCOMPARE(control->cursor().shape(), Qt::ArrowCursor);
    }

    // A preloader that stops the main timeline and waits in a looping clip for the movie to
    // arrive: the clip, and so the wait, must go on running in the control as in the renderer.
    void realPreloaderRunsOn() {
        const QString path = QStringLiteral(VANTREL_CORPUS_DIR "/real/lidosta_video.swf");
        if (!QFile::exists(path)) QSKIP("the real-world movies are not here");
        forms::get<Form1>();
        ShockwaveFlash* control = Form1::sw();
        qint64 now = 0;
        control->setTimeSourceForTesting([&now] { return now; });
        control->setMovie(path);
        AppFixture::settle();
        QCOMPARE(control->ReadyState(), 4);
        const int preloader = control->FrameNum();
        for (int i = 0; i < 100 && control->FrameNum() <= preloader + 1; ++i) {
            now += 1000;
            control->runClock();
        }
        QVERIFY2(control->FrameNum() > preloader + 1, qPrintable(QString::number(control->FrameNum())));
    }
};

QTEST_MAIN(PlayWindowTest)
#include "play_window_test.moc"
