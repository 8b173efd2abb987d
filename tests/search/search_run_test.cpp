// Search runs over folder trees in temporary folders, watched through the progress box
// Form10 and the play list: the three start points, the texts at the end, stopping, breaking
// off, and the guards against a second run and against the box closed during a run.
#include "search_fixture.h"

#include "resources/string_table.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

QString statusLine() {
    return forms::loaded<Form10>() ? forms::loaded<Form10>()->Label1->text() : QString();
}
QString countLine() {
    return forms::loaded<Form10>() ? forms::loaded<Form10>()->Label2->text() : QString();
}
QString buttonText() {
    return forms::loaded<Form10>() ? forms::loaded<Form10>()->Command1->text() : QString();
}
QString u8(const char* text) {
    return QString::fromUtf8(text);
}

void runFolder(const QString& folder) {
    SearchFixture::dialogForFolder(folder)->Command1_Click();
}

// Restores an environment variable when the test ends.
struct EnvironmentGuard {
    QByteArray name;
    QByteArray old;
    bool wasSet;
    explicit EnvironmentGuard(const char* variable)
        : name(variable), old(qgetenv(variable)), wasSet(qEnvironmentVariableIsSet(variable)) {}
    ~EnvironmentGuard() { wasSet ? qputenv(name.constData(), old) : qunsetenv(name.constData()); }
};

} // namespace

class SearchRunTest : public QObject {
    Q_OBJECT
    SearchFixture m_fixture;

    QString root() const { return m_fixture.folder->filePath("tree"); }

    // Files examined in the run, counted at each yield; at the n-th, act.
    int files = 0;
    void atFile(int n, const std::function<void()>& act) {
        search::setYieldHookForTesting([this, n, act] {
            if (++files == n) act();
        });
    }

  private slots:
    void init() {
        m_fixture.setUp();
        files = 0;
    }
    void cleanup() { m_fixture.tearDown(); }

    // The folder mode with and without sub-folders: which names match, the order of the
    // appends, and the box's texts at the end.
    void folderRun_data() {
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("with sub-folders") << true << QStringList({"SHOW.SWF", "a/b.swf", "a/deep/c.Swf"});
        QTest::newRow("without sub-folders") << false << QStringList({"SHOW.SWF"});
    }
    void folderRun() {
        QFETCH(bool, subfolders);
        QFETCH(QStringList, expected);
        makeTree(root(), {"SHOW.SWF", "movie.swf.bak", "adswf", "swf.txt", "a/b.swf", "a/deep/c.Swf",
                          "a/deep/x.fla"});
        Form9* dialog = SearchFixture::dialogForFolder(root());
        dialog->Check1->setChecked(subfolders);
        dialog->Command1_Click();
        QStringList paths;
        for (const QString& name : expected)
            paths << root() + "/" + name;
        QCOMPARE(SearchFixture::playList(), paths);
        QCOMPARE(search::state().index, qint64(expected.size()));
        QVERIFY(search::state().ding);
        QVERIFY(!search::state().running);
        QCOMPARE(statusLine(), u8("查找完成"));
        QCOMPARE(countLine(), search::countLine(expected.size()));
        QCOMPARE(buttonText(), u8("关闭"));
        SearchFixture::settle();
        QVERIFY(!forms::loaded<Form9>()); // the completion step closes the dialog
        QVERIFY(forms::loaded<Form10>()->isVisible());
        QVERIFY(!forms::loaded<Form2>()->isVisible()); // loaded for the appends, not shown
    }

    void emptyFolder() {
        makeTree(root(), {"empty/"});
        runFolder(root());
        QCOMPARE(statusLine(), u8("查找完成"));
        QCOMPARE(countLine(), QString());
        QCOMPARE(buttonText(), u8("关闭"));
        QCOMPARE(search::state().index, 0);
        forms::loaded<Form10>()->Command1_Click();
        SearchFixture::settle();
        QVERIFY(!forms::loaded<Form10>());
    }

