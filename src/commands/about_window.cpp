#include "commands/about_window.h"

#include "platform/forms.h"
#include <QCloseEvent>

#include "commands/help.h"
#include "platform/number_text.h"
#include "platform/shell.h"
#include "platform/twips.h"
#include "resources/icons.h"
#include "resources/string_table.h"

namespace {
constexpr int kClientWidth = 3825;
constexpr int kClientHeight = 1695;

PictureBox* makeLink(QWidget* parent, const char* name) {
    auto* link = new PictureBox(parent);
    link->setObjectName(QString::fromLatin1(name));
    link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0xFF));
    link->setPalette(palette);
    return link;
}
} // namespace

frmabout::frmabout() {
    setObjectName(QStringLiteral("frmabout"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    twips::place(Image1, 120, 60, 495, 495);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::place(Label1, 780, 60, 2715, 555);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::place(Label2, 780, 480, 2955, 375);
    Label4 = makeLink(this, "Label4");
    twips::place(Label4, 840, 1140, 2895, 255);
    Label5 = makeLink(this, "Label5");
    twips::place(Label5, 960, 1440, 3075, 195);
    connect(Label4, &PictureBox::clicked, this, &frmabout::Label4_Click);
    connect(Label5, &PictureBox::clicked, this, &frmabout::Label5_Click);
}

frmabout::~frmabout() = default;

QString frmabout::versionLine(int major, int minor) {
    return resources::text(150) + numberText(major) + QLatin1Char('.') + QString::number(minor);
}

void frmabout::Form_Load() {
    setWindowTitle(resources::text(147));
    Image1->setPixmap(resources::pixmap(QString::fromLatin1(resources::kAppIcon), twips::toPixels(495)));
    Label1->setText(resources::text(148));
    Label2->setText(versionLine(VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR));
    Label4->setText(resources::text(151));
    Label5->setText(resources::text(152));
    Label4->setToolTip(tr("给作者发邮件"));
    Label5->setToolTip(tr("访问作者的网站"));
    Label4->setCursor(resources::handCursor());
    Label5->setCursor(resources::handCursor());
}

void frmabout::Label4_Click() {
    platform::shellOpen(commands::makerMailUrl());
}

void frmabout::Label5_Click() {
    platform::shellOpen(commands::makerWebAddress());
}

void frmabout::closeEvent(QCloseEvent* event) {
    event->accept();
    forms::detach(this);
}
