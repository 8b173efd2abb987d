#include "app/main_window.h"

#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/system_colors.h"
#include "platform/twips.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"
#include "playlist/list_file.h"
#include "playlist/play_list_window.h"
#include "resources/icons.h"
#include "resources/string_table.h"
#include "search/search_run.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {

// Client area of the design.
constexpr int kClientWidth = 3390;
constexpr int kClientHeight = 1380;
constexpr int kStatusTimerMs = 10;
constexpr int kRedockAfterShowMs = 250;

std::function<void()>& endProgramHandler() {
    static std::function<void()> handler;
    return handler;
}

QFont songFont(double points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QFont& font, bool blackBackground) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Window, Qt::black);
    label->setPalette(palette);
    label->setAutoFillBackground(blackBackground);
    label->setMouseTracking(true);
    label->installEventFilter(parent->window());
    return label;
}

} // namespace

Form1::Form1() {
    setObjectName(QStringLiteral("Form1"));
    linkSideWindows();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));
    client->setMouseTracking(true);
    client->installEventFilter(this);
    setCentralWidget(client);
    setMouseTracking(true);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kStatusTimerMs);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    buildPanel();
    buildButtons();
    buildMenus();
    buildKeys();
    setAcceptDrops(true);
    // Its size is known before it is first shown: start-up places the list window by it.
    adjustSize();
    // First place: near the top of the screen, centred, with room below for the list window.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + area.height() / 8);
    }
    // The timer runs from the window's creation.
    Timer1->start();
}

Form1::~Form1() = default;

