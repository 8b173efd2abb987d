// The player kept busy through its real windows for a long time: the demo movie and a
// movie whose scripts attach, remove and allocate every frame, played by the play window's
// control while the status timer polls it; windows shown and hidden; movies loaded and
// unloaded from the play list; searches over a folder tree. Memory, open files and threads
// must settle after the first round. VANTREL_SOAK=long runs the full length by hand; the
// default is short enough for every test run.
#include "action_assembler.h"
#include "search/search_fixture.h"
#include "support/file_bytes.h"
#include "support/movie_files.h"

#include "commands/about_window.h"
#include "commands/basic_settings_window.h"
#include "commands/remote_open_window.h"
#include "playlist/list_file.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <malloc.h>

using avm1test::ActionAssembler;
using avm1test::PushValue;
using swf::format::ActionCode;

namespace {

// Counts the paints the play window's control receives, so a soak that never drew fails.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

struct Length {
    const char* name;
    int rounds;
    int framesPerMovie; // over all rounds, for each of the two played movies
    int loads;
    int searches;
    // Growth allowed beyond the first round's figures. The short run's slack absorbs the
    // allocator's and Qt's caches still warming up, which a long run amortises.
    double memoryFactor;
    qint64 memorySlackKb;
};

Length soakLength() {
    if (qgetenv("VANTREL_SOAK") == "long") return {"long", 10, 100'000, 1'000, 20, 1.10, 0};
    return {"short", 3, 2'000, 30, 3, 1.10, 4 * 1024};
}

// AddressSanitizer holds freed memory in quarantine, so resident memory says nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryCounts = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMemoryCounts = false;
#else
constexpr bool kResidentMemoryCounts = true;
#endif
#else
constexpr bool kResidentMemoryCounts = true;
#endif

struct Usage {
    qint64 rssKb = 0;
    int fds = 0;
    int threads = 0;
};

qint64 statusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ':';
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stoll(line.substr(prefix.size()));
    return -1;
}

int entriesIn(const char* folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

Usage measure() {
    AppFixture::settle();
    // Memory freed but kept by the allocator is not a leak.
    malloc_trim(0);
    return {statusField("VmRSS"), entriesIn("/proc/self/fd"), entriesIn("/proc/self/task")};
}

QString describe(const Usage& u) {
    return QStringLiteral("RSS %1 MB, %2 open files, %3 threads")
        .arg(u.rssKb / 1024.0, 0, 'f', 1)
        .arg(u.fds)
        .arg(u.threads);
}

// A sprite exported as "box", and a root of two frames whose first frame sets up once:
// a text field, a handler that turns each attached clip, and the root's onEnterFrame, which
// every frame attaches a clip, removes the one attached eight frames before, builds an object
// with a string and an array, keeps the last fifty strings, rewrites the text field and
// traces its count.
QByteArray scriptedMovie() {
    constexpr int kVersion = 8;
    SwfBuilder builder(kVersion, QSize(550, 400), 24);
    builder.setBackground(QColor(240, 240, 250));
    SwfBuilder sprite(kVersion);
    sprite.place(1, builder.defineRect(QRectF(-10, -10, 20, 20), QColor(200, 60, 40)));
    sprite.showFrame();
    const int boxId = builder.defineSprite(sprite);
    builder.rawTag(56, avm1test::u16(1) + avm1test::u16(boxId) + QByteArray("box", 4));

    const PushValue self = PushValue::reg(1);
    ActionAssembler spin(kVersion);
    spin.push({self, "_rotation", self, "_rotation"}).op(ActionCode::GetMember);
    spin.push({7}).op(ActionCode::Add2).op(ActionCode::SetMember);
    spin.push({self, "tag", "r"}).push({self, "_rotation"}).op(ActionCode::GetMember);
    spin.op(ActionCode::Add2).op(ActionCode::SetMember);

    ActionAssembler each(kVersion);
    each.push({"n"}).getVariable("n").op(ActionCode::Increment).op(ActionCode::SetVariable);
    each.push({"k"}).getVariable("n").push({16}).op(ActionCode::Modulo).op(ActionCode::SetVariable);
    // c = _root.attachMovie("box", "c" + k, 10 + k)
    each.push({"c"}).push({10}).getVariable("k").op(ActionCode::Add2);
    each.push({"c"}).getVariable("k").op(ActionCode::Add2);
    each.push({"box"}).getVariable("_root").callMethod("attachMovie", 3).op(ActionCode::SetVariable);
    // c._x = n * 13 % 500; c._y = n * 7 % 350; c.onEnterFrame = spin
    each.getVariable("c").push({"_x"}).getVariable("n").push({13}).op(ActionCode::Multiply);
    each.push({500}).op(ActionCode::Modulo).op(ActionCode::SetMember);
    each.getVariable("c").push({"_y"}).getVariable("n").push({7}).op(ActionCode::Multiply);
    each.push({350}).op(ActionCode::Modulo).op(ActionCode::SetMember);
    each.getVariable("c").push({"onEnterFrame"}).getVariable("spin").op(ActionCode::SetMember);
    // _root["c" + (n + 8) % 16].removeMovieClip()
    each.push({0}).getVariable("_root").push({"c"}).getVariable("n").push({8}).op(ActionCode::Add2);
    each.push({16}).op(ActionCode::Modulo).op(ActionCode::Add2).op(ActionCode::GetMember);
    each.push({"removeMovieClip"}).op(ActionCode::CallMethod).op(ActionCode::Pop);
    // o = new Object(); o.s = "frame " + n; o.list = [n, k, o.s]
    each.push({"o"}).push({0, "Object"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    each.getVariable("o").push({"s", "frame "}).getVariable("n").op(ActionCode::Add2);
    each.op(ActionCode::SetMember);
    each.getVariable("o").push({"list"}).getVariable("o").push({"s"}).op(ActionCode::GetMember);
    each.getVariable("k").getVariable("n").push({3}).op(ActionCode::InitArray).op(ActionCode::SetMember);
    // history.push(o.s); if (history.length > 50) history.shift()
    each.getVariable("o").push({"s"}).op(ActionCode::GetMember);
    each.getVariable("history").callMethod("push", 1).op(ActionCode::Pop);
    each.push({50}).getVariable("history").push({"length"}).op(ActionCode::GetMember);
    each.op(ActionCode::Less2).op(ActionCode::Not).branchIf("short");
    each.getVariable("history").callMethod("shift", 0).op(ActionCode::Pop);
    each.label("short");
    // _root.t.text = o.s + " / " + history.length; trace(n)
    each.getVariable("_root").push({"t"}).op(ActionCode::GetMember).push({"text"});
    each.getVariable("o").push({"s"}).op(ActionCode::GetMember).push({" / "}).op(ActionCode::Add2);
    each.getVariable("history").push({"length"}).op(ActionCode::GetMember).op(ActionCode::Add2);
    each.op(ActionCode::SetMember).getVariable("n").op(ActionCode::Trace);

    ActionAssembler setup(kVersion);
    setup.getVariable("ready").branchIf("done");
    setup.setVariable("ready", true).setVariable("n", 0);
    setup.push({"history"}).push({0}).op(ActionCode::InitArray).op(ActionCode::SetVariable);
    setup.push({40, 300, 10, 10, 1000, "t"}).getVariable("_root").callMethod("createTextField", 6);
    setup.op(ActionCode::Pop);
    setup.defineFunction2("spin", 2, 0x29 /* this in register 1 */, {}, spin);
    setup.getVariable("_root").push({"onEnterFrame"});
    setup.defineFunction2("", 1, 0x2a /* no this, arguments or super */, {}, each);
    setup.op(ActionCode::SetMember);
    setup.label("done");

    builder.doAction(setup.bytes());
    builder.showFrame(2);
    return builder.finish();
}

// The offscreen platform warns on every raise(); thousands of toggles would use up the
// test's warning budget and hide the figures printed at the end.
QtMessageHandler previousHandler = nullptr;
void dropRaiseWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("does not support raise()"))) previousHandler(type, context, message);
}

} // namespace

