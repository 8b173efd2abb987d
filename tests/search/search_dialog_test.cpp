// The search dialog Form9: its controls as designed, the view switch, the start point
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

namespace {

QString caption(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* frame = qobject_cast<QGroupBox*>(control)) return frame->title();
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
    if (auto* text = qobject_cast<QLineEdit*>(control)) return text->text();
    return QString();
}

} // namespace

class SearchDialogTest : public QObject {
    Q_OBJECT
    SearchFixture m_fixture;

  private slots:
    void init() { m_fixture.setUp(); }
    void cleanup() { m_fixture.tearDown(); }

    void controlsAtStart_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("twipRect");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("shown");
        auto row = [](const char* name, const char* text, QRect rect, bool enabled = true,
                      bool shown = true) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text) << rect << enabled
                                << shown;
        };
        row("Frame1", "搜索选项", {60, 0, 4635, 1755});
        row("Label1", "搜索媒体于:", {180, 240, 1395, 255});
        row("Combo1", "所有驱动器", {1200, 180, 2475, 300});
        row("Label2", "开始于:", {180, 660, 915, 255}, false);
        row("Text1", "", {1200, 600, 2475, 315}, false);
        row("Command3", "浏览", {3720, 600, 855, 315}, false);
        row("Check1", "包含其子文件夹", {240, 1080, 3375, 255});
        row("Check2", "启动高标准查找法", {240, 1440, 3915, 255}, false);
        row("Command1", "开始搜索", {4860, 120, 975, 315});
        row("Command2", "取消", {4860, 600, 975, 315});
        row("Command4", "详细", {4860, 1440, 975, 315}, true, false);
        row("Drive1", "", {3360, 1020, 975, 300}, true, false);
        row("Frame2", "结果处理", {60, 1800, 4695, 1995});
        row("Check3", "加入到当前播放列表", {240, 240, 4155, 195});
        row("Check4", "保存到播放列表文件", {240, 540, 4095, 195});
        row("Label3", "位置:", {180, 840, 495, 315});
        row("Text2", "", {660, 840, 3255, 270}, false);
        row("Command5", "浏览", {4020, 840, 555, 315}, false);
        row("Check5", "保存到播放列表", {240, 1200, 1815, 255});
        row("Label4", "名称:", {2400, 1260, 615, 255});
        row("Text3", "", {2880, 1260, 1695, 255}, false);
        row("Check6", "保存到我的Flash库", {240, 1620, 2055, 195});
        row("Label5", "名称:", {2400, 1620, 675, 255});
        row("Text4", "", {2880, 1620, 1695, 270}, false);
    }
    void controlsAtStart() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, twipRect);
        QFETCH(bool, enabled);
        QFETCH(bool, shown);
        platform::setDriveListForTesting({{"/", "/"}});
        Form9* dialog = forms::get<Form9>();
        auto* control = dialog->findChild<QWidget*>(name);
        QVERIFY(control);
        if (name != QStringLiteral("Drive1")) QCOMPARE(caption(control), text);
        QCOMPARE(control->geometry(),
                 twips::toPixels(twipRect.x(), twipRect.y(), twipRect.width(), twipRect.height()));
        QCOMPARE(control->isEnabled(), enabled);
        QCOMPARE(!control->isHidden(), shown);
    }

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
        QFETCH(bool, startEnabled);
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
        QCOMPARE(dialog->Command1->isEnabled(), startEnabled);
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
        QTest::newRow("folder gains a separator") << "/data/flash"
                                                  << "/data/flash/" << true;
        QTest::newRow("blanks around are removed") << "  /data/my flash  "
                                                   << "/data/my flash/" << true;
        QTest::newRow("root stays") << "/"
                                    << "/" << true;
        QTest::newRow("cancelled keeps the text") << ""
                                                  << "/old/" << false;
        QTest::newRow("same folder again changes nothing") << "/old"
                                                           << "/old/" << false;
    }
    void browseForFolder() {
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        QFETCH(bool, startEnabled);
        Form9* dialog = SearchFixture::dialogForFolder("/old/");
        dialog->Combo1_Click(); // the choice again: start waits for a new text
        platform::setFolderBrowserHandler([chosen] { return chosen; });
        dialog->Command3_Click();
        QCOMPARE(dialog->Text1->text(), text);
        QCOMPARE(dialog->Command1->isEnabled(), startEnabled);
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