    // A second run appends every match again, counts from 0 and reuses the open box.
    void twoRunsAppendTwice() {
        makeTree(root(), {"a.swf", "s/b.swf", "none.txt"});
        runFolder(root());
        QPointer<Form10> box = forms::loaded<Form10>();
        SearchFixture::settle();
        runFolder(root());
        QCOMPARE(forms::loaded<Form10>(), box.data());
        QCOMPARE(SearchFixture::playList().size(), 4);
        QCOMPARE(search::state().index, 2);
        QCOMPARE(countLine(), u8("已找到的文件： 2"));
    }

    // "停止" pressed at a yield, or arriving as a real event the yield lets through: no further
    // file is examined, the matches so far stay.
    void stopDuringWalk_data() {
        QTest::addColumn<bool>("queued");
        QTest::addColumn<int>("stopAt");
        QTest::newRow("pressed") << false << 3;
        QTest::newRow("through the event queue") << true << 1;
    }
    void stopDuringWalk() {
        QFETCH(bool, queued);
        QFETCH(int, stopAt);
        makeTree(root(), {"1.swf", "2.swf", "s/3.swf", "s/t/4.swf", "u/5.swf"});
        search::setYieldHookForTesting([&] {
            QVERIFY(!statusLine().isEmpty());
            if (++files != stopAt) return;
            if (queued)
                QMetaObject::invokeMethod(forms::loaded<Form10>()->Command1, "click", Qt::QueuedConnection);
            else
                forms::loaded<Form10>()->Command1_Click();
        });
        runFolder(root());
        QCOMPARE(files, stopAt);
        QCOMPARE(SearchFixture::playList().size(), stopAt);
        QCOMPARE(statusLine(), u8("查找停止"));
        QCOMPARE(buttonText(), u8("关闭"));
        QCOMPARE(countLine(), search::countLine(stopAt));
        QVERIFY(search::state().ding);
    }

    // The program's end during a run stops the walk at once: the windows are gone, and a
    // walk left going would search the disk unseen and keep filling the hidden list.
    void exitStopsTheRun() {
        makeTree(root(), {"1.swf", "2.swf", "3.swf", "4.swf", "5.swf"});
        m_fixture.answer = platform::MessageResult::Yes;
        atFile(2, [] { forms::get<Form1>()->munfileexit_Click(); });
        runFolder(root());
        QCOMPARE(m_fixture.endRequests, 1);
        QCOMPARE(files, 2);
        QCOMPARE(SearchFixture::playList().size(), 2);
        QVERIFY(!search::state().running);
    }

    // Sub-folders are decided after each folder's files, so unticking during the walk counts.
    void subfolderChoiceReadDuringWalk() {
        makeTree(root(), {"1.swf", "s/2.swf"});
        search::setYieldHookForTesting([] {
            if (Form9* dialog = forms::loaded<Form9>()) dialog->Check1->setChecked(false);
        });
        runFolder(root());
        QCOMPARE(SearchFixture::playList(), QStringList({root() + "/1.swf"}));
    }

    // A start folder that does not exist breaks the run off: no completion step; the box
    // takes two presses to close; the dialog comes back with its choices.
    void missingStartFolderBreaksOff() {
        runFolder(root() + "/missing");
        QCOMPARE(buttonText(), u8("停止"));
        QCOMPARE(statusLine(), QString());
        QVERIFY(!search::state().ding);
        QVERIFY(!search::state().running);
        QVERIFY(forms::loaded<Form9>() && forms::loaded<Form9>()->isHidden());
        forms::loaded<Form10>()->Command1_Click();
        QCOMPARE(statusLine(), u8("查找停止"));
        QVERIFY(forms::loaded<Form10>()->isVisible());
        forms::loaded<Form10>()->Command1_Click();
        SearchFixture::settle();
        QVERIFY(!forms::loaded<Form10>());
        search::showSearchDialog();
        QVERIFY(forms::loaded<Form9>()->isVisible());
        QCOMPARE(forms::loaded<Form9>()->Text1->text(), root() + "/missing");
    }

