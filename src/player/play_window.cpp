#include "player/play_window.h"

#include "platform/forms.h"
#include "platform/system_colors.h"
#include "platform/twips.h"
#include "player/shockwave_flash.h"
#include "resources/string_table.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

PlayWindowLinks& playWindowLinks() {
    static PlayWindowLinks links;
    return links;
}

namespace {
constexpr int kClientWidth = 7665;
constexpr int kClientHeight = 4680;
// p and sw are kept this much smaller than the window's outer size.
constexpr int kBorderAllowance = 100;

} // namespace

QString readyStateText(int state) {
    switch (state) {
    case 0:
        return resources::text(107);
    case 1:
        return resources::text(108);
    case 2:
        return resources::text(113);
    case 3:
        return resources::text(109);
    default:
        return QString();
    }
}

Form3::Form3() {
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));

    p = new QWidget(this);
    p->setObjectName(QStringLiteral("p"));
    p->setAutoFillBackground(true);
    QPalette palette = p->palette();
    palette.setColor(QPalette::Window, platform::systemColor(platform::kSystemColorWindow));
    p->setPalette(palette);
    twips::place(p, 0, 0, 7695, 5055);

    sw = new ShockwaveFlash(p);
    twips::place(sw, 60, 60, 7515, 4575);
    connect(sw, &ShockwaveFlash::OnReadyStateChange, this, &Form3::sw_OnReadyStateChange);
}

Form3::~Form3() = default;

void Form3::Form_Load() {
    setWindowTitle(resources::text(103));
}

void Form3::Form_Resize() {
    const int outerHeight = twips::height(this);
    const int outerWidth = twips::width(this);
    // A window smaller than the allowance keeps its controls at size 0, never negative.
    const int h = std::max(0, outerHeight - kBorderAllowance);
    const int w = std::max(0, outerWidth - kBorderAllowance);
    p->resize(p->width(), twips::toPixels(h));
    p->resize(twips::toPixels(w), p->height());
    sw->setHeight(h);
    sw->setWidth(w);
}

void Form3::Form_Unload() {
    if (playWindowLinks().unloaded) playWindowLinks().unloaded();
}

void Form3::sw_OnReadyStateChange(int) {
    if (playWindowLinks().readyStateChanged) playWindowLinks().readyStateChanged(*sw);
}

ShockwaveFlash* Form3::control() {
    return forms::get<Form3>()->sw;
}

void Form3::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form3::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    forms::detach(this);
}
