// The main window's start-up from settings files, its menu tree, the exit command and
// the title-bar close, and the windows-by-name lifecycle.
#include "support/app_fixture.h"

#include "player/shockwave_flash.h"
#include "playlist/list_file.h"
#include "resources/string_table.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

// What start-up shows, the defaults where a row leaves them out (-1: no quality item checked).
struct Start {
    bool list = true, play = false, loop = false;
    int qualityChecked = 0;
    const char* quality = "high";
    int scan = 3, frame = 10, zoom = 90;
};
Q_DECLARE_METATYPE(Start)

class MainWindowTest : public QObject {
    Q_OBJECT
    AppFixture fx;

  private slots:
    void init() { fx.setUp(); }
    void cleanup() { fx.tearDown(); }

    // How the values read reach the windows, the menu marks and the control; the reading of
    // odd values itself is settings_test's.
    void startupFromSettings_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<Start>("expected");
        const auto row = [](const char* name, const QByteArray& ini, Start expected) {
            QTest::newRow(name) << ini << expected;
        };
        row("no settings file", QByteArray(), {});
        row("play window 1.0, list 1a", "[fileplaywindow]\r\nshow=1.0\r\n[filelistwindow]\r\nshow=1a\r\n",
            {.play = true});
        row("loop on, quality low", "[isloop]\r\nloop=1\r\n[formquality]\r\nselect= 3\r\n",
            {.loop = true, .qualityChecked = 3, .quality = "low"});
        row("loop 2 keeps the initial loop, select 7 checks nothing",
            "[isloop]\r\nloop=2\r\n[formquality]\r\nselect=7\r\n", {.loop = true, .qualityChecked = -1});
        row("steps and zoom", "[gomovie]\r\nframe=5\r\ngoframe=2.5\r\n[zoom]\r\nhow=75\r\n",
            {.scan = 5, .frame = 2, .zoom = 75});
        row("quality autolow", "[formquality]\r\nselect=2\r\n", {.qualityChecked = 2, .quality = "autolow"});
    }

    void startupFromSettings() {
        QFETCH(QByteArray, ini);
        QFETCH(Start, expected);
        if (!ini.isEmpty()) fx.writeIni(ini);

        Form1* main = forms::get<Form1>();
        QVERIFY(main->isVisible());
        QCOMPARE(main->munwindowl->isChecked(), expected.list);
        QCOMPARE(forms::loaded<Form2>() != nullptr && forms::loaded<Form2>()->isVisible(), expected.list);
        QCOMPARE(main->munwindowplay->isChecked(), expected.play);
        // The play window exists either way: start-up handed it the loop and quality choices.
        QCOMPARE(forms::loaded<Form3>() != nullptr && forms::loaded<Form3>()->isVisible(), expected.play);
        QCOMPARE(main->munloop->isChecked(), expected.loop);
        QCOMPARE(Form1::sw()->Loop(), expected.loop);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(main->mundoquality[i]->isChecked(), i == expected.qualityChecked);
        QCOMPARE(Form1::sw()->Quality2(), QString(expected.quality));
        QCOMPARE(main->scanStep, expected.scan);
        QCOMPARE(main->frameStep, expected.frame);
        QCOMPARE(int(main->zoomPercent), expected.zoom);
        QVERIFY(!main->mundokj->isChecked());
        QVERIFY(!main->mundokt->isChecked());
    }

    void startupLayout() {
        Form1* main = forms::get<Form1>();
        QCOMPARE(main->windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(main->Label2->text(), QStringLiteral("0000/0000"));
        QCOMPARE(main->Label1->text(), QStringLiteral("00:00"));
        QVERIFY(main->Label3->text().isEmpty());
        QCOMPARE(main->centralWidget()->size(), QSize(226, 92));
        QCOMPARE(main->Picture1->geometry(), QRect(0, 0, 225, 65));
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(main->Image1[i]->geometry(), QRect(8 + 24 * i, 72, 16, 16));
            QVERIFY(!main->Image1[i]->pixmap().isNull());
            QVERIFY(!main->Image1[i]->toolTip().isEmpty());
            QCOMPARE(main->Line1[i]->borderColor(), main->Line3[i]->borderColor());
        }
        QVERIFY(main->timer1Enabled());
        QCOMPARE(main->Timer1->interval(), 10);
        QCOMPARE(main->Image2->x(), 0);
    }

    void menuTree() {
        Form1* main = forms::get<Form1>();
        const QStringList visible = {
            "munfileflashb", "munfileflashy", "munfilenew",   "munfileopen", "munfilesave",   "munfileexit",
            "mundoplay",     "mundopuss",     "mundostop",    "mundogo",     "mundogom",      "munloop",
            "munlog",        "munbig",        "muntoopc",     "munwindowl",  "munwindowplay", "munhelpz",
            "munhelpfaq",    "munhelpmail",   "munhelpgoweb", "munhelpabout"};
        const QStringList hidden = {"mundokj",    "mundokt",     "kk",         "mundoget",
                                    "muninj",     "Geeeeeeee",   "muntoopweb", "muntoopf",
                                    "muntoops2e", "muntoopmail", "muntoopdu",  "munhelpme"};
        for (const QString& name : visible) {
            auto* item = main->findChild<QAction*>(name);
            QVERIFY2(item, qPrintable(name));
            QVERIFY2(item->isVisible(), qPrintable(name));
        }
        for (const QString& name : hidden) {
            auto* item = main->findChild<QAction*>(name);
            QVERIFY2(item, qPrintable(name));
            QVERIFY2(!item->isVisible(), qPrintable(name));
        }
        QCOMPARE(main->munfileexit->text(), QStringLiteral("退出"));
        QCOMPARE(main->mundoquality[3]->text(), QStringLiteral("极低"));
        QCOMPARE(main->menuBar()->actions().size(), 6);
    }

    void listWindowPlacedBelow() {
        Form1* main = forms::get<Form1>();
        Form2* list = forms::loaded<Form2>();
        QVERIFY(list);
        QCOMPARE(twips::left(list), twips::left(main));
        // Start-up places the list before the main window is first shown, when the platform
        // does not know the frame yet: allow a frame's worth.
        QVERIFY(qAbs(twips::top(list) - (twips::top(main) + twips::height(main))) <= 120);
        QVERIFY(qAbs(twips::width(list) - twips::width(main)) <= 120);
    }

    void exitAsksFirst() {
        fx.writeIni("; kept\r\n[isloop]\r\nloop=1\r\n");
        Form1* main = forms::get<Form1>();
        fx.answer = platform::MessageResult::No;
        main->munfileexit_Click();
        QCOMPARE(fx.messages.size(), 1);
        QCOMPARE(fx.messages[0].text, QStringLiteral("真的要退出吗？"));
        QCOMPARE(fx.messages[0].title, QStringLiteral("Vantrel"));
        QCOMPARE(fx.messages[0].defaultButton, platform::MessageResult::No);
        QCOMPARE(fx.messages[0].icon, platform::MessageIcon::Warning);
        QCOMPARE(fx.endRequests, 0);
        QCOMPARE(fx.readIni(), QByteArray("; kept\r\n[isloop]\r\nloop=1\r\n"));
        QVERIFY(main->isVisible());
        // The title bar's close asks the same, and a yes saves as the exit command does.
        QVERIFY(!main->close());
        QCOMPARE(fx.messages.size(), 2);
        QCOMPARE(fx.endRequests, 0);
        QVERIFY(main->isVisible());
        fx.answer = platform::MessageResult::Yes;
        main->close();
        QCOMPARE(fx.endRequests, 1);
        QVERIFY(fx.readIni().contains("[filelistwindow]"));
    }

    void exitWrites_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("closePlay");
        QTest::addColumn<QStringList>("expectedLines");
        QTest::addColumn<QStringList>("absentLines");
        QTest::newRow("defaults") << QByteArray() << false
                                  << QStringList{"show=1", "show=0", "loop=0", "select= 0", "savepath="}
                                  << QStringList{};
        QTest::newRow("play window was open, closed before exit")
            << QByteArray("[fileplaywindow]\r\nshow=1\r\n") << true
            << QStringList{"[fileplaywindow]\r\nshow=0"} << QStringList{};
        QTest::newRow("loop 2 is saved as on")
            << QByteArray("[isloop]\r\nloop=2\r\n") << false << QStringList{"loop=1"} << QStringList{};
        QTest::newRow("select 7 is left as it was") << QByteArray("[formquality]\r\nselect=7\r\n") << false
                                                    << QStringList{"select=7"} << QStringList{"select= "};
    }

    void exitWrites() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, closePlay);
        QFETCH(QStringList, expectedLines);
        QFETCH(QStringList, absentLines);
        if (!ini.isEmpty()) fx.writeIni(ini);
        Form1* main = forms::get<Form1>();
        if (closePlay) main->munwindowplay_Click();
        fx.answer = platform::MessageResult::Yes;
        main->munfileexit_Click();
        QCOMPARE(fx.endRequests, 1);
        const QString written = QString::fromUtf8(fx.readIni());
        for (const QString& line : expectedLines)
            QVERIFY2(written.contains(line), qPrintable(written));
        for (const QString& line : absentLines)
            QVERIFY2(!written.contains(line), qPrintable(written));
    }

    void windowLifecycle() {
        QVERIFY(!forms::loaded<Form2>());
        Form2* list = forms::get<Form2>();
        QVERIFY(list);
        QVERIFY(!list->isVisible());
        QCOMPARE(list->windowTitle(), resources::text(102));
        QCOMPARE(forms::get<Form2>(), list); // one instance
        listpath() = QStringLiteral("/tmp/kept.vtl");
        list->show();
        list->close();
        AppFixture::settle();
        QVERIFY(!forms::loaded<Form2>());                      // destroyed with its contents
        QCOMPARE(listpath(), QStringLiteral("/tmp/kept.vtl")); // persistent fields outlive it
        Form2* again = forms::get<Form2>();
        QVERIFY(again);
        QVERIFY(!again->isVisible());
        listpath().clear();
    }

    void closedPlayWindowComesBackEmpty() {
        fx.writeIni("[fileplaywindow]\r\nshow=1\r\n[isloop]\r\nloop=0\r\n[formquality]\r\nselect=3\r\n");
        Form1* main = forms::get<Form1>();
        QVERIFY(main->munwindowplay->isChecked());
        QPointer<Form3> first = forms::loaded<Form3>();
        first->close();
        QVERIFY(!main->munwindowplay->isChecked());
        QVERIFY(!forms::loaded<Form3>());
        AppFixture::settle();
        QVERIFY(first.isNull());
        // The status timer's polling builds a fresh play window, which stays hidden.
        // A fresh control has its initial settings, whatever the menu's marks say.
        QCOMPARE(Form1::sw()->Loop(), true);
        QCOMPARE(Form1::sw()->Quality2(), QStringLiteral("high"));
        QVERIFY(Form1::sw()->Movie().isEmpty());
        QVERIFY(!forms::loaded<Form3>()->isVisible());
        main->munwindowplay_Click();
        QVERIFY(forms::loaded<Form3>()->isVisible());
        QVERIFY(main->munwindowplay->isChecked());
    }

    // Every pair of frame numbers a 32-bit count allows is shown whole inside the panel, clear of
    // the time display; short counts stay at their designed place.
    void counterReadsWhole_data() {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("short") << 12 << 340 << " 12/ 340";
        QTest::newRow("five digits") << 38481 << 40000 << " 38481/ 40000";
        QTest::newRow("largest") << 2147483647 << 2147483647 << " 2147483647/ 2147483647";
    }

    void counterReadsWhole() {
        QFETCH(int, frame);
        QFETCH(int, total);
        Form1* main = forms::get<Form1>();
        main->showFrameCounter(frame, total);
        QTEST(main->Label2->text(), "text");
        const QRect counter = main->Label2->geometry();
        QVERIFY2(main->Picture1->rect().contains(counter),
                 qPrintable(QString::asprintf("counter at %d,%d size %dx%d", counter.x(), counter.y(),
                                              counter.width(), counter.height())));
        QVERIFY(main->Label2->width() >= main->Label2->sizeHint().width());
        QVERIFY(!main->Label2->geometry().intersects(main->Label1->geometry()));
        if (frame < 1000) QCOMPARE(main->Label2->x(), twips::toPixels(2400));
    }

    // At the right end of its run the thumb passes under the loading state's text; the text keeps
    // clear of it so neither hides the other.
    void stateTextClearOfTheThumb() {
        Form1* main = forms::get<Form1>();
        main->Image2->setLeftTwips(3120);
        for (int text : {107, 108, 109, 110, 113}) {
            main->showStateText(resources::text(text));
            QVERIFY(!main->Label3->geometry().intersects(main->Image2->geometry()));
            QVERIFY(main->Picture1->rect().contains(main->Label3->geometry()));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
