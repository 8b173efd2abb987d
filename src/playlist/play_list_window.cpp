#include "playlist/play_list_window.h"

#include "platform/file_dialog.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "platform/settings.h"
#include "platform/system_colors.h"
#include "platform/twips.h"
#include "player/movie_files.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"
#include "playlist/list_file.h"
#include "resources/icons.h"
#include "resources/string_table.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {
constexpr int kClientWidth = 3285;
constexpr int kClientHeight = 2505;
constexpr int kButtonCount = 7;

QString listFilter() {
    return QStringLiteral("Vantrel_list Files(*.vtl)|*.vtl");
}
QString listFolder() {
    return platform::dataFile(QStringLiteral("vtl_list"));
}

const char* const kButtonTips[kButtonCount] = {"新建列表",       "打开列表", "保存列表", "添加影片",
                                               "删除选中的影片", "上移",     "下移"};
} // namespace

Form2::Form2() {
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));
    setMouseTracking(true);
    installEventFilter(this);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    List1->setUniformItemSizes(true); // long lists stay quick to show
    QPalette palette = List1->palette();
    palette.setColor(QPalette::Base, platform::systemColor(0x00E3CFCC));
    List1->setPalette(palette);
    twips::place(List1, 0, 60, 2895, 2370);
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { playEntry(List1->row(item)); });
    setAcceptDrops(true);
    List1->setAcceptDrops(false); // drops land on the window, which adds them
    // Arrow keys move the selection like a click does; selections made by the program do not.
    List1->installEventFilter(this);
    connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_keyNavigation) List1_Click();
    });

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    QPalette comboPalette = Combo1->palette();
    comboPalette.setColor(QPalette::Base, platform::systemColor(0x00FF8080));
    comboPalette.setColor(QPalette::Text, platform::systemColor(0x000000FF));
    Combo1->setPalette(comboPalette);
    twips::place(Combo1, 0, 1200, 2895, 300);
    Combo1->setVisible(false);

    for (int i = 0; i < kButtonCount; ++i) {
        const int y = 120 + 360 * i;
        auto* image = new PictureBox(this);
        image->setObjectName(QStringLiteral("Image1_%1").arg(i));
        image->setPixmap(resources::pixmap(resources::listButtonIconName(i), twips::toPixels(240)));
        image->setToolTip(QString::fromUtf8(kButtonTips[i]));
        image->setAccessibleName(QString::fromUtf8(kButtonTips[i]));
        twips::place(image, 3000, y, 240, 240);
        Image1[i] = image;
        connect(image, &PictureBox::clicked, this, [this, i] { Image1_Click(i); });
        connect(image, &PictureBox::mouseMove, this, [this, i] { Image1_MouseMove(i); });
        connect(image, &PictureBox::mouseDown, this, [this, i] { Image1_MouseDown(i); });
        Line1[i] = new LineShape(this, 3000, y, 3240, y);
        Line2[i] = new LineShape(this, 3000, y + 240, 3000, y);
        Line3[i] = new LineShape(this, 3240, y + 240, 3000, y + 240);
        Line4[i] = new LineShape(this, 3240, y, 3240, y + 240);
        Line1[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        Line2[i]->setObjectName(QStringLiteral("Line2_%1").arg(i));
        Line3[i]->setObjectName(QStringLiteral("Line3_%1").arg(i));
        Line4[i]->setObjectName(QStringLiteral("Line4_%1").arg(i));
    }
}

Form2::~Form2() = default;

void Form2::Form_Load() {
    setWindowTitle(resources::text(102));
    const QString remembered = readSavedListPath(settingsFilePath()).trimmed();
    if (!remembered.isEmpty()) {
        // A remembered list that has gone away must not hold up start-up: no message.
        loadListFile(remembered, true);
        setWindowTitle(resources::text(102) + QLatin1Char('|') + remembered);
        listpath() = remembered;
    }
    for (int i = 0; i < kButtonCount; ++i)
        setLook(i, FrameLook::Flat);
}

PlayListWindowLinks& playListWindowLinks() {
    static PlayListWindowLinks links;
    return links;
}

void Form2::Form_Unload() {
    if (playListWindowLinks().unloaded) playListWindowLinks().unloaded();
}