class SoakTest : public QObject {
    Q_OBJECT
    SearchFixture fx;
    Length length = soakLength();
    Form1* main = nullptr;
    QString listPath;
    QString searchRoot;
    int moviesInTree = 0;
    QString lastTrace;

    QString demoPath() const { return QStringLiteral(VANTREL_DEMO_MOVIE); }

    // The movies of the play list, saved as the remembered list, so every list window
    // built after a toggle loads them again at start.
    void writeList() {
        const QString folder = fx.folder->path();
        const QString scripted = folder + QStringLiteral("/scripted.swf");
        QVERIFY(writeBytes(scripted, scriptedMovie()));
        QVERIFY(writeBytes(folder + QStringLiteral("/not a movie.swf"), "this is no movie"));
        QVERIFY(writeBytes(folder + QStringLiteral("/cut short.swf"), readBytes(demoPath()).left(900)));
        const QStringList entries = {demoPath(),
                                     scripted,
                                     writeTestMovie(folder, QStringLiteral("plain.swf"), 30),
                                     folder + QStringLiteral("/not a movie.swf"),
                                     folder + QStringLiteral("/cut short.swf"),
                                     folder + QStringLiteral("/gone.swf")};
        listPath = folder + QStringLiteral("/soak.vtl");
        QVERIFY(SaveList(listPath, entries).ok);
        fx.writeIni("[fileplaywindow]\r\nshow=1\r\n[isloop]\r\nloop=1\r\n[listfile]\r\nsavepath=" +
                    listPath.toLocal8Bit() + "\r\n");
    }

