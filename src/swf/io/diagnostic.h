// One note about something in a movie that could not be read as written.
#pragma once

#include <QString>

namespace swf {

struct Diagnostic {
    QString message;
    int tagCode = -1;   // tag being read, -1 when not inside a tag
    qint64 offset = -1; // byte offset in the uncompressed stream, -1 when unknown
    int frame = -1;     // root frame being read, -1 when unknown
};

} // namespace swf