void Form2::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    forms::detach(this);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::MouseMove) Form_MouseMove();
    if (List1 && watched == List1) {
        if (event->type() == QEvent::KeyPress) m_keyNavigation = true;
        if (event->type() == QEvent::KeyRelease || event->type() == QEvent::FocusOut) m_keyNavigation = false;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::setLook(int index, FrameLook look) {
    applyFrameLook(Line1[index], Line2[index], Line3[index], Line4[index], look);
}

void Form2::Form_MouseMove() {
    for (int i = 0; i < kButtonCount; ++i)
        setLook(i, FrameLook::Flat);
}

void Form2::Image1_MouseMove(int index) {
    setLook(index, FrameLook::Raised);
}

void Form2::Image1_MouseDown(int index) {
    setLook(index, FrameLook::Pressed);
}

void Form2::Image1_Click(int index) {
    switch (index) {
    case 0:
        newList();
        break;
    case 1:
        openList();
        break;
    case 2:
        saveList();
        break;
    case 3:
        addMovie();
        break;
    case 4:
        removeEntry();
        break;
    case 5:
        moveEntry(-1);
        break;
    case 6:
        moveEntry(+1);
        break;
    default:
        break;
    }
    // Every action ends with the movie stopped and the play window empty.
    ShockwaveFlash* control = Form3::control();
    control->setPlaying(false);
    control->setMovie(QString());
}

void Form2::newList() {
    List1->clear();
    listpath().clear();
}

bool Form2::loadListFile(const QString& path, bool quiet) {
    const ListResult result = LoadList(path);
    if (!result.ok) {
        if (!quiet)
            platform::messageBox(this, result.error, platform::MessageButtons::Ok,
                                 platform::MessageIcon::Warning, platform::MessageResult::Ok);
        return false;
    }
    List1->setUpdatesEnabled(false);
    List1->addItems(result.entries);
    List1->setUpdatesEnabled(true);
    return true;
}

void Form2::openList() {
    const QString path = platform::showFileDialog(
        this, {platform::FileDialogKind::Open, listFilter(), listFolder(), QString()});
    if (path.isEmpty()) return;
    openListFile(path);
}

bool Form2::openListFile(const QString& path) {
    // A file that cannot be read leaves the list, its caption and listpath as they were.
    if (!loadListFile(path, false)) return false;
    listpath() = path;
    setWindowTitle(resources::text(102) + QLatin1Char('|') + path);
    return true;
}

void Form2::saveList() {
    QString target = listpath();
    if (target.isEmpty()) {
        target = platform::showFileDialog(
            this, {platform::FileDialogKind::Save, listFilter(), listFolder(), QString()});
        if (target.isEmpty()) return;
    }
    const ListResult result = SaveList(target, entries());
    if (!result.ok)
        platform::messageBox(this, result.error, platform::MessageButtons::Ok, platform::MessageIcon::Warning,
                             platform::MessageResult::Ok);
}

void Form2::addMovie() {
    const QString path = platform::showFileDialog(
        this, {platform::FileDialogKind::Open, movieFileFilter(), movieFolder(), QString()});
    if (path.isEmpty()) return;
    addUnique(path);
}

void Form2::addUnique(const QString& path) {
    bool found = false;
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text() == path) {
            found = true;
            platform::messageBox(this, resources::text(101), platform::MessageButtons::Ok,
                                 platform::MessageIcon::None, platform::MessageResult::Ok);
        }
    }
    if (!found) List1->addItem(path);
}

void Form2::playEntry(int row) {
    if (row < 0 || row >= List1->count()) return;
    List1->setCurrentRow(row);
    List1_Click();
    if (playListWindowLinks().playWindowWanted) playListWindowLinks().playWindowWanted();
}

void Form2::addDroppedFiles(const QStringList& files) {
    for (const QString& file : files) {
        if (file.endsWith(QLatin1String(".vtl"), Qt::CaseInsensitive)) {
            // As the open command: its entries join the list and it becomes the current list file.
            openListFile(file);
        } else {
            addUnique(QDir::toNativeSeparators(file));
        }
    }
}

void Form2::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form2::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    addDroppedFiles(files);
}

void Form2::removeEntry() {
    const int row = List1->currentRow();
    if (row >= 0 && row < List1->count()) delete List1->takeItem(row);
}

void Form2::moveEntry(int delta) {
    const int row = List1->currentRow();
    const int target = row + delta;
    if (row < 0 || row >= List1->count() || target < 0 || target >= List1->count()) return;
    const QString moved = List1->item(row)->text();
    List1->item(row)->setText(List1->item(target)->text());
    List1->item(target)->setText(moved);
    // Selecting the moved entry is not a click on it: nothing is loaded.
    const QSignalBlocker blocker(List1);
    List1->setCurrentRow(target);
}

void Form2::List1_Click() {
    QListWidgetItem* item = List1->currentItem();
    if (!item) return;
    const QString path = item->text();
    Form3::control()->setMovie(path);
    List1->setToolTip(path);
}

void Form2::appendEntry(const QString& path) {
    List1->addItem(path);
}

QStringList Form2::entries() const {
    QStringList result;
    result.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        result << List1->item(i)->text();
    return result;
}