    // A tree of nested folders where one file in three is a movie.
    void writeSearchTree() {
        searchRoot = fx.folder->filePath(QStringLiteral("tree"));
        QStringList paths;
        for (int a = 0; a < 6; ++a)
            for (int b = 0; b < 5; ++b)
                for (int f = 0; f < 6; ++f) {
                    const bool movie = f % 3 == 0;
                    paths << QStringLiteral("d%1/e%2/f%3.%4").arg(a).arg(b).arg(f).arg(movie ? "swf" : "txt");
                    moviesInTree += movie;
                }
        makeTree(searchRoot, paths);
    }

    Form2* listWindow() { return forms::get<Form2>(); }

    // The user's click on the list entry `row`, which loads it into the play window.
    ShockwaveFlash* clickEntry(int row, bool clock) {
        ShockwaveFlash* control = Form1::sw();
        control->setClockEnabled(clock);
        Form2* list = listWindow();
        list->List1->setCurrentRow(row);
        list->List1_Click();
        AppFixture::settle();
        return Form1::sw();
    }

    void play(int row, int frames, bool scripted) {
        ShockwaveFlash* control = clickEntry(row, false);
        QCOMPARE(control->ReadyState(), 4);
        control->engine().setTraceHandler([this](const QString& line) { lastTrace = line; });
        lastTrace.clear();
        PaintCounter counter;
        control->installEventFilter(&counter);
        control->tick();
        const int firstCount = lastTrace.toInt();
        for (int frame = 1; frame < frames; ++frame) {
            control->tick();
            main->Timer1_Timer();
            // The picture is drawn as the event loop lets the window paint, every few frames.
            if (frame % 8 == 0) QCoreApplication::processEvents();
        }
        control->removeEventFilter(&counter);
        QVERIFY(counter.paints >= frames / 16);
        QVERIFY2(control->engine().scriptFailure() == swf::avm1::AbortReason::None,
                 qPrintable(swf::avm1::describe(control->engine().scriptFailure())));
        QCOMPARE(main->ss, control->FrameNum());
        // Every tick ran the root's handler once: the scripts were neither stopped nor skipped.
        if (scripted) QCOMPARE(lastTrace.toInt() - firstCount, frames - 1);
    }

