#include "commands/transport.h"

#include "platform/number_text.h"
#include "player/shockwave_flash.h"

namespace commands {

std::optional<bool> transport(ShockwaveFlash& control, int index, qint32 frameStep) {
    switch (index) {
    case 0:
        control.Play();
        return true;
    case 1:
        control.Stop();
        return false;
    case 2:
        control.Stop();
        control.Rewind();
        return false;
    case 3:
        if (control.FrameNum() > frameStep) {
            // Targets are reckoned in 64 bits: long movies step past frame 32,767 like any other.
            control.TGotoFrame(QStringLiteral("/"), clampFrame(qint64(control.FrameNum()) - frameStep));
            control.Play();
            return true;
        }
        control.Stop();
        control.Rewind();
        return false;
    case 4: {
        if (!control.Playing()) return false;
        const qint64 remaining = qint64(control.TotalFrames()) - control.FrameNum();
        if (remaining > frameStep) {
            control.TGotoFrame(QStringLiteral("/"), clampFrame(qint64(control.FrameNum()) + frameStep));
            control.Play();
            return true;
        }
        control.TGotoFrame(QStringLiteral("/"), control.TotalFrames());
        control.Stop();
        return false;
    }
    default:
        return std::nullopt;
    }
}

} // namespace commands
