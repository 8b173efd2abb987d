#include "commands/remote_open_window.h"

#include <QCloseEvent>

#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"
#include "resources/string_table.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
constexpr int kClientWidth = 5205;
constexpr int kClientHeight = 285;
} // namespace

Form4::Form4() {
    setObjectName(QStringLiteral("Form4"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), std::max(twips::toPixels(kClientHeight), twips::toPixels(300)));
    setMouseTracking(true);
    installEventFilter(this);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert); // nothing is ever added to its list
    Combo1->setEditText(QStringLiteral("http://"));
    Combo1->lineEdit()->installEventFilter(this);
    twips::place(Combo1, 0, 0, 4455, 300);

    Label1 = new PictureBox(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    twips::place(Label1, 4680, 0, 540, 300);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setAccessibleName(tr("打开输入的网址"));
    connect(Label1, &PictureBox::mouseMove, this, [this] { Label1_MouseMove(); });
    connect(Label1, &PictureBox::mouseDown, this, [this] { Label1_MouseDown(); });
    connect(Label1, &PictureBox::clicked, this, [this] { Label1_Click(); });

    Line1 = new LineShape(this, 4560, 0, 5160, 0);
    Line2 = new LineShape(this, 4560, 240, 4560, 0);
    Line3 = new LineShape(this, 5160, 240, 4560, 240);
    Line4 = new LineShape(this, 5160, 0, 5160, 240);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line2->setObjectName(QStringLiteral("Line2"));
    Line3->setObjectName(QStringLiteral("Line3"));
    Line4->setObjectName(QStringLiteral("Line4"));
}

Form4::~Form4() = default;

void Form4::Form_Load() {
    setWindowTitle(resources::text(104));
    Label1->setText(resources::text(105));
    setLook(FrameLook::Flat);
}

bool Form4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::MouseMove) Form_MouseMove();
    // Enter in the address field does nothing: only the open label opens.
    if (Combo1 && watched == Combo1->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form4::setLook(FrameLook look) {
    applyFrameLook(Line1, Line2, Line3, Line4, look);
}

void Form4::Form_MouseMove() {
    setLook(FrameLook::Flat);
}
void Form4::Label1_MouseMove() {
    setLook(FrameLook::Raised);
}
void Form4::Label1_MouseDown() {
    setLook(FrameLook::Pressed);
}

bool Form4::acceptsAddress(const QString& text) {
    return !text.isEmpty() && text.endsWith(QLatin1String(".swf"), Qt::CaseSensitive);
}

void Form4::Label1_Click() {
    const QString text = Combo1->currentText();
    if (!acceptsAddress(text)) {
        platform::messageBox(this, resources::text(106), platform::MessageButtons::Ok,
                             platform::MessageIcon::None, platform::MessageResult::Ok);
        return;
    }
    ShockwaveFlash* control = Form3::control();
    control->setMovie(text);
    control->Play();
    close();
}

void Form4::closeEvent(QCloseEvent* event) {
    event->accept();
    forms::detach(this);
}
