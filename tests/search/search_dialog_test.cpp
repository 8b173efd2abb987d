// The search dialog Form9: its controls at start, the view switch, the start point
// choice and its enabling, the folder browser, the result options and the list file name
// with its overwrite question.
#include "search_fixture.h"

#include "resources/string_table.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class SearchDialogTest : public QObject {
    Q_OBJECT
    SearchFixture m_fixture;

  private slots:
    void init() { m_fixture.setUp(); }
    void cleanup() { m_fixture.tearDown(); }

    void startingChoices() {
        platform::setDriveListForTesting({{"/", "/"}, {"/home", "/home"}});
        Form9* dialog = forms::get<Form9>();
        QCOMPARE(dialog->windowTitle(), QString::fromUtf8("搜索计算机中的Flash"));
        QCOMPARE(dialog->Combo1->currentIndex(), -1);
        QCOMPARE(dialog->Combo1->count(), 3);
        QCOMPARE(dialog->Combo1->itemText(1), QString::fromUtf8("IE临时文件夹"));
        QCOMPARE(dialog->Combo1->itemText(2), QString::fromUtf8("指定位置"));
        QVERIFY(dialog->Check1->isChecked());
        QVERIFY(dialog->Check3->isChecked());
        QCOMPARE(dialog->Drive1->count(), 2);
        QCOMPARE(dialog->Drive1->itemData(1).toString(), QStringLiteral("/home"));
        QCOMPARE(dialog->Text1->palette().color(QPalette::Base), QColor(192, 192, 192));
        QCOMPARE(twips::height(dialog), 2130);
        // Until a start point and result options are chosen, only these wait.
        for (const char* name :
             {"Label2", "Text1", "Command3", "Check2", "Text2", "Command5", "Text3", "Text4"})
            QVERIFY2(!dialog->findChild<QWidget*>(name)->isEnabled(), name);
        for (const char* name : {"Command4", "Drive1"})
            QVERIFY2(dialog->findChild<QWidget*>(name)->isHidden(), name);
    }

    void viewSwitch() {
        Form9* dialog = forms::get<Form9>();
        dialog->Command4_Click();
        QCOMPARE(twips::height(dialog), 4170);
        QCOMPARE(dialog->Command4->text(), QString::fromUtf8("简单"));
        dialog->Command4_Click();
        QCOMPARE(twips::height(dialog), 2130);
        QCOMPARE(dialog->Command4->text(), QString::fromUtf8("详细"));
        QVERIFY(dialog->Command4->isHidden());
    }

    // Choosing the given location waits for a folder text to change; the other choices
    // start at once and keep the folder text.
    void startPointChoice_data() {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("folderEnabled");
        QTest::addColumn<bool>("startEnabled");
        QTest::newRow("given location") << QList<int>{2} << QString() << true << false;
        QTest::newRow("given location, folder typed") << QList<int>{2} << "/data" << true << true;
        QTest::newRow("all drives after given location") << QList<int>{2, 0} << QString() << false << true;
        QTest::newRow("cache after given location") << QList<int>{2, 1} << QString() << false << true;
        QTest::newRow("given location again, same text") << QList<int>{2, 0, 2} << QString() << true << false;
    }
    void startPointChoice() {
        QFETCH(QList<int>, choices);
        QFETCH(QString, typed);
        QFETCH(bool, folderEnabled);
        Form9* dialog = forms::get<Form9>();
        dialog->Text1->setText("/kept");
        for (int choice : choices) {
            dialog->Combo1->setCurrentIndex(choice);
            dialog->Combo1_Click();
        }
        if (!typed.isEmpty()) dialog->Text1->setText(typed);
        QCOMPARE(dialog->Label2->isEnabled(), folderEnabled);
        QCOMPARE(dialog->Text1->isEnabled(), folderEnabled);
        QCOMPARE(dialog->Command3->isEnabled(), folderEnabled);
        QTEST(dialog->Command1->isEnabled(), "startEnabled");
        QCOMPARE(dialog->Text1->text(), typed.isEmpty() ? QStringLiteral("/kept") : typed);
    }

    void emptyFolderTextDisablesStart() {
        Form9* dialog = SearchFixture::dialogForFolder("/data");
        QVERIFY(dialog->Command1->isEnabled());
        dialog->Text1->clear();
        QVERIFY(!dialog->Command1->isEnabled());
    }

    void browseForFolder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("startEnabled");
        const auto row = [](const char* name, const char* chosen, const char* text, bool startEnabled) {
            QTest::newRow(name) << QString(chosen) << QString(text) << startEnabled;
        };
        row("folder gains a separator", "/data/flash", "/data/flash/", true);
        row("blanks around are removed", "  /data/my flash  ", "/data/my flash/", true);
        row("root stays", "/", "/", true);
        row("cancelled keeps the text", "", "/old/", false);
        row("same folder again changes nothing", "/old", "/old/", false);
    }
    void browseForFolder() {
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        Form9* dialog = SearchFixture::dialogForFolder("/old/");
        dialog->Combo1_Click(); // the choice again: start waits for a new text
        platform::setFolderBrowserHandler([chosen] { return chosen; });
        dialog->Command3_Click();
        QCOMPARE(dialog->Text1->text(), text);
        QTEST(dialog->Command1->isEnabled(), "startEnabled");
    }

    void resultOptionRows_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QStringList>("controls");
        QTest::newRow("Check4") << "Check4" << QStringList({"Label3", "Text2", "Command5"});
        QTest::newRow("Check5") << "Check5" << QStringList({"Label4", "Text3"});
        QTest::newRow("Check6") << "Check6" << QStringList({"Label5", "Text4"});
    }
    void resultOptionRows() {
        QFETCH(QString, check);
        QFETCH(QStringList, controls);
        Form9* dialog = forms::get<Form9>();
        auto* box = dialog->findChild<QCheckBox*>(check);
        box->setChecked(true);
        for (const QString& name : controls)
            QVERIFY2(dialog->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        box->setChecked(false);
        for (const QString& name : controls)
            QVERIFY2(!dialog->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    }

    // The name chooser proposes the list folder; an existing file asks the overwrite
    // question, No empties the name (asking nothing more), Yes keeps it.
    void listFileName_data() {
        QTest::addColumn<QString>("chosen"); // "existing" names a file made by the test
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("kept");
        QTest::newRow("cancelled: default name") << "" << false << 0 << true;
        QTest::newRow("new file") << "new.vtl" << false << 0 << true;
        QTest::newRow("existing, no") << "existing" << false << 1 << false;
        QTest::newRow("existing, yes") << "existing" << true << 1 << true;
        QTest::newRow("a folder is no file") << "folder" << false << 0 << true;
    }
    void listFileName() {
        QFETCH(QString, chosen);
        QFETCH(bool, answerYes);
        QFETCH(int, questions);
        QFETCH(bool, kept);
        const QString folder = m_fixture.folder->path();
        makeTree(folder, {"vtl_list/existing", "vtl_list/folder/"});
        const QString path = chosen.isEmpty() ? QString() : folder + "/vtl_list/" + chosen;
        m_fixture.dialogAnswers << path;
        m_fixture.answer = answerYes ? platform::MessageResult::Yes : platform::MessageResult::No;
        Form9* dialog = forms::get<Form9>();
        dialog->Check4->setChecked(true);
        dialog->Command5_Click();
        QCOMPARE(m_fixture.dialogs.size(), 1);
        QCOMPARE(m_fixture.dialogs[0].kind, platform::FileDialogKind::Save);
        QCOMPARE(m_fixture.dialogs[0].filter, QStringLiteral("Vantrel_list Files(*.vtl)|*.vtl"));
        QCOMPARE(m_fixture.dialogs[0].initialDir, folder + "/vtl_list");
        QCOMPARE(m_fixture.dialogs[0].fileName, QStringLiteral("flashlist1.vtl"));
        QCOMPARE(m_fixture.messages.size(), questions);
        if (questions > 0) {
            QCOMPARE(m_fixture.messages[0].text, QString::fromUtf8("文件名已有，是否覆盖它？"));
            QCOMPARE(m_fixture.messages[0].buttons, platform::MessageButtons::YesNo);
        }
        const QString expected = chosen.isEmpty() ? QStringLiteral("flashlist1.vtl") : path;
        QCOMPARE(dialog->Text2->text(), kept ? expected : QString());
    }

    void emptyingListFileNameAsksNothing() {
        Form9* dialog = forms::get<Form9>();
        dialog->Check4->setChecked(true);
        dialog->Text2->setText("x");
        dialog->Text2->clear();
        QVERIFY(m_fixture.messages.isEmpty());
    }
};

QTEST_MAIN(SearchDialogTest)
#include "search_dialog_test.moc"
