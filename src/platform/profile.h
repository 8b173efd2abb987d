#pragma once
// Our own reader and writer of sectioned key files ("[section]" lines, "key=value" lines),
// with the lookup and update rules of the classic private-profile functions. The settings
// file is the only user.

#include <QString>
#include <QtGlobal>

namespace platform {

// Only this much of a file is looked at; the settings file is a few hundred bytes, and a
// larger file is not ours to parse in full (nor to rewrite).
inline constexpr qint64 kMaxProfileFileBytes = qint64(1) << 20;

// The readers' buffer holds 256 bytes with the terminating zero, so at most 255 bytes of a
// value (of 8-bit file text) are seen.
inline constexpr int kMaxProfileValueBytes = 255;

struct ProfileValue {
    QString value;
    // Bytes of 8-bit text copied: the value's (or, for a missing key, the default's) length
    // after the cut at kMaxProfileValueBytes; 0 for a key present with an empty value.
    int copied = 0;
};

// The value of `key` in `section` of the file, blanks around it removed, cut at
// kMaxProfileValueBytes without splitting a character. Section and key names are compared
// without case; the first of duplicate sections or keys counts. A missing file, section or
// key gives `defaultValue` (cut the same way).
ProfileValue readProfileString(const QString& section, const QString& key, const QString& defaultValue,
                               const QString& filePath);

// Sets `key` in `section` to `value`: replaces the value where it stands, or adds the key
// after the last key of the section, or adds the section at the end of the file, creating the
// file. Every other line keeps its bytes and line end. The file is replaced atomically, so a
// failure leaves it as it was. Fails for names or values that could not be read back as
// written (line breaks, a key holding "=", a section name holding "]", empty names) and for a
// file larger than kMaxProfileFileBytes.
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& filePath);

} // namespace platform
