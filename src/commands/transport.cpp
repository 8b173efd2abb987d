#include "commands/transport.h"

#include "app/main_window.h"
#include "app/number_text.h"
#include "player/shockwave_flash.h"

namespace commands {

void transport(Form1& window, int index) {
    ShockwaveFlash* control = Form1::sw();
    switch (index) {
    case 0:
        window.setTimer1Enabled(true);
        control->Play();
        break;
    case 1:
        window.setTimer1Enabled(false);
        control->Stop();
        break;
    case 2:
        window.setTimer1Enabled(false);
        control->Stop();
        control->Rewind();
        break;
    case 3:
        if (control->FrameNum() > window.frameStep) {
            // Targets are reckoned in 64 bits: long movies step past frame 32,767 like any other.
            control->TGotoFrame(QStringLiteral("/"),
                                clampFrame(qint64(control->FrameNum()) - window.frameStep));
            control->Play();
            window.setTimer1Enabled(true);
        } else {
            control->Stop();
            control->Rewind();
            window.setTimer1Enabled(false);
        }
        break;
    case 4: {
        if (!control->Playing()) {
            window.setTimer1Enabled(false);
            break;
        }
        const qint64 remaining = qint64(control->TotalFrames()) - control->FrameNum();
        if (remaining > window.frameStep) {
            control->TGotoFrame(QStringLiteral("/"),
                                clampFrame(qint64(control->FrameNum()) + window.frameStep));
            control->Play();
            window.setTimer1Enabled(true);
        } else {
            control->TGotoFrame(QStringLiteral("/"), control->TotalFrames());
            control->Stop();
            window.setTimer1Enabled(false);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace commands
