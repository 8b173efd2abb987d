// The player's own commands through the real windows: keys from whichever window has the focus,
// held scan keys, full screen, the play window's right-click menu, volume and mute with their
// settings, the time display, the command line, the hand-over from a second start, and drops.
#include "support/movie_files.h"

#include "app/command_line.h"
#include "app/key_map.h"
#include "player/audio_output.h"
#include "playlist/list_file.h"
#include "resources/string_table.h"

#include "action_assembler.h"
#include "buttons.h"
#include "support/file_bytes.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>

class PlayerCommandsTest : public QObject {
    Q_OBJECT
    AppFixture fx;
    Form1* main = nullptr;

    QString movie(const QString& name, int frames = 30) {
        return writeTestMovie(fx.folder->path(), name, frames);
    }

    // Keys go where the user's focus is: the window is made the active one first.
    static void pressIn(QWidget* window, QKeyCombination key) {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }

    static void drop(QWidget* target, const QStringList& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(file);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        AppFixture::settle();
    }

    // A movie with an input field bound to "who", a button that hears the X key, and a second
    // frame that prints the field's variable.
    QString typingMovie() {
        using swf::format::ActionCode;
        swftest::SwfBuilder b(6, QSize(200, 100), 12);
        swftest::SwfBuilder::EditText text;
        text.bounds = QRectF(10, 10, 100, 20);
        text.text = QStringLiteral("");
        text.variable = QStringLiteral("who");
        text.fontClass = QStringLiteral("_sans");
        b.place(1, b.defineEditText(text));
        b.showFrame();
        avm1test::ActionAssembler show(6);
        show.push({QStringLiteral("who=")}).getVariable("who").op(ActionCode::Add2).op(ActionCode::Trace);
        b.doAction(show.op(ActionCode::Stop).bytes());
        const int face = b.defineRect(QRectF(150, 10, 20, 20), Qt::red);
        const QByteArray heard = avm1test::ActionAssembler(6).trace(QStringLiteral("heard x")).bytes();
        const int id = swftest::defineButton2(b, {{0x0f, face}}, {{0, 'x', heard}}); // hears the X key
        b.place(2, id);
        b.showFrame();
        const QString path = fx.folder->filePath(QStringLiteral("typing.swf"));
        writeBytes(path, b.finish());
        return path;
    }

  private slots:
    void init() {
        fx.setUp();
        main = forms::get<Form1>();
        main->Timer1->stop();
    }
    void cleanup() {
        AudioOutput::setVolume(100);
        fx.tearDown();
    }

    // Every command has a key and no key serves two commands; plain keys, the arrows, Space,
    // Enter and Esc are left to the movie.
    void keyMapIsConsistent() {
        QSet<QKeySequence> seen;
        for (const KeyBinding& binding : keyMap()) {
            QVERIFY2(!binding.keys.isEmpty(), qPrintable(binding.caption));
            for (const QKeySequence& key : binding.keys) {
                QVERIFY2(!seen.contains(key), qPrintable(key.toString()));
                seen.insert(key);
                const QKeyCombination combination = key[0];
                const bool functionKey = combination.key() >= Qt::Key_F1 && combination.key() <= Qt::Key_F35;
                QVERIFY2(functionKey ||
                             combination.keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier),
                         qPrintable(key.toString()));
            }
        }
        // Menu items show their keys as shortcuts, never in their captions.
        QCOMPARE(main->mundostop->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(main->mundostop->text(), QStringLiteral("停止"));
        QCOMPARE(main->munfileexit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(main->munloop->text(), QStringLiteral("Loop"));
        QVERIFY(commandLineHelp().contains(QStringLiteral("播放/暂停")));
    }

    // The same keys work from the main, play and list windows.
    void keysFromEveryWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << "main";
        QTest::newRow("play window") << "play";
        QTest::newRow("list window") << "list";
    }
    void keysFromEveryWindow() {
        QFETCH(QString, window);
        ShockwaveFlash* control = loadTestMovie(movie(QStringLiteral("m.swf")));
        QWidget* target = window == "main"   ? static_cast<QWidget*>(main)
                          : window == "play" ? static_cast<QWidget*>(forms::get<Form3>())
                                             : static_cast<QWidget*>(forms::get<Form2>());
        if (window == "play") forms::get<Form3>()->sw->setFocus();
        QVERIFY(control->Playing());
        pressIn(target, Qt::CTRL | Qt::Key_Return);
        QVERIFY(!control->Playing());
        pressIn(target, Qt::CTRL | Qt::Key_Right);
        QCOMPARE(control->FrameNum(), 1);
        pressIn(target, Qt::CTRL | Qt::Key_Left);
        QCOMPARE(control->FrameNum(), 0);
        pressIn(target, Qt::CTRL | Qt::Key_Return);
        QVERIFY(control->Playing());
        pressIn(target, Qt::CTRL | Qt::Key_M);
        QVERIFY(main->muted);
        QCOMPARE(AudioOutput::volume(), 0);
        pressIn(target, Qt::CTRL | Qt::Key_M);
        pressIn(target, Qt::CTRL | Qt::Key_Down);
        QCOMPARE(main->volumePercent, 90);
        QCOMPARE(AudioOutput::volume(), 90);
        const bool loop = main->munloop->isChecked();
        pressIn(target, Qt::CTRL | Qt::Key_L);
        QCOMPARE(main->munloop->isChecked(), !loop);
    }

