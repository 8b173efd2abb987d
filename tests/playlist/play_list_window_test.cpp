// The play list window: start-up with the remembered list, the seven actions with their
// final step, duplicate refusal, moves, caption and listpath through every state, and
// list files that cannot be read or written.
#include "support/file_bytes.h"
#include "support/movie_files.h"

#include "playlist/list_file.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTest>

class PlayListWindowTest : public QObject {
    Q_OBJECT
    AppFixture fx;

    QString writeList(const QString& name, const QByteArray& body) {
        const QString path = fx.folder->filePath(name);
        writeBytes(path, body);
        return path;
    }
    Form2* window() { return forms::get<Form2>(); }
    void fill(const QStringList& entries) {
        window()->List1->clear();
        window()->List1->addItems(entries);
    }
    // After every action the movie is stopped and the play window empty.
    void loadSomething() {
        loadTestMovie(writeTestMovie(fx.folder->path(), QStringLiteral("m.swf"), 3));
        QVERIFY(!Form1::sw()->Movie().isEmpty());
    }
    void expectEmptied() {
        QVERIFY(Form1::sw()->Movie().isEmpty());
        QVERIFY(!Form1::sw()->Playing());
    }

  private slots:
    void init() {
        fx.setUp();
        listpath().clear();
    }
    void cleanup() {
        fx.tearDown();
        listpath().clear();
    }

    void designAndColours() {
        Form2* list = window();
        QCOMPARE(list->windowTitle(), QStringLiteral("播放列表"));
        QCOMPARE(list->List1->palette().color(QPalette::Base), QColor(0xCC, 0xCF, 0xE3));
        QVERIFY(!list->Combo1->isVisible());
        QCOMPARE(list->Combo1->objectName(), QStringLiteral("Combo1"));
        for (int i = 0; i < 7; ++i) {
            QVERIFY(!list->Image1[i]->pixmap().isNull());
            QVERIFY(!list->Image1[i]->accessibleName().isEmpty());
        }
        list->show();
        QTest::mouseMove(list->Image1[2], QPoint(4, 4));
        QCOMPARE(list->Line1[2]->borderColor(), QColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(list->Line3[2]->borderColor(), QColor(0x80, 0x80, 0x80));
        list->Image1_MouseDown(2);
        QCOMPARE(list->Line2[2]->borderColor(), QColor(0x80, 0x80, 0x80));
        QCOMPARE(list->Line4[2]->borderColor(), QColor(0xFF, 0xFF, 0xFF));
        list->Form_MouseMove();
        QCOMPARE(list->Line1[2]->borderColor(), list->Line3[2]->borderColor());
    }

    void startupWithRememberedList() {
        const QString path = writeList(QStringLiteral("remembered.vtl"), "paths\r\n/a.swf\r\n/b.swf\r\n");
        fx.writeIni("[listfile]\r\nsavepath=  " + path.toUtf8() + "  \r\n");
        Form2* list = window();
        QCOMPARE(list->entries(), (QStringList{"/a.swf", "/b.swf"}));
        QCOMPARE(list->windowTitle(), QStringLiteral("播放列表|") + path);
        QCOMPARE(listpath(), path);
        // The remembered list is the current one: saving writes back without a dialog.
        list->appendEntry(QStringLiteral("/c.swf"));
        list->Image1_Click(2);
        QVERIFY(fx.dialogs.isEmpty());
        QCOMPARE(LoadList(path).entries, (QStringList{"/a.swf", "/b.swf", "/c.swf"}));
        // Gone by the next start: an empty list, no complaint, and still remembered, so the
        // next exit does not forget it.
        AppFixture::closeAllWindows();
        listpath().clear();
        QVERIFY(QFile::remove(path));
        QCOMPARE(window()->List1->count(), 0);
        QVERIFY(fx.messages.isEmpty());
        QCOMPARE(listpath(), path);
    }

    void newList() {
        const QString path = writeList(QStringLiteral("l.vtl"), "paths\r\n/a.swf\r\n");
        fx.dialogAnswers << path;
        window()->Image1_Click(1);
        loadSomething();
        window()->Image1_Click(0);
        QCOMPARE(window()->List1->count(), 0);
        QVERIFY(listpath().isEmpty());
        QCOMPARE(window()->windowTitle(), QStringLiteral("播放列表|") + path); // caption stays
        expectEmptied();
        window()->Image1_Click(2); // no current list file: asks
        QCOMPARE(fx.dialogs.size(), 2);
        QCOMPARE(fx.dialogs[1].kind, platform::FileDialogKind::Save);
    }

    void openAppendsAndBecomesCurrent() {
        fill({"/first.swf"});
        const QString path = writeList(QStringLiteral("l.vtl"), "paths\r\n/a.swf\r\n/b.swf\r\n");
        fx.dialogAnswers << path;
        loadSomething();
        window()->Image1_Click(1);
        QCOMPARE(fx.dialogs[0].filter, QStringLiteral("Vantrel_list Files(*.vtl)|*.vtl"));
        QCOMPARE(fx.dialogs[0].initialDir, fx.folder->filePath(QStringLiteral("vtl_list")));
        QCOMPARE(window()->entries(), (QStringList{"/first.swf", "/a.swf", "/b.swf"}));
        QCOMPARE(listpath(), path);
        QCOMPARE(window()->windowTitle(), QStringLiteral("播放列表|") + path);
        expectEmptied();
        window()->Image1_Click(2);
        QCOMPARE(LoadList(path).entries, (QStringList{"/first.swf", "/a.swf", "/b.swf"}));
    }

    // An open cancelled, or of a file that cannot be read, keeps the list, its file and caption.
    void openFailedKeepsEverything_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled") << QString();
        QTest::newRow("unreadable") << QStringLiteral("missing.vtl");
    }
    void openFailedKeepsEverything() {
        QFETCH(QString, answer);
        listpath() = QStringLiteral("/kept.vtl");
        fill({"/x.swf"});
        window()->setWindowTitle(QStringLiteral("播放列表|/kept.vtl"));
        fx.dialogAnswers << (answer.isEmpty() ? QString() : fx.folder->filePath(answer));
        loadSomething();
        window()->Image1_Click(1);
        QCOMPARE(fx.messages.size(), answer.isEmpty() ? 0 : 1);
        if (!answer.isEmpty()) QVERIFY(fx.messages[0].text.contains(answer));
        QCOMPARE(listpath(), QStringLiteral("/kept.vtl"));
        QCOMPARE(window()->windowTitle(), QStringLiteral("播放列表|/kept.vtl"));
        QCOMPARE(window()->entries(), QStringList{"/x.swf"});
        expectEmptied();
    }

