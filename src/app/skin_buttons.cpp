// Form1's picture buttons with their framed looks, the pointer over the window's own
// surface (flattening, ending a seek grab, docking the list window), and the two
// window toggles.
#include "app/main_window.h"
#include "commands/open_movie.h"
#include "commands/transport.h"
#include "platform/forms.h"
#include "platform/twips.h"
#include "player/play_window.h"
#include "playlist/play_list_window.h"

void Form1::setFrameLook(int index, FrameLook look) {
    applyFrameLook(Line1[index], Line2[index], Line3[index], Line4[index], look);
}

void Form1::Image1_MouseMove(int index, int, int, int, int) {
    setFrameLook(index, FrameLook::Raised);
    // While the button is held the pointer belongs to it; a drag does not reach the panel.
}

void Form1::Image1_MouseDown(int index, int, int, int, int) {
    setFrameLook(index, FrameLook::Pressed);
    if (index == 5) scanMode = 1;
    if (index == 6) scanMode = 2;
}

void Form1::Image1_MouseUp(int index, int, int, int, int) {
    if (index == 5 || index == 6) scanMode = 0;
}

void Form1::Image1_Click(int index) {
    if (index >= 0 && index <= 4) {
        if (const std::optional<bool> timer = commands::transport(*sw(), index, frameStep))
            setTimer1Enabled(*timer);
    } else if (index == 7) {
        commands::openLocalMovie(this);
    }
}

void Form1::Form_MouseMove(int, int, int, int) {
    for (int i = 0; i < 9; ++i)
        setFrameLook(i, FrameLook::Flat);
    seekDragging = false;
    Form2* list = forms::get<Form2>();
    twips::move(list, twips::left(this), twips::top(this) + twips::height(this));
}

void Form1::munwindowl_Click() {
    if (munwindowl->isChecked()) {
        forms::unload<Form2>();
        munwindowl->setChecked(false);
        return;
    }
    munwindowl->setChecked(true);
    Form2* list = forms::get<Form2>();
    list->show();
    list->raise();
    twips::move(list, twips::left(this), twips::top(this) + twips::height(this));
    twips::setWidth(list, twips::width(this));
}

void Form1::munwindowplay_Click() {
    if (munwindowplay->isChecked()) {
        forms::unload<Form3>();
        munwindowplay->setChecked(false);
        return;
    }
    munwindowplay->setChecked(true);
    Form3* play = forms::get<Form3>();
    play->show();
    play->raise();
    twips::move(play, twips::left(this) - twips::width(play), twips::top(this));
    const int listWidth = twips::width(forms::get<Form2>());
    twips::setWidth(forms::get<Form3>(), listWidth + twips::width(this));
}
