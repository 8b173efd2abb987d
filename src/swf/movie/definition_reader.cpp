// Dispatch from tag code to the format layer's decoder of that family.
#include "swf/movie/definition_reader.h"

#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/movie/sound_character.h"

namespace swf::movie {
namespace {

using format::TagCode;

template <typename T> std::unique_ptr<T> make(quint16 id) {
    auto character = std::make_unique<T>();
    character->id = id;
    return character;
}

int shapeVersionOf(TagCode code) {
    switch (code) {
    case TagCode::DefineShape2:
        return 2;
    case TagCode::DefineShape3:
        return 3;
    case TagCode::DefineShape4:
        return 4;
    default:
        return 1;
    }
}

void amendFontInfo(io::Reader& body, int code, MovieDefinition& movie, QString& problem) {
    const quint16 fontId = body.u16();
    auto* font = dynamic_cast<FontCharacter*>(movie.mutableCharacter(fontId));
    if (!font) {
        problem = QStringLiteral("font info for unknown font %1").arg(fontId);
        return;
    }
    format::readFontInfo(body, code == int(TagCode::DefineFontInfo2) ? 2 : 1, movie.stringCoding(),
                         font->font, problem);
}

void amendButtonColor(io::Reader& body, MovieDefinition& movie, QString& problem) {
    const quint16 buttonId = body.u16();
    auto* button = dynamic_cast<ButtonCharacter*>(movie.mutableCharacter(buttonId));
    format::ColorTransform cx;
    if (!button || !format::readButtonColorTransform(body, cx)) {
        problem = QStringLiteral("button colour transform for unknown button %1").arg(buttonId);
        return;
    }
    for (format::ButtonRecord& record : button->button.records)
        record.colorTransform = cx;
}

} // namespace

std::unique_ptr<Character> readDefinition(int code, io::Reader& body, MovieDefinition& movie,
                                          QString& problem) {
    const format::StringCoding coding = movie.stringCoding();
    const auto tag = static_cast<TagCode>(code);
    switch (tag) {
    case TagCode::DefineSound: {
        auto sound = std::make_unique<SoundCharacter>();
        if (!format::readDefineSound(body, sound->sound)) {
            problem = QStringLiteral("broken DefineSound skipped");
            return nullptr;
        }
        sound->id = sound->sound.id;
        return sound;
    }
    case TagCode::DefineShape:
    case TagCode::DefineShape2:
    case TagCode::DefineShape3:
    case TagCode::DefineShape4: {
        auto shape = make<ShapeCharacter>(body.u16());
        // A shape broken part way still shows the edges before the break.
        format::readShapeDefinition(body, shapeVersionOf(tag), shape->shape, problem);
        return shape;
    }
    case TagCode::DefineMorphShape:
    case TagCode::DefineMorphShape2: {
        auto morph = make<MorphShapeCharacter>(body.u16());
        if (!format::readMorphShape(body, tag == TagCode::DefineMorphShape2 ? 2 : 1, morph->morph, problem))
            return nullptr;
        return morph;
    }
    case TagCode::DefineBits:
    case TagCode::DefineBitsJpeg2:
    case TagCode::DefineBitsJpeg3:
    case TagCode::DefineBitsJpeg4:
    case TagCode::DefineBitsLossless:
    case TagCode::DefineBitsLossless2: {
        auto bitmap = make<BitmapCharacter>(body.u16());
        if (!format::readBitmap(body, code, movie.jpegTables, bitmap->data, problem)) return nullptr;
        return bitmap;
    }
    case TagCode::DefineFont:
    case TagCode::DefineFont2:
    case TagCode::DefineFont3: {
        auto font = make<FontCharacter>(body.u16());
        const int fontVersion = tag == TagCode::DefineFont ? 1 : tag == TagCode::DefineFont2 ? 2 : 3;
        if (!format::readFont(body, fontVersion, coding, font->font, problem)) return nullptr;
        return font;
    }
    case TagCode::DefineFontInfo:
    case TagCode::DefineFontInfo2:
        amendFontInfo(body, code, movie, problem);
        return nullptr;
    case TagCode::DefineText:
    case TagCode::DefineText2: {
        auto text = make<TextCharacter>(body.u16());
        if (!format::readText(body, tag == TagCode::DefineText2 ? 2 : 1, text->text, problem)) return nullptr;
        return text;
    }
    case TagCode::DefineEditText: {
        auto field = make<EditTextCharacter>(body.u16());
        if (!format::readEditText(body, coding, field->field, problem)) return nullptr;
        return field;
    }
    case TagCode::DefineButton:
    case TagCode::DefineButton2: {
        auto button = make<ButtonCharacter>(body.u16());
        if (!format::readButton(body, tag == TagCode::DefineButton2 ? 2 : 1, button->button, problem))
            return nullptr;
        return button;
    }
    case TagCode::DefineVideoStream: {
        auto video = std::make_unique<VideoCharacter>();
        if (!format::readDefineVideoStream(body, video->stream)) {
            problem = QStringLiteral("broken DefineVideoStream skipped");
            return nullptr;
        }
        video->id = video->stream.id;
        return video;
    }
    case TagCode::DefineButtonCxform:
        amendButtonColor(body, movie, problem);
        return nullptr;
    default:
        return nullptr; // not a character, or one this engine does not draw yet
    }
}

} // namespace swf::movie