    // Every drive of the list is searched, the first one too; a drive that is not ready is
    // passed over and the drives after it are still searched. "停止" during one drive: no
    // further drive is entered.
    void allDrives_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("to the end") << false;
        QTest::newRow("stopped") << true;
    }
    void allDrives() {
        QFETCH(bool, stop);
        makeTree(root(), {"c/1.swf", "d/sub/2.swf", "e/3.swf"});
        platform::setDriveListForTesting(
            {{"c", root() + "/c"}, {"x", root() + "/no-medium"}, {"d", root() + "/d"}, {"e", root() + "/e"}});
        if (stop) search::setYieldHookForTesting([] { forms::loaded<Form10>()->Command1_Click(); });
        forms::get<Form9>()->Command1_Click(); // the dialog starts with "所有驱动器"
        const QStringList all = {root() + "/c/1.swf", root() + "/d/sub/2.swf", root() + "/e/3.swf"};
        QCOMPARE(SearchFixture::playList(), stop ? all.mid(0, 1) : all);
        QCOMPARE(statusLine(), u8(stop ? "查找停止" : "查找完成"));
    }

    void cacheRun_data() {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("movies") << QStringList({"ad[2].swf", "swf.txt", "Content.IE5/X1/adswf"})
                                << QStringList({"ad[2].swf", "Content.IE5/X1/adswf"});
        QTest::newRow("nothing to find") << QStringList({"empty/"}) << QStringList();
    }
    void cacheRun() {
        QFETCH(QStringList, tree);
        QFETCH(QStringList, expected);
        EnvironmentGuard guard("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", root().toLocal8Bit());
        makeTree(root(), tree);
        Form9* dialog = forms::get<Form9>();
        dialog->Combo1->setCurrentIndex(1);
        dialog->Combo1_Click();
        dialog->Command1_Click();
        QStringList paths;
        for (const QString& name : expected)
            paths << root() + "/" + name;
        QCOMPARE(SearchFixture::playList(), paths);
        QCOMPARE(statusLine(), u8("查找完成"));
    }

    // While a run is under way the search command brings the box forward and leaves the
    // dialog hidden; the dialog's start button does not begin a run inside the run.
    void secondRunRefused() {
        makeTree(root(), {"1.swf", "2.swf", "3.swf"});
        bool dialogHidden = true;
        bool boxShown = true;
        search::setYieldHookForTesting([&] {
            ++files;
            search::showSearchDialog();
            dialogHidden = dialogHidden && forms::loaded<Form9>()->isHidden();
            boxShown = boxShown && forms::loaded<Form10>()->isVisible();
            forms::loaded<Form9>()->Command1_Click();
        });
        runFolder(root());
        QCOMPARE(files, 3);
        QVERIFY(dialogHidden);
        QVERIFY(boxShown);
        QCOMPARE(SearchFixture::playList().size(), 3);
        QCOMPARE(search::state().index, 3);
        QCOMPARE(statusLine(), u8("查找完成"));
    }

    // The box closed through its frame during a run asks the run to stop; the run ends
    // without a box to write to and does not bring one back.
    void boxClosedDuringRun() {
        makeTree(root(), {"1.swf", "2.swf", "s/3.swf"});
        atFile(1, [] {
            forms::loaded<Form10>()->close();
            SearchFixture::settle();
        });
        runFolder(root());
        QCOMPARE(files, 1);
        QVERIFY(!forms::loaded<Form10>());
        QVERIFY(search::state().ding);
        QVERIFY(!search::state().running);
        QCOMPARE(SearchFixture::playList().size(), 1);
        runFolder(root()); // the next run builds a new box
        QCOMPARE(statusLine(), u8("查找完成"));
        QCOMPARE(SearchFixture::playList().size(), 4);
    }

    // The play list window closed during a run: the next match loads it again, hidden.
    void playListClosedDuringRun() {
        makeTree(root(), {"1.swf", "2.swf"});
        atFile(1, [] {
            forms::loaded<Form2>()->close();
            SearchFixture::settle();
        });
        runFolder(root());
        QCOMPARE(SearchFixture::playList().size(), 1);
        QVERIFY(!forms::loaded<Form2>()->isVisible());
    }
};

QTEST_MAIN(SearchRunTest)
#include "search_run_test.moc"
