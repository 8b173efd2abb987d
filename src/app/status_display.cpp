// Form1's status timer and seek bar: polling the movie control, the frame counter, the
// thumb, fast rewind and fast forward while a scan button is held, and seeking by drag.
#include "app/main_window.h"
#include "platform/number_text.h"
#include "platform/twips.h"
#include "player/shockwave_flash.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {
// The thumb's run in twips stands for the whole movie.
constexpr int kThumbRun = 3120;
// From here on a grabbed thumb no longer follows the pointer.
constexpr int kThumbFollowLimit = 3100;
constexpr int kThumbTop = 600;
constexpr int kCounterLeft = 2400;
constexpr int kStateTextTop = 480;
constexpr int kPanelMarginPx = 2;
constexpr double kSmallestCounterPoints = 5.0;
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
    continueThroughList();
    ss = control->FrameNum();
    showFrameCounter(ss, mm);
    Label1->setText(timeText(ss, control->frameRate()));
    const qint32 total = control->TotalFrames();
    const qint32 frame = control->FrameNum();
    if (total == 0) return;
    const int left = roundHalfEven32(double(qint64(frame) * kThumbRun) / total);
    Image2->setLeftTwips(left);
}

QString Form1::timeText(qint32 frame, double framesPerSecond) {
    if (framesPerSecond <= 0 || frame <= 0) return QStringLiteral("00:00");
    const qint64 seconds = qint64(std::floor(double(frame) / framesPerSecond));
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void Form1::showNoMovie() {
    mm = 0;
    ss = 0;
    Label1->setText(QStringLiteral("00:00"));
    Label2->setText(QStringLiteral("0000/0000"));
    placeFrameCounter();
    showStateText(QString());
    Image2->setLeftTwips(0);
}

void Form1::showFrameCounter(qint32 frame, qint32 total) {
    Label2->setText(numberText(frame) + QLatin1Char('/') + numberText(total));
    placeFrameCounter();
}

void Form1::placeFrameCounter() {
    // The counter sits at its designed place while it fits the panel; longer counts move it
    // left, as far as the time display, and only then take a smaller type, so every pair of
    // frame numbers is read whole.
    QFont font = m_counterFont;
    Label2->setFont(font);
    Label2->adjustSize();
    const int right = Picture1->width() - kPanelMarginPx;
    const int leftmost = Label1->geometry().right() + 1 + kPanelMarginPx;
    while (right - Label2->width() < leftmost && font.pointSizeF() > kSmallestCounterPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        Label2->setFont(font);
        Label2->adjustSize();
    }
    const int designed = twips::toPixels(kCounterLeft);
    Label2->move(std::max(leftmost, std::min(designed, right - Label2->width())), Label2->y());
}

void Form1::showStateText(const QString& text) {
    Label3->setText(text);
    Label3->adjustSize();
    // The thumb runs just below; the text keeps clear of it so the thumb never covers it.
    const int thumbTop = twips::toPixels(kThumbTop);
    Label3->move(Label3->x(), std::min(twips::toPixels(kStateTextTop), thumbTop - Label3->height()));
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

void Form1::Image2_MouseMove(int button, int shift, int x, int y) {
    // While the left button is held the thumb has the pointer to itself, so the panel hears
    // nothing; the moves are the panel's all the same, and the thumb follows and seeks as the
    // pointer goes, as a seek bar does, instead of only after the release.
    if (!(button & 1)) return;
    const int panelX = std::max(0, Image2->leftTwips() + x);
    Picture1_MouseMove(button, shift, panelX, twips::fromPixels(Image2->y()) + y);
}

void Form1::Picture1_MouseMove(int, int, int x, int) {
    if (x >= kThumbFollowLimit || !seekDragging) return;
    Image2->setLeftTwips(x);
    m_sawPlaying = false; // a seek to the end is not the movie ending
    ShockwaveFlash* control = sw();
    if (control->Movie().isEmpty()) return;
    const qint32 total = control->TotalFrames();
    control->GotoFrame(total == 0 ? 0 : roundHalfEven32(double(x) * total / kThumbRun));
}
