#include "search/progress_window.h"

#include "platform/forms.h"
#include "platform/twips.h"
#include "resources/string_table.h"
#include "search/search_run.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

namespace {
constexpr int kClientWidth = 4680;
constexpr int kClientHeight = 1560;

// A folder under a magnifying glass, drawn at `size` pixels.
QPixmap searchPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    QPainterPath folder;
    folder.moveTo(2, 8);
    folder.lineTo(11, 8);
    folder.lineTo(13, 11);
    folder.lineTo(28, 11);
    folder.lineTo(28, 26);
    folder.lineTo(2, 26);
    folder.closeSubpath();
    painter.setPen(QPen(QColor(0x9A, 0x6A, 0x10), 1));
    painter.setBrush(QColor(0xF2, 0xC8, 0x4B));
    painter.drawPath(folder);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(24, 24), QPointF(30, 30));
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    painter.setBrush(QColor(0xD8, 0xEC, 0xFF, 0xC0));
    painter.drawEllipse(QPointF(19, 19), 6.5, 6.5);
    return pixmap;
}
} // namespace

Form10::Form10() {
    setObjectName(QStringLiteral("Form10"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(searchPicture(twips::toPixels(480)));
    Image1->setToolTip(tr("正在搜索Flash影片"));
    Image1->setAccessibleName(tr("正在搜索Flash影片"));
    twips::place(Image1, 120, 60, 480, 480);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    twips::place(Label1, 720, 120, 3855, 735);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::place(Label2, 720, 900, 2295, 255);

    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    twips::place(Command1, 3240, 1140, 1035, 375);
    connect(Command1, &QPushButton::clicked, this, &Form10::Command1_Click);
}

Form10::~Form10() = default;

void Form10::Form_Load() {
    setWindowTitle(resources::text(121));
    Command1->setText(resources::text(143));
    Label1->clear();
    Label2->clear();
}

void Form10::Command1_Click() {
    search::SearchState& state = search::state();
    if (state.ding) {
        close();
        return;
    }
    // The run sees the flag at its next file or folder and ends with its completion step.
    state.ding = true;
    Label1->setText(resources::text(145));
}

void Form10::closeEvent(QCloseEvent* event) {
    // Closed through its frame while a run walks: that is a request to stop, as the
    // button's first press would be; the run then finishes without a box to write to.
    search::state().ding = true;
    event->accept();
    forms::detach(this);
}
