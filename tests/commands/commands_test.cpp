// Opening movies (local and remote), the help commands and About box, the capture and the
// basic settings dialog.
#include "support/movie_files.h"

#include "commands/about_window.h"
#include "commands/basic_settings_window.h"
#include "commands/capture.h"
#include "commands/remote_open_window.h"
#include "platform/file_dialog.h"
#include "resources/string_table.h"
#include "search/search_window.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

class CommandsTest : public QObject {
    Q_OBJECT
    AppFixture fx;
    Form1* main = nullptr;

  private slots:
    void init() {
        fx.setUp();
        main = forms::get<Form1>();
        main->Timer1->stop();
    }
    void cleanup() { fx.tearDown(); }

    // The dialog shows each classic description exactly as written, and each entry matches only
    // its own patterns, whatever brackets the description itself holds.
    void dialogFilter_data() {
        QTest::addColumn<QString>("classic");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<QStringList>>("patterns");
        QTest::newRow("movies")
            << QStringLiteral(
                   "Flash Player movie (*.swf)|*.swf|Flash Movie (* .fla)|*.fla|Flash exe Movie(*.exe)|*.exe")
            << QStringList{"Flash Player movie (*.swf)", "Flash Movie (* .fla)", "Flash exe Movie(*.exe)"}
            << QList<QStringList>{{"*.swf"}, {"*.fla"}, {"*.exe"}};
        QTest::newRow("lists") << QStringLiteral("Vantrel_list Files(*.vtl)|*.vtl")
                               << QStringList{"Vantrel_list Files(*.vtl)"} << QList<QStringList>{{"*.vtl"}};
        QTest::newRow("two patterns") << QStringLiteral("Pictures|*.png;*.jpg") << QStringList{"Pictures"}
                                      << QList<QStringList>{{"*.png", "*.jpg"}};
    }

    void dialogFilter() {
        QFETCH(QString, classic);
        QFETCH(QList<QStringList>, patterns);
        platform::FileDialogRequest request;
        request.filter = classic;
        request.initialDir = fx.folder->path();
        const std::unique_ptr<QFileDialog> dialog = platform::makeFileDialog(nullptr, request);
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(combo);
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        QTEST(texts, "shown");
        auto* model = dialog->findChild<QFileSystemModel*>();
        QVERIFY(model);
        for (int i = 0; i < patterns.size(); ++i) {
            dialog->selectNameFilter(dialog->nameFilters().at(i));
            QCOMPARE(model->nameFilters(), patterns.at(i));
        }
    }

    void localOpen() {
        const QString path = writeTestMovie(fx.folder->path(), QStringLiteral("a.swf"), 5);
        fx.dialogAnswers << path;
        main->Timer1->stop();
        main->munfileflashb_Click();
        QCOMPARE(fx.dialogs.size(), 1);
        QCOMPARE(fx.dialogs[0].initialDir, fx.folder->filePath(QStringLiteral("my flash movie")));
        QCOMPARE(
            fx.dialogs[0].filter,
            QStringLiteral(
                "Flash Player movie (*.swf)|*.swf|Flash Movie (* .fla)|*.fla|Flash exe Movie(*.exe)|*.exe"));
        QCOMPARE(Form1::sw()->Movie(), path);
        QVERIFY(!main->timer1Enabled()); // the command itself does not touch the status timer
        // Cancelled, it keeps the movie where it was, not loaded again.
        AppFixture::settle();
        Form1::sw()->setClockEnabled(false);
        Form1::sw()->GotoFrame(3);
        main->munfileflashb_Click();
        QCOMPARE(Form1::sw()->Movie(), path);
        QCOMPARE(Form1::sw()->FrameNum(), 3);
        // Button 7 runs the same command.
        fx.dialogAnswers << QStringLiteral("/elsewhere/movie.fla");
        main->Image1_Click(7);
        QCOMPARE(Form1::sw()->Movie(), QStringLiteral("/elsewhere/movie.fla"));
    }

