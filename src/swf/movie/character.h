// Characters of a movie's library, by kind. Each holds its decoded definition; instances on
// the stage point at them. Owned by the movie definition.
#pragma once

#include "swf/format/bitmaps.h"
#include "swf/format/buttons.h"
#include "swf/format/edit_text.h"
#include "swf/format/fonts.h"
#include "swf/format/morph.h"
#include "swf/format/shapes.h"
#include "swf/format/video.h"
#include "swf/movie/timeline.h"

#include <QImage>

namespace swf::movie {

enum class CharacterKind {
    Shape,
    MorphShape,
    Bitmap,
    Font,
    Text,
    EditText,
    Button,
    Sprite,
    Sound,
    Video,
    Other
};

struct Character {
    explicit Character(CharacterKind k) : kind(k) {}
    virtual ~Character() = default;
    CharacterKind kind;
    quint16 id = 0;
};

struct SpriteCharacter final : Character {
    SpriteCharacter() : Character(CharacterKind::Sprite) {}
    Timeline timeline;
    int declaredFrameCount = 0;
    // It showed no frame at all: the timeline's one frame is only a place for the clip to be.
    bool frameless = false;
};

struct ShapeCharacter final : Character {
    ShapeCharacter() : Character(CharacterKind::Shape) {}
    format::ShapeDefinition shape;
};

struct MorphShapeCharacter final : Character {
    MorphShapeCharacter() : Character(CharacterKind::MorphShape) {}
    format::MorphShapeDefinition morph;
};

struct BitmapCharacter final : Character {
    BitmapCharacter() : Character(CharacterKind::Bitmap) {}
    // The encoded bytes are let go once decoded: the decoded image is kept from then on, and
    // keeping both would nearly double what a movie of large bitmaps takes.
    mutable format::BitmapData data;
    // Decoded on first use: most movies show only some of their bitmaps at a time.
    const QImage& image() const;

  private:
    mutable QImage m_image;
    mutable bool m_decoded = false;
};

struct FontCharacter final : Character {
    FontCharacter() : Character(CharacterKind::Font) {}
    format::FontDefinition font;
};

struct TextCharacter final : Character {
    TextCharacter() : Character(CharacterKind::Text) {}
    format::TextDefinition text;
};

struct EditTextCharacter final : Character {
    EditTextCharacter() : Character(CharacterKind::EditText) {}
    format::EditTextDefinition field;
};

struct ButtonCharacter final : Character {
    ButtonCharacter() : Character(CharacterKind::Button) {}
    format::ButtonDefinition button;
};

struct VideoCharacter final : Character {
    VideoCharacter() : Character(CharacterKind::Video) {}
    format::VideoStreamDefinition stream;

    struct Packet {
        quint16 frameNumber = 0;
        bool keyFrame = false;
        QByteArray data;
    };
    // By frame number. VideoFrame tags arrive after their stream is defined, wherever its
    // instances are placed, and a placement's ratio picks one: they are gathered here.
    const std::vector<Packet>& packets() const { return m_packets; }
    // False (and nothing kept) for a number already given or past the limit.
    bool addPacket(quint16 frameNumber, QByteArray data);
    // The index in packets() of frameNumber, or of the last packet before it; -1 when none.
    int packetAtOrBefore(int frameNumber) const;

  private:
    std::vector<Packet> m_packets;
};

} // namespace swf::movie