    // Typing into a movie's input field through the play window: an input method's words land
    // in it, typed keys go to the field and not to the movie's key listeners, and the field's
    // editing keys win over the player's commands on the same keys.
    void typingIntoTheMovie() {
        ShockwaveFlash* control = loadTestMovie(typingMovie());
        QStringList traces;
        control->engine().setTraceHandler([&traces](const QString& line) { traces << line; });
        Form3* play = forms::get<Form3>();
        play->show();
        control->setFocus();
        control->Stop();
        const QPoint field = control->stageToWidget().map(QPointF(30 * 20, 20 * 20)).toPoint();
        QTest::mouseClick(control, Qt::LeftButton, {}, field);
        QVERIFY(control->engine().hasTextFocus());
        QInputMethodEvent words;
        words.setCommitString(QStringLiteral("中文"));
        QCoreApplication::sendEvent(control, &words);
        pressIn(play, Qt::Key_X);
        pressIn(play, Qt::CTRL | Qt::Key_Right); // the field's next word, not the next frame
        QCOMPARE(control->FrameNum(), 0);
        pressIn(play, Qt::Key_Backspace);
        pressIn(play, Qt::Key_A);

        control->Play();
        control->tick();
        QCOMPARE(traces, QStringList{QStringLiteral("who=中文a")});
    }

    // Plain keys are the movie's: Space does not pause the player.
    void plainKeysGoToTheMovie() {
        ShockwaveFlash* control = loadTestMovie(movie(QStringLiteral("m.swf")));
        forms::get<Form3>()->sw->setFocus();
        pressIn(forms::get<Form3>(), Qt::Key_Space);
        pressIn(forms::get<Form3>(), Qt::Key_Escape);
        QVERIFY(control->Playing());
        QVERIFY(!forms::get<Form3>()->isFullScreenPlay());
    }

