#include "search/search_window.h"

#include "platform/drive_list.h"
#include "platform/file_dialog.h"
#include "platform/folder_browser.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "platform/twips.h"
#include "resources/string_table.h"
#include "search/search_run.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {
constexpr int kClientWidth = 5880;
constexpr int kSimpleHeight = 2130;
constexpr int kDetailedHeight = 4170;
constexpr int kFolderItem = 2; // "指定位置"

template <class W>
W* makeControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new W(parent);
    control->setObjectName(QString::fromLatin1(name));
    twips::place(control, left, top, width, height);
    return control;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* text = makeControl<QLineEdit>(parent, name, left, top, width, height);
    QPalette palette = text->palette();
    palette.setColor(QPalette::Base, QColor(192, 192, 192));
    text->setPalette(palette);
    return text;
}
} // namespace

Form9::Form9() {
    setObjectName(QStringLiteral("Form9"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kSimpleHeight));
    buildSearchOptions();

    Command1 = makeControl<QPushButton>(this, "Command1", 4860, 120, 975, 315);
    Command2 = makeControl<QPushButton>(this, "Command2", 4860, 600, 975, 315);
    Command4 = makeControl<QPushButton>(this, "Command4", 4860, 1440, 975, 315);
    Command4->setVisible(false); // the detailed view is not offered; its handler still works
    Drive1 = makeControl<QComboBox>(this, "Drive1", 3360, 1020, 975, 300);
    Drive1->setVisible(false); // only the source of the drives for the all-drives mode
    connect(Command1, &QPushButton::clicked, this, &Form9::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form9::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &Form9::Command4_Click);

    buildResultHandling();
}

void Form9::buildSearchOptions() {
    Frame1 = makeControl<QGroupBox>(this, "Frame1", 60, 0, 4635, 1755);
    Label1 = makeControl<QLabel>(Frame1, "Label1", 180, 240, 1395, 255);
    Combo1 = makeControl<QComboBox>(Frame1, "Combo1", 1200, 180, 2475, 300);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert); // a typed text is a start point, not a new item
    Combo1->addItems(
        {QStringLiteral("所有驱动器"), QStringLiteral("IE临时文件夹"), QStringLiteral("指定位置")});
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("所有驱动器"));
    Label2 = makeControl<QLabel>(Frame1, "Label2", 180, 660, 915, 255);
    Label2->setEnabled(false);
    Text1 = makeTextBox(Frame1, "Text1", 1200, 600, 2475, 315);
    Text1->setEnabled(false);
    Command3 = makeControl<QPushButton>(Frame1, "Command3", 3720, 600, 855, 315);
    Command3->setEnabled(false);
    Check1 = makeControl<QCheckBox>(Frame1, "Check1", 240, 1080, 3375, 255);
    Check1->setChecked(true);
    Check2 = makeControl<QCheckBox>(Frame1, "Check2", 240, 1440, 3915, 255);
    connect(Combo1, qOverload<int>(&QComboBox::activated), this, &Form9::Combo1_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form9::Text1_Change);
    connect(Command3, &QPushButton::clicked, this, &Form9::Command3_Click);
}

void Form9::buildResultHandling() {
    Frame2 = makeControl<QGroupBox>(this, "Frame2", 60, 1800, 4695, 1995);
    Check3 = makeControl<QCheckBox>(Frame2, "Check3", 240, 240, 4155, 195);
    Check3->setChecked(true);
    Check4 = makeControl<QCheckBox>(Frame2, "Check4", 240, 540, 4095, 195);
    Label3 = makeControl<QLabel>(Frame2, "Label3", 180, 840, 495, 315);
    Text2 = makeTextBox(Frame2, "Text2", 660, 840, 3255, 270);
    Text2->setEnabled(false);
    Command5 = makeControl<QPushButton>(Frame2, "Command5", 4020, 840, 555, 315);
    Command5->setEnabled(false);
    Check5 = makeControl<QCheckBox>(Frame2, "Check5", 240, 1200, 1815, 255);
    Label4 = makeControl<QLabel>(Frame2, "Label4", 2400, 1260, 615, 255);
    Text3 = makeTextBox(Frame2, "Text3", 2880, 1260, 1695, 255);
    Text3->setEnabled(false);
    Check6 = makeControl<QCheckBox>(Frame2, "Check6", 240, 1620, 2055, 195);
    Label5 = makeControl<QLabel>(Frame2, "Label5", 2400, 1620, 675, 255);
    Text4 = makeTextBox(Frame2, "Text4", 2880, 1620, 1695, 270);
    Text4->setEnabled(false);
    connect(Check4, &QCheckBox::toggled, this, &Form9::Check4_Click);
    connect(Check5, &QCheckBox::toggled, this, &Form9::Check5_Click);
    connect(Check6, &QCheckBox::toggled, this, &Form9::Check6_Click);
    connect(Command5, &QPushButton::clicked, this, &Form9::Command5_Click);
    connect(Text2, &QLineEdit::textChanged, this, &Form9::Text2_Change);
}

