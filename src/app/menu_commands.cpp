// Form1's menu handlers that hand their work to the commands: help and tools, screen capture,
// loop, zoom and picture quality; and what the side windows tell the main window.
#include "app/main_window.h"

#include "commands/about_window.h"
#include "commands/basic_settings_window.h"
#include "commands/capture.h"
#include "commands/help.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"
#include "playlist/play_list_window.h"
#include "resources/string_table.h"
#include "search/search_run.h"
#include "search/search_window.h"

#include <QAction>
#include <QLabel>

namespace {
template <class F> void showForm() {
    F* form = forms::get<F>();
    form->show();
    form->raise();
    form->activateWindow();
}

// The play window's loading states become the main window's status text; once the movie is
// in, the status timer runs and the frame count is known.
void showReadyState(ShockwaveFlash& control) {
    Form1* main = forms::loaded<Form1>();
    if (!main) return;
    if (control.Movie().isEmpty()) {
        // No movie: the panel goes back to how it starts, rather than still claiming a
        // loaded movie and a frame of it.
        main->showNoMovie();
        return;
    }
    const int state = control.ReadyState();
    if (state >= 0 && state <= 3) {
        main->movieLoading();
        main->showStateText(readyStateText(state));
    } else if (state == 4) {
        main->setTimer1Enabled(true);
        main->showStateText(resources::text(110));
    }
    if (control.ReadyState() == 4) main->mm = control.TotalFrames();
}
} // namespace

void Form1::linkSideWindows() {
    playWindowLinks().unloaded = [] {
        if (Form1* main = forms::loaded<Form1>()) main->munwindowplay->setChecked(false);
    };
    playWindowLinks().readyStateChanged = showReadyState;
    playWindowLinks().menuRequested = [](const QPoint& globalPos) {
        if (Form1* main = forms::loaded<Form1>()) main->showPlayMenu(globalPos);
    };
    playWindowLinks().filesDropped = [](const QStringList& files) {
        if (Form1* main = forms::loaded<Form1>()) main->openFiles(files);
    };
    playListWindowLinks().playWindowWanted = [] {
        Form1* main = forms::loaded<Form1>();
        if (main && !main->munwindowplay->isChecked()) main->munwindowplay_Click();
    };
    playListWindowLinks().unloaded = [] {
        if (Form1* main = forms::loaded<Form1>()) main->munwindowl->setChecked(false);
    };
}

void Form1::munhelpz_Click() {
    platform::shellOpen(platform::programFile(QStringLiteral("readme.txt")));
}
void Form1::munhelpfaq_Click() {
    platform::shellOpen(commands::makerWebAddress());
}
void Form1::munhelpgoweb_Click() {
    platform::shellOpen(commands::makerWebAddress());
}
void Form1::munhelpmail_Click() {
    platform::shellOpen(commands::makerMailUrl());
}
void Form1::munhelpabout_Click() {
    showForm<frmabout>();
}
void Form1::muntoopc_Click() {
    search::showSearchDialog();
}
void Form1::muninj_Click() {
    showForm<Form8>();
}

void Form1::mundoget_Click() {
    const QRect outer = forms::get<Form3>()->frameGeometry();
    commands::ScrnCap(outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height());
}

void Form1::munloop_Click() {
    if (munloop->isChecked()) {
        munloop->setChecked(false);
        sw()->setLoop(false);
    } else {
        munloop->setChecked(true);
        sw()->setLoop(true);
    }
}

void Form1::munlog_Click() {
    sw()->Zoom(zoomPercent);
}

void Form1::munbig_Click() {
    sw()->Zoom(0);
}

void Form1::mundoquality_Click(int index) {
    if (index < 0 || index > 3) return;
    for (QAction* item : mundoquality)
        item->setChecked(false);
    mundoquality[index]->setChecked(true);
    sw()->setQuality2(qualityName(index));
}