    // Scanning runs while its key is held and ends when the key comes up.
    void scanWhileHeld() {
        loadTestMovie(movie(QStringLiteral("m.swf")));
        main->activateWindow();
        QApplication::setActiveWindow(main);
        QTest::keyPress(main, Qt::Key_BracketRight, Qt::ControlModifier);
        QCOMPARE(main->scanMode, qint16(2));
        QTest::keyRelease(main, Qt::Key_BracketRight, Qt::ControlModifier);
        QCOMPARE(main->scanMode, qint16(0));
        QTest::keyPress(main, Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(main->scanMode, qint16(1));
        QTest::keyRelease(main, Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(main->scanMode, qint16(0));
    }

    // F11 fills the screen with the movie; Esc returns to the window as it was; keys still
    // reach the movie meanwhile.
    void fullScreen() {
        ShockwaveFlash* control = loadTestMovie(movie(QStringLiteral("m.swf")));
        Form3* play = forms::get<Form3>();
        play->show();
        main->munwindowplay->setChecked(true);
        const QSize before = play->sw->size();
        pressIn(main, Qt::Key_F11);
        QVERIFY(play->isFullScreenPlay());
        QVERIFY(play->isFullScreen());
        QCOMPARE(play->sw->size(), play->size());
        // The pointer hides once it has been still a while, and shows again when it moves.
        auto* idle = play->findChild<QTimer*>(QStringLiteral("pointerIdle"));
        QVERIFY(idle && idle->isActive());
        idle->start(1);
        QTRY_COMPARE(play->sw->cursor().shape(), Qt::BlankCursor);
        QTest::mouseMove(play->sw, QPoint(5, 5));
        QCOMPARE(play->sw->cursor().shape(), Qt::ArrowCursor);
        {
            std::unique_ptr<QMenu> menu(main->buildPlayMenu(nullptr));
            QVERIFY(menu->findChild<QAction*>("playMenuFullScreen")->isChecked());
        }
        play->sw->setFocus();
        pressIn(play, Qt::Key_Escape);
        QVERIFY(!play->isFullScreenPlay());
        QCOMPARE(play->sw->size(), before);
        QVERIFY(control->Playing());
        {
            std::unique_ptr<QMenu> menu(main->buildPlayMenu(nullptr));
            QVERIFY(!menu->findChild<QAction*>("playMenuFullScreen")->isChecked());
        }
        pressIn(play, Qt::ALT | Qt::Key_Return);
        QVERIFY(play->isFullScreenPlay());
        pressIn(play, Qt::Key_F11);
        QVERIFY(!play->isFullScreenPlay());
    }

    // The right-click menu: its items in order, the quality items shared with the main menu,
    // loop's mark in step, the volume slider, and the picture at the movie's own size.
    void playWindowMenu() {
        ShockwaveFlash* control = loadTestMovie(movie(QStringLiteral("m.swf")));
        std::unique_ptr<QMenu> menu(main->buildPlayMenu(nullptr));
        QStringList captions;
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !action->text().isEmpty()) captions << action->text();
        QCOMPARE(captions, (QStringList{"放大", "缩小", "全部显示", "画面品质", "播放/暂停", "循环", "倒带",
                                        "前进", "后退", "连续播放", "全屏", "静音", "复制画面",
                                        "保存画面为PNG…", "关于Vantrel"}));
        QMenu* quality = menu->findChild<QAction*>("playMenuQuality")->menu();
        QCOMPARE(quality->actions().size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(quality->actions()[i], main->mundoquality[size_t(i)]);
        QCOMPARE(menu->findChild<QAction*>("playMenuLoop")->isChecked(), main->munloop->isChecked());
        const bool loop = main->munloop->isChecked();
        menu->findChild<QAction*>("playMenuLoop")->trigger();
        QCOMPARE(main->munloop->isChecked(), !loop);
        menu->findChild<QSlider*>("playMenuVolume")->setValue(40);
        QCOMPARE(AudioOutput::volume(), 40);
        control->Zoom(50);
        menu->findChild<QAction*>("playMenuCopy")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(400, 200));
        menu->findChild<QAction*>("playMenuForward")->trigger();
        QCOMPARE(control->FrameNum(), 1);
        QVERIFY(!control->Playing());
    }

    // The time display: whole seconds of play of the counter's frame.
    void timeDisplay_data() {
        QTest::addColumn<int>("frame");
        QTest::addColumn<double>("fps");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0 << 12.0 << "00:00";
        QTest::newRow("just under a second") << 11 << 12.0 << "00:00";
        QTest::newRow("one second") << 12 << 12.0 << "00:01";
        QTest::newRow("minutes") << 3000 << 24.0 << "02:05";
        QTest::newRow("fractional rate") << 2997 << 29.97 << "01:40";
        QTest::newRow("past an hour") << 90000 << 24.0 << "62:30";
        QTest::newRow("no rate") << 50 << 0.0 << "00:00";
    }
    void timeDisplay() {
        QFETCH(int, frame);
        QFETCH(double, fps);
        QTEST(Form1::timeText(frame, fps), "text");
    }
    void timeDisplayFollowsTheMovie() {
        ShockwaveFlash* control = loadTestMovie(writeTestMovie(fx.folder->path(), "t.swf", 100, 10.0));
        control->GotoFrame(25);
        main->Timer1_Timer();
        QCOMPARE(main->Label1->text(), QStringLiteral("00:02"));
    }

    // The level is applied to the samples on their way out, on a square law.
    void volumeScalesSamples_data() {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("full") << 100 << QList<int>{32767, -32768, 1000};
        QTest::newRow("half") << 50 << QList<int>{8191, -8192, 250};
        QTest::newRow("silent") << 0 << QList<int>{0, 0, 0};
    }
    void volumeScalesSamples() {
        QFETCH(int, percent);
        QFETCH(QList<int>, expected);
        qint16 samples[3] = {32767, -32768, 1000};
        AudioOutput::applyVolume(samples, 3, percent);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(int(samples[i]), expected[i]);
    }

    // Volume and mute are kept in a section of their own, written after the others at exit.
    void volumeIsRemembered() {
        fx.writeIni("[sound]\r\nvolume=35\r\nmute=1\r\n");
        fx.closeAllWindows();
        main = forms::get<Form1>();
        QCOMPARE(main->volumePercent, 35);
        QVERIFY(main->muted);
        QCOMPARE(AudioOutput::volume(), 0);
        main->setMuted(false);
        main->setVolumePercent(70);
        fx.writeIni(QByteArray());
        fx.answer = platform::MessageResult::Yes;
        main->munfileexit_Click();
        const QByteArray ini = fx.readIni();
        QVERIFY(ini.indexOf("[sound]") > ini.indexOf("[isloop]"));
        QVERIFY(ini.contains("volume=70"));
        QVERIFY(ini.contains("mute=0"));
    }

    // The old movies' code page: the settings menu's choice reaches the engine and is what the
    // next start finds; an old movie in the window is read again in it, a newer one is left
    // playing where it is.
    void oldMovieCodePage_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("readAgain");
        QTest::newRow("SWF 5") << 5 << true;
        QTest::newRow("SWF 8") << 8 << false;
    }
    void oldMovieCodePage() {
        QFETCH(int, version);
        QFETCH(bool, readAgain);
        fx.writeIni("[player]\r\ncodepage=shift_jis\r\n");
        fx.closeAllWindows();
        main = forms::get<Form1>();
        QCOMPARE(main->sw()->engine().codePage(), QByteArray("Shift_JIS"));
        auto* shiftJis = main->findChild<QAction*>(QStringLiteral("muninCodePage_Shift_JIS"));
        auto* big5 = main->findChild<QAction*>(QStringLiteral("muninCodePage_Big5"));
        QVERIFY(shiftJis && big5);
        QVERIFY(shiftJis->isChecked());

        swftest::SwfBuilder b(version, QSize(100, 100), 12);
        b.showFrame(20);
        const QString path = fx.folder->path() + QStringLiteral("/old.swf");
        QVERIFY(writeBytes(path, b.finish()));
        ShockwaveFlash* control = loadTestMovie(path);
        control->GotoFrame(10);
        big5->trigger();
        AppFixture::settle();
        QVERIFY(big5->isChecked() && !shiftJis->isChecked());
        QCOMPARE(control->engine().codePage(), QByteArray("Big5"));
        QCOMPARE(control->Movie(), path);
        QCOMPARE(control->FrameNum(), readAgain ? 0 : 10);

        fx.writeIni(QByteArray());
        fx.answer = platform::MessageResult::Yes;
        main->munfileexit_Click();
        QVERIFY(fx.readIni().contains("codepage=Big5"));
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("fails");
        const auto row = [](const char* name, const QStringList& args, const QStringList& items, bool help,
                            bool fails) { QTest::newRow(name) << args << items << help << fails; };
        row("nothing", {"vantrel"}, {}, false, false);
        row("relative and absolute", {"vantrel", "a.swf", "/m/b.swf"}, {"/work/x/a.swf", "/m/b.swf"}, false,
            false);
        row("address and file url", {"vantrel", "http://h/m.swf", "file:///m/c%20d.swf"},
            {"http://h/m.swf", "/m/c d.swf"}, false, false);
        row("help", {"vantrel", "--help"}, {}, true, false);
        row("unknown option", {"vantrel", "--bogus"}, {}, false, true);
        row("dash file after --", {"vantrel", "--", "-x.swf"}, {"/work/x/-x.swf"}, false, false);
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        const CommandLine line = parseCommandLine(arguments, QStringLiteral("/work/x"));
        QTEST(line.items, "items");
        QTEST(line.help, "help");
        QTEST(!line.error.isEmpty(), "fails");
    }

