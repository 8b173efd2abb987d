// Colours as the designs give them: 0x00BBGGRR values, or 0x80000000 plus n for the
// desktop's system colour n, mapped onto the running style's palette.
#pragma once

#include <QColor>

namespace platform {

inline constexpr quint32 kSystemColorWindow = 0x80000005;       // window background
inline constexpr quint32 kSystemColorCaptionText = 0x80000009;  // title bar text
inline constexpr quint32 kSystemColorActiveBorder = 0x8000000A; // active window border
inline constexpr quint32 kSystemColorButtonFace = 0x8000000F;   // button face

QColor systemColor(quint32 designColor);

} // namespace platform
