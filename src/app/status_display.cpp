// Form1's status timer and seek bar: polling the movie control, the frame counter, the
// thumb, fast rewind and fast forward while a scan button is held, and seeking by drag.
#include "app/main_window.h"
#include "platform/number_text.h"
#include "platform/twips.h"
#include "player/shockwave_flash.h"

#include <QLabel>

namespace {
// The thumb's run in twips stands for the whole movie.
constexpr int kThumbRun = 3120;
// From here on a grabbed thumb no longer follows the pointer.
constexpr int kThumbFollowLimit = 3100;
} // namespace

void Form1::Timer1_Timer() {
    ShockwaveFlash* control = sw();
    if (scanMode != 0) {
        if (scanMode == 1) {
            control->GotoFrame(clampFrame(qint64(control->FrameNum()) - scanStep));
            control->Play();
            if (control->FrameNum() < scanStep) {
                control->GotoFrame(1);
                control->Stop();
                scanMode = 0;
            }
        } else {
            control->GotoFrame(clampFrame(qint64(control->FrameNum()) + scanStep));
            control->Play();
            // The control never reports a frame past its last, so the scan ends on
            // reaching the last frame rather than running on against the end.
            const qint32 total = control->TotalFrames();
            const qint32 frame = control->FrameNum();
            if (total > 0 && frame >= total - 1) {
                control->GotoFrame(total - 1);
                control->Stop();
                scanMode = 0;
            }
        }
    }
    if (control->ReadyState() != 4) return;
    ss = control->FrameNum();
    Label2->setText(numberText(ss) + QLatin1Char('/') + numberText(mm));
    Label2->adjustSize();
    const qint32 total = control->TotalFrames();
    const qint32 frame = control->FrameNum();
    if (total == 0) return;
    const int left = roundHalfEven32(double(qint64(frame) * kThumbRun) / total);
    Image2->setLeftTwips(left);
}

void Form1::Image2_MouseDown(int button, int, int, int) {
    if (button == 1) {
        seekDragging = true;
        return;
    }
    seekDragging = false;
    ShockwaveFlash* control = sw();
    if (!control->Movie().isEmpty()) control->Play();
}

void Form1::Picture1_MouseMove(int, int, int x, int) {
    if (x >= kThumbFollowLimit || !seekDragging) return;
    Image2->setLeftTwips(x);
    ShockwaveFlash* control = sw();
    if (control->Movie().isEmpty()) return;
    const qint32 total = control->TotalFrames();
    control->GotoFrame(total == 0 ? 0 : roundHalfEven32(double(x) * total / kThumbRun));
}