    // A second start hands its items to the first and ends; nothing listens: no hand-over.
    void secondStartHandsOver() {
        const QString name = QStringLiteral("vantrel-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance second(name);
        QVERIFY(!second.handOver({QStringLiteral("/m/a.swf")}, 200));
        SingleInstance first(name);
        QVERIFY(first.listen());
        QSignalSpy received(&first, &SingleInstance::itemsReceived);
        QVERIFY(second.handOver({QStringLiteral("/m/a.swf"), QStringLiteral("/m/电影 b.swf")}));
        QVERIFY(received.wait(5000));
        QCOMPARE(received.at(0).at(0).toStringList(), (QStringList{"/m/a.swf", "/m/电影 b.swf"}));
        QVERIFY(second.handOver({}));
        QVERIFY(received.wait(5000));
        QCOMPARE(received.at(1).at(0).toStringList(), QStringList{});
    }

    // One movie plays in the play window (opened when closed); several join the list and the
    // first plays; a list file opens in the list window; a missing file says so.
    void openFiles() {
        forms::unload<Form3>();
        main->munwindowplay->setChecked(false);
        const QString a = movie(QStringLiteral("a.swf"));
        main->openFiles({a});
        QVERIFY(forms::loaded<Form3>() && forms::loaded<Form3>()->isVisible());
        QVERIFY(main->munwindowplay->isChecked());
        QCOMPARE(Form1::sw()->Movie(), a);
        const QString b = movie(QStringLiteral("b.swf"));
        main->openFiles({b, a});
        QCOMPARE(forms::get<Form2>()->entries(), (QStringList{b, a}));
        QCOMPARE(Form1::sw()->Movie(), b);
        main->openFiles({b, a}); // already there: not doubled
        QCOMPARE(forms::get<Form2>()->entries().size(), 2);
        const QString list = fx.folder->filePath(QStringLiteral("l.vtl"));
        QVERIFY(writeBytes(list, "paths\r\n/x/c.swf\r\n"));
        main->openFiles({list});
        QCOMPARE(forms::get<Form2>()->entries().last(), QStringLiteral("/x/c.swf"));
        QCOMPARE(listpath(), list);
        QVERIFY(fx.messages.isEmpty());
        main->openFiles({fx.folder->filePath(QStringLiteral("gone.swf"))});
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages[0].text.contains(QStringLiteral("gone.swf")));
        QCOMPARE(Form1::sw()->Movie(), b);
    }