Form9::~Form9() = default;

void Form9::Form_Load() {
    setWindowTitle(resources::text(121));
    Frame1->setTitle(resources::text(122));
    Label1->setText(resources::text(123));
    Label2->setText(resources::text(126));
    Command3->setText(resources::text(127));
    Check1->setText(resources::text(128));
    Check2->setText(resources::text(129));
    Command1->setText(resources::text(125));
    Command2->setText(resources::text(120));
    Command4->setText(resources::text(131));
    Frame2->setTitle(resources::text(133));
    Check3->setText(resources::text(134));
    Check4->setText(resources::text(135));
    Label3->setText(resources::text(138));
    Command5->setText(resources::text(127));
    Check5->setText(resources::text(136));
    Label4->setText(resources::text(139));
    Check6->setText(resources::text(137));
    Label5->setText(resources::text(139));
    Drive1->clear();
    for (const platform::Drive& drive : platform::driveList())
        Drive1->addItem(drive.text, drive.root);
    Check2->setEnabled(false);
    twips::setHeight(this, kSimpleHeight);
}

void Form9::Command1_Click() {
    // The dialog can be reached again during a run only by a bug elsewhere; a second run
    // inside the first would take over the first one's state, so bring its box forward.
    if (search::state().running) {
        search::showSearchDialog();
        return;
    }
    search::SearchRequest request;
    request.comboText = Combo1->currentText();
    request.folderText = Text1->text();
    for (int i = 0; i < Drive1->count(); ++i)
        request.driveRoots << Drive1->itemData(i).toString();
    request.includeSubfolders = Check1->isChecked();
    // Nothing of this window is touched after the run: it may be gone by then.
    search::runSearch(request);
}

void Form9::Command2_Click() {
    close();
}

void Form9::Command3_Click() {
    const QString chosen = platform::browseForFolder(this).trimmed();
    if (chosen.isEmpty()) return;
    Text1->setText(search::browsedFolderText(chosen));
}

void Form9::Command4_Click() {
    const bool toDetailed = Command4->text() == resources::text(131);
    twips::setHeight(this, toDetailed ? kDetailedHeight : kSimpleHeight);
    Command4->setText(resources::text(toDetailed ? 132 : 131));
}

void Form9::Command5_Click() {
    const QString listFolder = platform::dataFile(QStringLiteral("vtl_list"));
    const QString chosen = platform::showFileDialog(this, {platform::FileDialogKind::Save,
                                                           QStringLiteral("Vantrel_list Files(*.vtl)|*.vtl"),
                                                           listFolder, QStringLiteral("flashlist1.vtl")});
    Text2->setText(chosen.isEmpty() ? QStringLiteral("flashlist1.vtl") : QDir::toNativeSeparators(chosen));
}

void Form9::Combo1_Click() {
    const bool folder = Combo1->currentIndex() == kFolderItem;
    Label2->setEnabled(folder);
    Text1->setEnabled(folder);
    Command3->setEnabled(folder);
    Command1->setEnabled(!folder);
}

void Form9::Text1_Change() {
    Command1->setEnabled(!Text1->text().isEmpty());
}

void Form9::Text2_Change() {
    const QString name = Text2->text();
    if (name.isEmpty() || !QFileInfo(name).isFile()) return;
    QPointer<QLineEdit> field = Text2;
    const platform::MessageResult answer =
        platform::messageBox(this, resources::text(140), platform::MessageButtons::YesNo,
                             platform::MessageIcon::None, platform::MessageResult::Yes);
    if (answer == platform::MessageResult::No && field) field->clear();
}

void Form9::Check4_Click() {
    const bool on = Check4->isChecked();
    Label3->setEnabled(on);
    Text2->setEnabled(on);
    Command5->setEnabled(on);
}

void Form9::Check5_Click() {
    const bool on = Check5->isChecked();
    Label4->setEnabled(on);
    Text3->setEnabled(on);
}

void Form9::Check6_Click() {
    const bool on = Check6->isChecked();
    Label5->setEnabled(on);
    Text4->setEnabled(on);
}

void Form9::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The view's height is an outer height: once the window has a frame, fit it again so
    // the frame's share is taken from the client area and the result options stay below.
    twips::setHeight(this, Command4->text() == resources::text(131) ? kSimpleHeight : kDetailedHeight);
}

void Form9::closeEvent(QCloseEvent* event) {
    event->accept();
    forms::detach(this);
}
