#include "swf/stage/bounds.h"

#include "swf/stage/bitmap_instance.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/text_field.h"

namespace swf::stage {

namespace {

void include(std::optional<QRectF>& total, const QRectF& rect) {
    if (!total) {
        total = rect;
        return;
    }
    // United by hand: QRectF::united drops rectangles without area.
    total = QRectF(QPointF(std::min(total->left(), rect.left()), std::min(total->top(), rect.top())),
                   QPointF(std::max(total->right(), rect.right()), std::max(total->bottom(), rect.bottom())));
}

template <typename Children> void includeChildren(std::optional<QRectF>& total, const Children& children) {
    for (const auto& [depth, child] : children) {
        if (child->placement().clipDepth != 0) continue; // masks shape others, they add no area
        if (const auto bounds = localBounds(*child))
            include(total, child->placement().matrix.toTransform().mapRect(*bounds));
    }
}

QRectF rectOf(const format::Rect& rect) {
    return rect.toRectF();
}

} // namespace

QRectF videoBox(const movie::VideoCharacter& video) {
    return QRectF(0, 0, video.stream.width * format::kTwipsPerPixel,
                  video.stream.height * format::kTwipsPerPixel);
}

std::optional<QRectF> localBounds(const DisplayObject& object) {
    std::optional<QRectF> total;
    if (const MovieClip* clip = object.asClip()) {
        if (clip->drawing().hasBounds()) include(total, clip->drawing().bounds());
        includeChildren(total, clip->children());
        return total;
    }
    if (const TextField* text = object.asTextField()) {
        include(total, rectOf(text->field.bounds));
        return total;
    }
    if (const auto* bitmap = dynamic_cast<const BitmapInstance*>(&object)) {
        if (const raster::Pixels* pixels = bitmap->pixels().get(); pixels && pixels->width() > 0)
            include(total, QRectF(0, 0, pixels->width() * format::kTwipsPerPixel,
                                  pixels->height() * format::kTwipsPerPixel));
        return total;
    }
    const movie::Character* character = object.character();
    if (!character) return total;
    switch (character->kind) {
    case movie::CharacterKind::Shape:
        include(total, rectOf(static_cast<const movie::ShapeCharacter&>(*character).shape.bounds));
        break;
    case movie::CharacterKind::MorphShape:
        include(total, rectOf(static_cast<const movie::MorphShapeCharacter&>(*character).morph.startBounds));
        break;
    case movie::CharacterKind::Text:
        include(total, rectOf(static_cast<const movie::TextCharacter&>(*character).text.bounds));
        break;
    case movie::CharacterKind::EditText:
        include(total, rectOf(static_cast<const movie::EditTextCharacter&>(*character).field.bounds));
        break;
    case movie::CharacterKind::Video:
        include(total, videoBox(static_cast<const movie::VideoCharacter&>(*character)));
        break;
    case movie::CharacterKind::Button:
        includeChildren(total, static_cast<const ButtonInstance&>(object).children());
        break;
    default:
        break;
    }
    return total;
}

} // namespace swf::stage
