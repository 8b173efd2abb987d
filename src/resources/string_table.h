#pragma once
// The numbered user-interface texts (ids 101 to 152) from which windows take their captions
// and messages.

#include <QString>

namespace resources {

inline constexpr int kFirstStringId = 101;
inline constexpr int kLastStringId = 152;

// The text of string `id`; empty for an id outside kFirstStringId..kLastStringId.
QString text(int id);

} // namespace resources