    // What the window menu and the commands show and hide, each toggled there and back.
    void toggleWindows(int round) {
        for (int i = 0; i < 2; ++i) {
            main->munwindowl_Click();
            main->munwindowplay_Click();
            AppFixture::settle();
        }
        QVERIFY(forms::loaded<Form3>() && forms::loaded<Form3>()->isVisible());
        QCOMPARE(listWindow()->entries().size(), 6);
        main->munhelpabout_Click();
        main->muninj_Click();
        main->munfileflashy_Click();
        main->muntoopc_Click();
        AppFixture::settle();
        forms::unload<frmabout>();
        forms::unload<Form8>();
        forms::unload<Form4>();
        forms::unload<Form9>();
        main->munloop_Click();
        main->munloop_Click();
        main->munlog_Click();
        main->munbig_Click();
        main->mundoquality_Click(round % 4);
        AppFixture::settle();
    }

    // Loads alternate between the clock running, as a user's would, and stopped; every
    // third is emptied by saving the list, which like every list command leaves the play
    // window empty; the rest by the next load. Every tenth toggles the windows first, so
    // movies also go into freshly built play windows.
    void loadAndUnload(int count) {
        const int rows = listWindow()->entries().size();
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 0) toggleWindows(i / 10);
            ShockwaveFlash* control = clickEntry(i % rows, i % 2 == 0);
            if (i % rows < 3) QCOMPARE(control->ReadyState(), 4);
            control->tick();
            main->Timer1_Timer();
            if (i % 3 == 2) {
                main->munfilesave_Click();
                QVERIFY(Form1::sw()->Movie().isEmpty());
            }
        }
        Form1::sw()->setMovie(QString());
    }

    void search() {
        SearchFixture::dialogForFolder(searchRoot)->Command1_Click();
        QCOMPARE(search::state().index, qint64(moviesInTree));
        QCOMPARE(listWindow()->entries().size(), 6 + moviesInTree);
        forms::loaded<Form10>()->Command1_Click(); // 关闭
        AppFixture::settle();
        // The list goes back to the remembered file for the next round.
        main->munfilenew_Click();
        fx.dialogAnswers << listPath;
        main->munfileopen_Click();
        QCOMPARE(listWindow()->entries().size(), 6);
    }

    void round(int index) {
        const int frames = length.framesPerMovie / length.rounds;
        play(0, frames, false);
        play(1, frames, true);
        loadAndUnload(length.loads / length.rounds);
        for (int i = 0; i < length.searches / length.rounds + (index < length.searches % length.rounds); ++i)
            search();
    }

  private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(dropRaiseWarnings); }
    void init() { fx.setUp(); }
    void cleanup() { fx.tearDown(); }

    void resourcesSettleAfterTheFirstRound() {
        QVERIFY2(QFile::exists(demoPath()), "the demo movie is built with the tests");
        writeList();
        writeSearchTree();
        main = forms::get<Form1>();
        QVERIFY(main->munwindowplay->isChecked());
        QCOMPARE(listWindow()->entries().size(), 6);

        QElapsedTimer clock;
        clock.start();
        Usage first;
        for (int r = 0; r < length.rounds; ++r) {
            round(r);
            if (QTest::currentTestFailed()) return;
            const Usage now = measure();
            if (r == 0) first = now;
            qInfo("%s soak, round %d of %d: %s, %.1f s", length.name, r + 1, length.rounds,
                  qPrintable(describe(now)), clock.elapsed() / 1000.0);
        }
        const Usage end = measure();
        qInfo("%s soak: %d frames of each movie, %d loads, %d searches in %.1f s; after the first round %s; "
              "at the "
              "end %s",
              length.name, length.framesPerMovie, length.loads, length.searches, clock.elapsed() / 1000.0,
              qPrintable(describe(first)), qPrintable(describe(end)));
        if (kResidentMemoryCounts)
            QVERIFY2(
                end.rssKb <= first.rssKb * length.memoryFactor + length.memorySlackKb,
                qPrintable(QStringLiteral("memory grew from %1 to %2 kB").arg(first.rssKb).arg(end.rssKb)));
        QVERIFY2(end.fds <= first.fds,
                 qPrintable(QStringLiteral("open files grew from %1 to %2").arg(first.fds).arg(end.fds)));
        QVERIFY2(
            end.threads <= first.threads,
            qPrintable(QStringLiteral("threads grew from %1 to %2").arg(first.threads).arg(end.threads)));
    }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