    void saveToListpathOrAskEveryTime() {
        fill({"/a.swf", "/b.swf"});
        const QString chosen = fx.folder->filePath(QStringLiteral("chosen.vtl"));
        fx.dialogAnswers << chosen << QString();
        window()->Image1_Click(2);
        QCOMPARE(LoadList(chosen).entries, (QStringList{"/a.swf", "/b.swf"}));
        QVERIFY(listpath().isEmpty()); // the chosen file does not become current
        window()->Image1_Click(2);     // asks again; cancelled writes nothing
        QCOMPARE(fx.dialogs.size(), 2);
    }

    void saveFailureIsReported() {
        fill({"/a.swf"});
        listpath() = fx.folder->filePath(QStringLiteral("no/such/folder/l.vtl"));
        window()->Image1_Click(2);
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages[0].text.contains(QStringLiteral("l.vtl")));
        QCOMPARE(window()->entries(), QStringList{"/a.swf"});
    }

    void addRefusesExactDuplicates_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QStringList>("after");
        const auto row = [](const char* name, const QStringList& before, const char* chosen, int messages,
                            const QStringList& after) {
            QTest::newRow(name) << before << QString(chosen) << messages << after;
        };
        row("new entry", {"/a.swf"}, "/b.swf", 0, {"/a.swf", "/b.swf"});
        row("duplicate", {"/a.swf"}, "/a.swf", 1, {"/a.swf"});
        row("twice in the list: two messages", {"/a.swf", "/b.swf", "/a.swf"}, "/a.swf", 2,
            {"/a.swf", "/b.swf", "/a.swf"});
        row("letter case counts", {"/a.swf"}, "/A.swf", 0, {"/a.swf", "/A.swf"});
        row("cancelled", {"/a.swf"}, "", 0, {"/a.swf"});
    }

    void addRefusesExactDuplicates() {
        QFETCH(QStringList, before);
        QFETCH(QString, chosen);
        QFETCH(int, messages);
        fill(before);
        fx.dialogAnswers << chosen;
        loadSomething();
        window()->Image1_Click(3);
        QCOMPARE(fx.messages.size(), messages);
        for (const auto& message : fx.messages)
            QCOMPARE(message.text, QStringLiteral("列表中已有选择的文件！"));
        QTEST(window()->entries(), "after");
        QVERIFY(fx.dialogs[0].initialDir.endsWith(QStringLiteral("my flash movie")));
        expectEmptied();
    }

    void removeAndMoves_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("selectedAfter");
        const QStringList none{"a", "b", "c"};
        QTest::newRow("remove middle") << 1 << 4 << QStringList{"a", "c"} << -2;
        QTest::newRow("remove with nothing selected") << -1 << 4 << none << -2;
        QTest::newRow("up") << 2 << 5 << QStringList{"a", "c", "b"} << 1;
        QTest::newRow("up on the first") << 0 << 5 << none << 0;
        QTest::newRow("down") << 0 << 6 << QStringList{"b", "a", "c"} << 1;
        QTest::newRow("down on the last") << 2 << 6 << none << 2;
        QTest::newRow("down with nothing selected") << -1 << 6 << none << -1;
        QTest::newRow("other index only empties the play window") << 1 << 9 << none << 1;
    }

    void removeAndMoves() {
        QFETCH(int, selected);
        QFETCH(int, action);
        QFETCH(int, selectedAfter);
        fill({"a", "b", "c"});
        window()->List1->setCurrentRow(selected);
        loadSomething();
        window()->Image1_Click(action);
        QTEST(window()->entries(), "after");
        if (selectedAfter != -2) QCOMPARE(window()->List1->currentRow(), selectedAfter);
        expectEmptied();
        if (action == 5 && selected == 2) { // repeated clicks keep moving the same entry
            window()->Image1_Click(5);
            QCOMPARE(window()->entries(), (QStringList{"c", "a", "b"}));
        }
    }

    void listClickLoadsTheEntry() {
        const QString path = writeTestMovie(fx.folder->path(), QStringLiteral("m.swf"), 4);
        fill({QStringLiteral("/other.swf"), path});
        Form2* list = window();
        list->show();
        const QRect second = list->List1->visualItemRect(list->List1->item(1));
        QTest::mouseClick(list->List1->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(Form1::sw()->Movie(), path);
        QCOMPARE(list->List1->toolTip(), path);
    }

    void menuCommandsForward() {
        Form1* main = forms::get<Form1>();
        delete forms::loaded<Form2>();
        QVERIFY(!forms::loaded<Form2>());
        loadSomething();
        main->munfilenew_Click();
        QVERIFY(forms::loaded<Form2>()); // created for it
        expectEmptied();
        main->munfileopen_Click();
        QCOMPARE(fx.dialogs.last().kind, platform::FileDialogKind::Open);
        main->munfilesave_Click();
        QCOMPARE(fx.dialogs.last().kind, platform::FileDialogKind::Save);
    }

    void hundredThousandEntries() {
        QStringList entries;
        for (int i = 0; i < 100000; ++i)
            entries << QStringLiteral("/movies/第%1集/film.swf").arg(i);
        const QString path = fx.folder->filePath(QStringLiteral("big.vtl"));
        QVERIFY(SaveList(path, entries).ok);
        fx.dialogAnswers << path;
        window()->Image1_Click(1);
        QCOMPARE(window()->List1->count(), 100000);
        QCOMPARE(window()->List1->item(99999)->text(), entries.last());
        const QString copy = fx.folder->filePath(QStringLiteral("copy.vtl"));
        listpath() = copy;
        window()->Image1_Click(2);
        QCOMPARE(LoadList(copy).entries, entries);
    }
};

QTEST_MAIN(PlayListWindowTest)
#include "play_list_window_test.moc"
