// Form1's "文件" menu: opening movies, and the list commands that forward to the play
// list window.
#include "app/main_window.h"
#include "commands/open_movie.h"
#include "commands/remote_open_window.h"
#include "platform/forms.h"
#include "playlist/play_list_window.h"

void Form1::munfileflashb_Click() {
    commands::openLocalMovie(this);
}

void Form1::munfileflashy_Click() {
    Form4* remote = forms::get<Form4>();
    remote->show();
    remote->raise();
    remote->activateWindow();
}

void Form1::munfilenew_Click() {
    forms::get<Form2>()->Image1_Click(0);
}
void Form1::munfileopen_Click() {
    forms::get<Form2>()->Image1_Click(1);
}
void Form1::munfilesave_Click() {
    forms::get<Form2>()->Image1_Click(2);
}
