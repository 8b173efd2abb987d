#include "player/play_window.h"

#include "platform/forms.h"
#include "platform/system_colors.h"
#include "platform/twips.h"
#include "player/shockwave_flash.h"
#include "resources/string_table.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

PlayWindowLinks& playWindowLinks() {
    static PlayWindowLinks links;
    return links;
}

namespace {
constexpr int kClientWidth = 7665;
constexpr int kClientHeight = 4680;
// p and sw are kept this much smaller than the window's outer size.
constexpr int kBorderAllowance = 100;
constexpr int kControlOffset = 60;
constexpr Qt::WindowFlags kWindowFlags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

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
    setWindowFlags(kWindowFlags);
    resize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));

    p = new QWidget(this);
    p->setObjectName(QStringLiteral("p"));
    p->setAutoFillBackground(true);
    QPalette palette = p->palette();
    palette.setColor(QPalette::Window, platform::systemColor(platform::kSystemColorWindow));
    p->setPalette(palette);
    twips::place(p, 0, 0, 7695, 5055);

    sw = new ShockwaveFlash(p);
    twips::place(sw, kControlOffset, kControlOffset, 7515, 4575);
    connect(sw, &ShockwaveFlash::OnReadyStateChange, this, &Form3::sw_OnReadyStateChange);

    // The control's own menu stays off; a right click opens the play window's menu instead.
    sw->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sw, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (playWindowLinks().menuRequested) playWindowLinks().menuRequested(sw->mapToGlobal(pos));
    });
    setAcceptDrops(true);

    m_pointerIdle = new QTimer(this);
    m_pointerIdle->setObjectName(QStringLiteral("pointerIdle"));
    m_pointerIdle->setSingleShot(true);
    m_pointerIdle->setInterval(kPointerIdleMs);
    connect(m_pointerIdle, &QTimer::timeout, this, [this] {
        if (m_fullScreen) sw->setCursor(Qt::BlankCursor);
    });
    sw->installEventFilter(this);
    // Esc belongs to the movie, except in full screen, where it is the way out.
    m_leaveFullScreen = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_leaveFullScreen->setContext(Qt::WindowShortcut);
    m_leaveFullScreen->setEnabled(false);
    connect(m_leaveFullScreen, &QShortcut::activated, this, [this] { setFullScreen(false); });
}

Form3::~Form3() = default;

void Form3::Form_Load() {
    setWindowTitle(resources::text(103));
}

void Form3::Form_Resize() {
    if (m_fullScreen) {
        // Nothing around the movie: it has the whole screen.
        p->setGeometry(rect());
        sw->setGeometry(p->rect());
        return;
    }
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

void Form3::setFullScreen(bool on) {
    if (on == m_fullScreen) return;
    m_fullScreen = on;
    m_leaveFullScreen->setEnabled(on);
    if (on) {
        m_normalGeometry = geometry();
        // A tool window is kept small and above its owner by many desktops; full screen is a
        // plain window's.
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        showFullScreen();
        raise();
        activateWindow();
        sw->setFocus();
        m_pointerIdle->start();
    } else {
        m_pointerIdle->stop();
        sw->unsetCursor();
        setWindowFlags(kWindowFlags);
        setGeometry(m_normalGeometry);
        showNormal();
        p->move(0, 0);
        sw->move(twips::toPixels(kControlOffset), twips::toPixels(kControlOffset));
    }
    Form_Resize();
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sw && m_fullScreen && event->type() == QEvent::MouseMove) {
        sw->unsetCursor();
        m_pointerIdle->start();
    }
    return QWidget::eventFilter(watched, event);
}

QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

void Form3::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form3::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    if (playWindowLinks().filesDropped) playWindowLinks().filesDropped(files);
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