    void remoteAcceptance_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("http alone") << "http://" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("upper-case extension") << "http://host/a.SWF" << false;
        QTest::newRow("query after the name") << "http://host/a.swf?x=1" << false;
        QTest::newRow("address") << "http://host/a.swf" << true;
        QTest::newRow("local path") << "/home/user/a.swf" << true;
    }

    void remoteAcceptance() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(Form4::acceptsAddress(text), accepted);
        main->munfileflashy_Click();
        Form4* remote = forms::loaded<Form4>();
        QVERIFY(remote && remote->isVisible());
        remote->Combo1->setEditText(text);
        remote->Label1_Click();
        if (accepted) {
            QVERIFY(fx.messages.isEmpty());
            QVERIFY(!forms::loaded<Form4>());
            QCOMPARE(Form1::sw()->Movie(), text);
        } else {
            QCOMPARE(fx.messages.size(), 1);
            QCOMPARE(fx.messages[0].text, QStringLiteral("不是有效的Flash文件！"));
            QCOMPARE(fx.messages[0].icon, platform::MessageIcon::None);
            QCOMPARE(forms::loaded<Form4>(), remote);
            QCOMPARE(remote->Combo1->currentText(), text);
        }
    }

    void remoteOpenLoadsAndUnloads() {
        const QString path = writeTestMovie(fx.folder->path(), QStringLiteral("r.swf"), 6);
        main->munfileflashy_Click();
        Form4* remote = forms::loaded<Form4>();
        QCOMPARE(remote->windowTitle(), QStringLiteral("打开远程Flash"));
        QCOMPARE(remote->Label1->text(), QStringLiteral("打开"));
        QCOMPARE(remote->Combo1->currentText(), QStringLiteral("http://"));
        remote->Combo1->setEditText(path);
        QTest::keyClick(remote->Combo1, Qt::Key_Return); // Enter does not open
        QVERIFY(forms::loaded<Form4>());
        QVERIFY(Form1::sw()->Movie().isEmpty());
        QTest::mouseClick(remote->Label1, Qt::LeftButton);
        QVERIFY(!forms::loaded<Form4>());
        AppFixture::settle();
        QCOMPARE(Form1::sw()->TotalFrames(), 6);
        QVERIFY(Form1::sw()->Playing());
        main->munfileflashy_Click();
        QCOMPARE(forms::loaded<Form4>()->Combo1->currentText(), QStringLiteral("http://"));
    }

    void helpCommandsOpenAddresses() {
        main->munhelpz_Click();
        main->munhelpfaq_Click();
        main->munhelpgoweb_Click();
        main->munhelpmail_Click();
        QCOMPARE(fx.shellRequests.size(), 4);
        QCOMPARE(fx.shellRequests[0], fx.folder->filePath(QStringLiteral("readme.txt")));
        QCOMPARE(fx.shellRequests[1], fx.shellRequests[2]);
        QVERIFY(fx.shellRequests[1].startsWith(QStringLiteral("http")));
        QCOMPARE(fx.shellRequests[3], QStringLiteral("mailto:") + resources::text(151));
    }

    void aboutBox() {
        main->munhelpabout_Click();
        frmabout* about = forms::loaded<frmabout>();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("关于Vantrel"));
        QCOMPARE(about->Label1->text(), QStringLiteral("程序名称：Vantrel(凡特瑞)"));
        QCOMPARE(about->Label2->text(), QStringLiteral("版本： 1.0"));
        QCOMPARE(frmabout::versionLine(2, 13), QStringLiteral("版本： 2.13"));
        QVERIFY(!about->Image1->pixmap().isNull());
        QCOMPARE(about->Label4->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(about->Label5->cursor().shape(), Qt::BitmapCursor);
        QTest::mouseClick(about->Label4, Qt::LeftButton);
        QTest::mouseClick(about->Label5, Qt::LeftButton);
        QCOMPARE(fx.shellRequests,
                 (QStringList{QStringLiteral("mailto:") + resources::text(151), resources::text(152)}));
        QVERIFY(forms::loaded<frmabout>() == about && about->isVisible());
        // The addresses are read whole: inside their labels' designed widths and the window.
        for (PictureBox* link : {about->Label4, about->Label5}) {
            const int room = std::min(link->width(), about->width() - link->x());
            QVERIFY2(link->fontMetrics().horizontalAdvance(link->text()) <= room, qPrintable(link->text()));
        }
        main->munhelpabout_Click();
        QCOMPARE(forms::loaded<frmabout>(), about); // brought forward, not doubled
    }

    void capture() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        forms::get<Form3>()->show();
        main->mundoget_Click();
        const QImage picture = clipboard->image();
        if (picture.isNull()) QSKIP("this platform cannot read the screen");
        QCOMPARE(picture.size(), forms::loaded<Form3>()->frameGeometry().size());
        QVERIFY(clipboard->text().isEmpty());
        // A rectangle partly off the screen still yields the full size.
        commands::ScrnCap(-50, -40, 50, 60);
        QCOMPARE(clipboard->image().size(), QSize(100, 100));
        // An empty or inverted rectangle changes nothing.
        commands::ScrnCap(10, 10, 10, 50);
        QCOMPARE(clipboard->image().size(), QSize(100, 100));
    }

    void basicSettingsDialogIsInert() {
        const QByteArray before = fx.readIni();
        main->muninj_Click();
        Form8* dialog = forms::loaded<Form8>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("基本设置"));
        QCOMPARE(dialog->Command2->text(), QStringLiteral("确定"));
        QCOMPARE(dialog->Command1->text(), QStringLiteral("取消"));
        QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        QVERIFY(forms::loaded<Form8>() == dialog && dialog->isVisible());
        QCOMPARE(fx.readIni(), before);
        main->muninj_Click();
        QCOMPARE(forms::loaded<Form8>(), dialog);
    }

    void searchCommandShowsTheDialog() {
        main->muntoopc_Click();
        QVERIFY(forms::loaded<Form9>() && forms::loaded<Form9>()->isVisible());
    }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
