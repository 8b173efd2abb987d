// Loop, zoom and picture quality: Form1's view commands.
#include "app/main_window.h"
#include "app/settings.h"
#include "player/shockwave_flash.h"

#include <QAction>

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