void Form1::buildPanel() {
    Picture1 = new QWidget(centralWidget());
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    QPalette palette = Picture1->palette();
    palette.setColor(QPalette::Window, Qt::black);
    Picture1->setPalette(palette);
    twips::place(Picture1, 0, 0, 3375, 975);
    Picture1->setMouseTracking(true);
    Picture1->installEventFilter(this);

    Label1 = makeLabel(Picture1, "Label1", songFont(21.75, true), true);
    twips::place(Label1, 120, 120, 1335, 495);
    Label2 = makeLabel(Picture1, "Label2", QFont(), false);
    m_counterFont = Label2->font();
    twips::place(Label2, 2400, 0, 540, 180);
    Label3 = makeLabel(Picture1, "Label3", songFont(6.75, false), true);
    twips::place(Label3, 2280, 480, 450, 135);

    Image2 = new PictureBox(Picture1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(resources::pixmap(QStringLiteral("thumb"), twips::toPixels(240)));
    Image2->setToolTip(tr("拖动以跳到影片的任意位置"));
    Image2->setAccessibleName(tr("播放位置滑块"));
    twips::place(Image2, 0, 600, 240, 240);
    connect(Image2, &PictureBox::mouseDown, this, &Form1::Image2_MouseDown);
    connect(Image2, &PictureBox::mouseMove, this, &Form1::Image2_MouseMove);
    Image2->raise();

    Line5 = new LineShape(Picture1, 120, 840, 3240, 840);
    Line5->setObjectName(QStringLiteral("Line5"));
    Line5->setBorderColor(platform::systemColor(platform::kSystemColorCaptionText));
    Line5->lower();
}

void Form1::buildButtons() {
    static const char* const kTips[9] = {"播放",     "暂停",     "停止",         "后退十帧", "前进十帧",
                                         "按住快退", "按住快进", "打开本地影片", "Vantrel"};
    for (int i = 0; i < 9; ++i) {
        const int left = 120 + 360 * i;
        auto* image = new PictureBox(centralWidget());
        image->setObjectName(QStringLiteral("Image1_%1").arg(i));
        image->setPixmap(resources::pixmap(QStringLiteral("main_%1").arg(i), twips::toPixels(240)));
        twips::place(image, left, 1080, 240, 240);
        image->setToolTip(QString::fromUtf8(kTips[i]));
        image->setAccessibleName(QString::fromUtf8(kTips[i]));
        Image1[i] = image;
        connect(image, &PictureBox::clicked, this, [this, i] { Image1_Click(i); });
        connect(image, &PictureBox::mouseDown, this,
                [this, i](int b, int s, int x, int y) { Image1_MouseDown(i, b, s, x, y); });
        connect(image, &PictureBox::mouseMove, this,
                [this, i](int b, int s, int x, int y) { Image1_MouseMove(i, b, s, x, y); });
        connect(image, &PictureBox::mouseUp, this,
                [this, i](int b, int s, int x, int y) { Image1_MouseUp(i, b, s, x, y); });
        Line1[i] = new LineShape(centralWidget(), left, 1080, left, 1320);
        Line2[i] = new LineShape(centralWidget(), left + 240, 1080, left, 1080);
        Line3[i] = new LineShape(centralWidget(), left + 240, 1320, left + 240, 1080);
        Line4[i] = new LineShape(centralWidget(), left, 1320, left + 240, 1320);
        Line1[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        Line2[i]->setObjectName(QStringLiteral("Line2_%1").arg(i));
        Line3[i]->setObjectName(QStringLiteral("Line3_%1").arg(i));
        Line4[i]->setObjectName(QStringLiteral("Line4_%1").arg(i));
    }
}

QAction* Form1::addItem(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* Form1::addSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();
    // Six menus must fit the narrow window without an overflow arrow.
    bar->setStyleSheet(QStringLiteral("QMenuBar::item { padding: 2px 3px; }"));
    auto topMenu = [&](const char* name, const QString& text) {
        QMenu* menu = bar->addMenu(text);
        menu->setObjectName(QString::fromLatin1(name) + QStringLiteral("_menu"));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    QMenu* file = topMenu("munfile", tr("文件"));
    munfile = file->menuAction();
    QMenu* flash = file->addMenu(tr("打开Flash"));
    munfileflash = flash->menuAction();
    munfileflash->setObjectName(QStringLiteral("munfileflash"));
    munfileflashb = addItem(flash, "munfileflashb", tr("本地"));
    munfileflashy = addItem(flash, "munfileflashy", tr("远程"));
    affffffff = addSeparator(file, "affffffff");
    munfilenew = addItem(file, "munfilenew", tr("新建列表"));
    munfileopen = addItem(file, "munfileopen", tr("打开列表"));
    munfilesave = addItem(file, "munfilesave", tr("保存列表"));
    bffffffff = addSeparator(file, "bffffffff");
    munfileexit = addItem(file, "munfileexit", tr("退出"));

    QMenu* operate = topMenu("mundo", tr("操作"));
    mundo = operate->menuAction();
    mundoplay = addItem(operate, "mundoplay", tr("播放"));
    mundopuss = addItem(operate, "mundopuss", tr("暂停"));
    mundostop = addItem(operate, "mundostop", tr("停止"));
    mundogo = addItem(operate, "mundogo", tr("前十帧"));
    mundogom = addItem(operate, "mundogom", tr("后十帧"));
    mundokj = addItem(operate, "mundokj", tr("快退"));
    mundokt = addItem(operate, "mundokt", tr("快进"));
    cffffffff = addSeparator(operate, "cffffffff");
    munloop = addItem(operate, "munloop", QStringLiteral("Loop"));
    jeeeee = addSeparator(operate, "jeeeee");
    munlog = addItem(operate, "munlog", tr("放大"));
    munbig = addItem(operate, "munbig", tr("还原"));
    kk = addSeparator(operate, "kk");
    mundoget = addItem(operate, "mundoget", tr("拍图"));

    QMenu* settings = topMenu("munin", tr("设置"));
    munin = settings->menuAction();
    muninj = addItem(settings, "muninj", tr("基本设置"));
    Geeeeeeee = addSeparator(settings, "Geeeeeeee");
    QMenu* quality = settings->addMenu(tr("画面品质"));
    mundoqualitya = quality->menuAction();
    mundoqualitya->setObjectName(QStringLiteral("mundoqualitya"));
    const QString qualityTexts[4] = {tr("高"), tr("中"), tr("低"), tr("极低")};
    for (int i = 0; i < 4; ++i) {
        mundoquality[i] = quality->addAction(qualityTexts[i]);
        mundoquality[i]->setObjectName(QStringLiteral("mundoquality_%1").arg(i));
    }
    QMenu* codePages = settings->addMenu(tr("旧影片文字编码"));
    muninCodePage = codePages->menuAction();
    muninCodePage->setObjectName(QStringLiteral("muninCodePage"));
    muninCodePage->setToolTip(tr("Flash 5 及更早的影片不记录文字的编码，在此选择"));
    auto* codePageGroup = new QActionGroup(codePages);
    for (const CodePageChoice& choice : oldMovieCodePages()) {
        QAction* item = codePages->addAction(choice.label);
        item->setObjectName(QStringLiteral("muninCodePage_") + QString::fromLatin1(choice.name));
        item->setCheckable(true);
        codePageGroup->addAction(item);
        codePageItems << item;
        const QByteArray name = choice.name;
        connect(item, &QAction::triggered, this, [this, name] { setOldMovieCodePage(name, true); });
    }

    QMenu* tools = topMenu("muntoop", tr("工具"));
    muntoop = tools->menuAction();
    muntoopc = addItem(tools, "muntoopc", tr("搜索计算机中的Flash"));
    muntoopweb = addItem(tools, "muntoopweb", tr("网上Flash"));
    muntoopf = addItem(tools, "muntoopf", tr("我的收藏夹"));
    muntoops2e = addItem(tools, "muntoops2e", QStringLiteral("SWF2EXE"));
    muntoopmail = addItem(tools, "muntoopmail", tr("Flash邮件"));
    muntoopdu = addItem(tools, "muntoopdu", tr("制作缩略图"));

    QMenu* window = topMenu("munwindow", tr("窗口"));
    munwindow = window->menuAction();
    munwindowl = addItem(window, "munwindowl", tr("播放列表窗口"));
    munwindowplay = addItem(window, "munwindowplay", tr("播放窗口"));

    QMenu* help = topMenu("munhelp", tr("帮助"));
    munhelp = help->menuAction();
    munhelpme = addItem(help, "munhelpme", tr("主题"));
    munhelpz = addItem(help, "munhelpz", tr("指南"));
    munhelpfaq = addItem(help, "munhelpfaq", QStringLiteral("FAQ"));
    d = addSeparator(help, "d");
    munhelpmail = addItem(help, "munhelpmail", tr("给我发E_mail"));
    munhelpgoweb = addItem(help, "munhelpgoweb", tr("访问我的网站"));
    e = addSeparator(help, "e");
    munhelpabout = addItem(help, "munhelpabout", tr("关于"));

    // Items the design keeps but never shows.
    for (QAction* hidden : {mundokj, mundokt, kk, mundoget, muninj, Geeeeeeee, muntoopweb, muntoopf,
                            muntoops2e, muntoopmail, muntoopdu, munhelpme})
        hidden->setVisible(false);

    // The check marks are the running record of these choices; all are set until start-up
    // reads the settings.
    for (QAction* checkable : {munloop, munwindowl, munwindowplay, mundokj, mundokt})
        checkable->setCheckable(true);
    for (QAction* item : mundoquality)
        item->setCheckable(true);
    for (QAction* item : {munloop, munwindowl, munwindowplay})
        item->setChecked(true);
    for (QAction* item : mundoquality)
        item->setChecked(true);

    connect(munfileexit, &QAction::triggered, this, &Form1::munfileexit_Click);
    connect(munhelpz, &QAction::triggered, this, &Form1::munhelpz_Click);
    connect(munhelpfaq, &QAction::triggered, this, &Form1::munhelpfaq_Click);
    connect(munhelpgoweb, &QAction::triggered, this, &Form1::munhelpgoweb_Click);
    connect(munhelpmail, &QAction::triggered, this, &Form1::munhelpmail_Click);
    connect(munhelpabout, &QAction::triggered, this, &Form1::munhelpabout_Click);
    connect(muntoopc, &QAction::triggered, this, &Form1::muntoopc_Click);
    connect(muninj, &QAction::triggered, this, &Form1::muninj_Click);
    connect(mundoget, &QAction::triggered, this, &Form1::mundoget_Click);
    connect(munfileflashb, &QAction::triggered, this, &Form1::munfileflashb_Click);
    connect(munfileflashy, &QAction::triggered, this, &Form1::munfileflashy_Click);
    connect(munfilenew, &QAction::triggered, this, &Form1::munfilenew_Click);
    connect(munfileopen, &QAction::triggered, this, &Form1::munfileopen_Click);
    connect(munfilesave, &QAction::triggered, this, &Form1::munfilesave_Click);
    // Checkable items flip their mark before the handler runs; the handlers decide by the
    // mark as it stood, so the flip is undone first.
    auto checkHandler = [this](QAction* item, void (Form1::*handler)()) {
        connect(item, &QAction::triggered, this, [this, item, handler] {
            item->setChecked(!item->isChecked());
            (this->*handler)();
        });
    };
    checkHandler(munwindowl, &Form1::munwindowl_Click);
    checkHandler(munwindowplay, &Form1::munwindowplay_Click);
    checkHandler(munloop, &Form1::munloop_Click);
    connect(munlog, &QAction::triggered, this, &Form1::munlog_Click);
    connect(munbig, &QAction::triggered, this, &Form1::munbig_Click);
    connect(mundoplay, &QAction::triggered, this, [this] { Image1_Click(0); });
    connect(mundopuss, &QAction::triggered, this, [this] { Image1_Click(1); });
    connect(mundostop, &QAction::triggered, this, [this] { Image1_Click(2); });
    connect(mundogo, &QAction::triggered, this, [this] { Image1_Click(3); });
    connect(mundogom, &QAction::triggered, this, [this] { Image1_Click(4); });
    for (int i = 0; i < 4; ++i)
        connect(mundoquality[i], &QAction::triggered, this, [this, i] {
            mundoquality[i]->setChecked(!mundoquality[i]->isChecked());
            mundoquality_Click(i);
        });
}

void Form1::Form_Load() {
    hide();
    scanMode = 0;
    setWindowIcon(resources::icon(QStringLiteral("app")));
    setWindowTitle(resources::text(117));
    Label2->setText(QStringLiteral("0000/0000"));
    placeFrameCounter();
    Label1->setText(QStringLiteral("00:00"));
    showStateText(QString());
    mundokj->setChecked(false);
    mundokt->setChecked(false);
    for (int i = 0; i < 9; ++i)
        setFrameLook(i, FrameLook::Flat);

    const QString ini = settingsFilePath();
    const StartupSettings settings = readStartupSettings(ini);
    if (settings.showListWindow) {
        munwindowl->setChecked(true);
        Form2* list = forms::get<Form2>();
        list->show();
        twips::move(list, twips::left(this), twips::top(this) + twips::height(this));
        twips::setWidth(list, twips::width(this));
    } else {
        munwindowl->setChecked(false);
    }
    if (settings.showPlayWindow) {
        munwindowplay->setChecked(true);
        forms::get<Form3>()->show();
    } else {
        munwindowplay->setChecked(false);
    }
    scanStep = settings.scanStep;
    if (settings.loop == StartupSettings::Loop::Off) {
        munloop->setChecked(false);
        sw()->setLoop(false);
    } else if (settings.loop == StartupSettings::Loop::On) {
        munloop->setChecked(true);
        sw()->setLoop(true);
    }
    frameStep = settings.frameStep;
    for (QAction* item : mundoquality)
        item->setChecked(false);
    if (settings.qualityIndex >= 0 && settings.qualityIndex <= 3) {
        mundoquality[settings.qualityIndex]->setChecked(true);
        sw()->setQuality2(qualityName(settings.qualityIndex));
    }
    zoomPercent = settings.zoomPercent;
    const PlayerSettings player = readPlayerSettings(ini);
    volumePercent = player.volume;
    setMuted(player.muted);
    continuousPlay = player.continuousPlay;
    setOldMovieCodePage(player.codePage, false);
    show();
    if (settings.showListWindow) {
        // The list window was placed by the main window's outer size before the desktop
        // had framed it; once the frame is known, set it directly below again.
        QTimer::singleShot(kRedockAfterShowMs, this, [this] {
            Form2* list = forms::loaded<Form2>();
            if (list && munwindowl->isChecked())
                twips::move(list, twips::left(this), twips::top(this) + twips::height(this));
        });
    }
}

ShockwaveFlash* Form1::sw() {
    return Form3::control();
}

bool Form1::timer1Enabled() const {
    return Timer1->isActive();
}

void Form1::setTimer1Enabled(bool enabled) {
    if (enabled && !Timer1->isActive())
        Timer1->start();
    else if (!enabled)
        Timer1->stop();
}

void Form1::munfileexit_Click() {
    if (m_exiting) return;
    const platform::MessageResult answer =
        platform::messageBox(this, tr("真的要退出吗？"), platform::MessageButtons::YesNo,
                             platform::MessageIcon::Warning, platform::MessageResult::No);
    if (answer != platform::MessageResult::Yes) return;

    ExitSettings values;
    values.listPath = listpath();
    values.listWindowChecked = munwindowl->isChecked();
    values.playWindowChecked = munwindowplay->isChecked();
    values.loopChecked = munloop->isChecked();
    values.checkedQualityIndex = -1;
    for (int i = 0; i < 4; ++i)
        if (mundoquality[i]->isChecked()) values.checkedQualityIndex = i;
    writeExitSettings(values, settingsFilePath());
    writePlayerSettings({volumePercent, muted, continuousPlay, oldMovieCodePage}, settingsFilePath());
    endProgram();
}

void Form1::endProgram() {
    m_exiting = true;
    // A search walk runs inside the event loop; left alone it would go on walking the disk
    // and filling the hidden list long after the windows are gone.
    search::stopSearch();
    if (endProgramHandler()) {
        endProgramHandler()();
        return;
    }
    // Every window goes at once; no window's own closing handling runs, so nothing else is saved.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

void Form1::setEndProgramHandler(std::function<void()> handler) {
    endProgramHandler() = std::move(handler);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The title bar's close does what the exit command does: ask, save, end. Leaving the
    // process alive without any window would strand the user.
    event->ignore();
    if (!m_exiting) munfileexit_Click();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint p = mouse->position().toPoint();
        const int x = twips::fromPixels(p.x());
        const int y = twips::fromPixels(p.y());
        if (event->type() == QEvent::MouseMove) {
            // The labels take the pointer themselves: moves over them are not the panel's.
            if (watched == Label1 || watched == Label2 || watched == Label3) return true;
            const int button = designButton(mouse->buttons());
            const int shift = designShift(mouse->modifiers());
            if (watched == Picture1) {
                Picture1_MouseMove(button, shift, x, y);
                return true;
            }
            if (watched == centralWidget()) {
                Form_MouseMove(button, shift, x, y);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