    // Drops: on the main or play window a movie plays; on the list window it is added, a
    // duplicate refused with the add button's message.
    void drops() {
        const QString a = movie(QStringLiteral("a.swf"));
        drop(main, {a});
        QCOMPARE(Form1::sw()->Movie(), a);
        const QString b = movie(QStringLiteral("b.swf"));
        drop(forms::get<Form3>(), {b});
        QCOMPARE(Form1::sw()->Movie(), b);
        Form2* list = forms::get<Form2>();
        const int before = list->List1->count();
        drop(list, {a});
        QCOMPARE(list->List1->count(), before + 1);
        drop(list, {a});
        QCOMPARE(list->List1->count(), before + 1);
        QCOMPARE(fx.messages.size(), 1);
        QCOMPARE(fx.messages[0].text, resources::text(101));
    }

    // Double click or Enter on an entry plays it and brings the play window up; the keys for
    // the next and previous entries walk the list.
    void playListEntries() {
        forms::unload<Form3>();
        main->munwindowplay->setChecked(false);
        Form2* list = forms::get<Form2>();
        const QString a = movie(QStringLiteral("a.swf"));
        const QString b = movie(QStringLiteral("b.swf"));
        list->appendEntry(a);
        list->appendEntry(b);
        emit list->List1->itemActivated(list->List1->item(0));
        QCOMPARE(Form1::sw()->Movie(), a);
        QVERIFY(main->munwindowplay->isChecked());
        QVERIFY(forms::loaded<Form3>()->isVisible());
        main->playListStep(+1);
        QCOMPARE(Form1::sw()->Movie(), b);
        main->playListStep(+1); // at the end: stays
        QCOMPARE(Form1::sw()->Movie(), b);
        main->playListStep(-1);
        QCOMPARE(Form1::sw()->Movie(), a);
    }

    // Continuous play: a movie that plays to its last frame and stops there hands over to the
    // next entry; without the choice, or at the list's end, nothing moves.
    void continuousPlay_data() {
        QTest::addColumn<bool>("continuous");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void continuousPlay() {
        QFETCH(bool, continuous);
        Form2* list = forms::get<Form2>();
        const QString a = movie(QStringLiteral("a.swf"), 3);
        const QString b = movie(QStringLiteral("b.swf"), 3);
        list->appendEntry(a);
        list->appendEntry(b);
        main->continuousPlay = continuous;
        main->sw()->setLoop(false);
        main->sw()->setClockEnabled(false);
        list->playEntry(0);
        AppFixture::settle();
        for (int i = 0; i < 12; ++i) {
            main->sw()->tick();
            main->Timer1_Timer();
            AppFixture::settle();
            if (i % 6 == 5) QCOMPARE(Form1::sw()->Movie(), continuous ? b : a);
        }
    }
};

QTEST_MAIN(PlayerCommandsTest)
#include "player_commands_test.moc"
