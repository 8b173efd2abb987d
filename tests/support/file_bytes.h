// Files as bytes, and texts as the 8-bit bytes files hold, for tests of file formats.
#pragma once

#include "platform/text_codec.h"

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray gb(const QString& text) {
    return platform::toLocal8(text);
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
