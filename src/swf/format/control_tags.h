// Records of the display-list control tags: PlaceObject 1-3, RemoveObject 1-2, FrameLabel,
// SetBackgroundColor.
#pragma once

#include "swf/format/records.h"
#include "swf/format/text_encoding.h"
#include "swf/io/reader.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <optional>
#include <vector>

namespace swf::format {

enum class BlendMode : quint8 {
    Normal = 1,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight
};

struct Filter {
    quint8 type = 0; // 0 drop shadow, 1 blur, 2 glow, 3 bevel, 4 gradient glow, 5 convolution,
                     // 6 colour matrix, 7 gradient bevel
    QByteArray data; // the filter's body as stored, for a later filter renderer
};

// One record of a PlaceObject's clip actions: the clip events it answers, the key of a key
// press event, and the actions.
struct ClipActionRecord {
    quint32 events = 0;
    quint8 keyCode = 0;
    QByteArray actions;
};
// Clip event flags as the records number them (SWF 6 widened them to 32 bits).
namespace clip_events {
constexpr quint32 kLoad = 0x1;
constexpr quint32 kEnterFrame = 0x2;
constexpr quint32 kUnload = 0x4;
constexpr quint32 kMouseMove = 0x8;
constexpr quint32 kMouseDown = 0x10;
constexpr quint32 kMouseUp = 0x20;
constexpr quint32 kKeyDown = 0x40;
constexpr quint32 kKeyUp = 0x80;
constexpr quint32 kData = 0x100;
constexpr quint32 kInitialize = 0x200;
constexpr quint32 kPress = 0x400;
constexpr quint32 kRelease = 0x800;
constexpr quint32 kReleaseOutside = 0x1000;
constexpr quint32 kRollOver = 0x2000;
constexpr quint32 kRollOut = 0x4000;
constexpr quint32 kDragOver = 0x8000;
constexpr quint32 kDragOut = 0x10000;
constexpr quint32 kKeyPress = 0x20000;
constexpr quint32 kConstruct = 0x40000;
} // namespace clip_events

// CLIPACTIONS, as far as its records are whole: a broken record ends the list and those
// before it stay.
QList<ClipActionRecord> readClipActions(io::Reader& reader, int swfVersion);

struct PlaceObject {
    int depth = 0;
    bool move = false; // modifies (or replaces the character of) what is at depth
    std::optional<quint16> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;
    std::optional<quint16> ratio;
    std::optional<QString> name;
    std::optional<quint16> clipDepth;
    std::optional<BlendMode> blendMode;
    std::optional<std::vector<Filter>> filters;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<QRgb> opaqueBackground; // the box behind the object, filled with this colour
    QList<ClipActionRecord> clipActions;
};

struct RemoveObject {
    int depth = 0;
    std::optional<quint16> characterId; // only RemoveObject (1) names it
};

// DoInitAction: actions that run once, before the first frame showing the sprite defined here.
struct InitActions {
    quint16 spriteId = 0;
    QByteArray actions;
};

// ExportAssets, and the names an ImportAssets brings in: characters scripts may attach by
// name from this frame on. Names are decoded as the movie's other strings are.
struct ExportedName {
    quint16 id = 0;
    QString name;
};
struct Exports {
    std::vector<ExportedName> names;
};

// Each returns false when the record is broken; the tag is then skipped.
bool readInitActions(io::Reader& reader, InitActions& out);
// Reads the names up to the first broken one; false when none could be read.
// The key export names match by, in the movie and across ImportAssets: names are decoded
// by each movie's version, then match without regard to ASCII case only.
QString exportKey(const QString& name);

bool readExports(io::Reader& reader, const StringCoding& coding, Exports& out);
bool readPlaceObject(io::Reader& reader, int tagCode, const StringCoding& coding, PlaceObject& out);
bool readRemoveObject(io::Reader& reader, int tagCode, RemoveObject& out);
std::vector<Filter> readFilterList(io::Reader& reader);

} // namespace swf::format
