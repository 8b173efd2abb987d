// Records of the display-list control tags: PlaceObject 1-3, RemoveObject 1-2, FrameLabel,
// SetBackgroundColor.
#pragma once

#include "swf/format/records.h"
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
    QByteArray clipActions;               // raw CLIPACTIONS, read by the script layer
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
bool readExports(io::Reader& reader, int swfVersion, Exports& out);
bool readPlaceObject(io::Reader& reader, int tagCode, int swfVersion, PlaceObject& out);
bool readRemoveObject(io::Reader& reader, int tagCode, RemoveObject& out);
std::vector<Filter> readFilterList(io::Reader& reader);

} // namespace swf::format
