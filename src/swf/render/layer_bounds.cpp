#include "swf/render/layer_bounds.h"

#include "swf/render/filters.h"
#include "swf/stage/bounds.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/movie_clip.h"

namespace swf::render {
namespace {

void include(std::optional<QRectF>& total, const QRectF& rect) {
    // By hand: QRectF::united drops rectangles without area, which a straight line has.
    total = total ? QRectF(QPointF(std::min(total->left(), rect.left()), std::min(total->top(), rect.top())),
                           QPointF(std::max(total->right(), rect.right()),
                                   std::max(total->bottom(), rect.bottom())))
                  : rect;
}

template <typename Children>
void includeChildren(std::optional<QRectF>& total, const Children& children, const QTransform& toDevice,
                     double filterScale) {
    for (const auto& [depth, child] : children) {
        const movie::Placement& placement = child->placement();
        // Masks shape others and add no area; hidden objects are not drawn.
        if (placement.clipDepth != 0 || !placement.visible) continue;
        auto bounds = drawnBounds(*child, placement.matrix.toTransform() * toDevice, filterScale);
        if (!bounds) continue;
        if (hasDrawableFilter(placement.filters))
            bounds = bounds->marginsAdded(QMarginsF(filterReach(placement.filters, filterScale)));
        include(total, *bounds);
    }
}

} // namespace

// Each part is mapped on its own: a turned clip's box of its children's boxes would be
// larger than needed.
std::optional<QRectF> drawnBounds(const stage::DisplayObject& object, const QTransform& toDevice,
                                  double filterScale) {
    std::optional<QRectF> total;
    if (const stage::MovieClip* clip = object.asClip()) {
        if (clip->opaqueBackground()) {
            if (const auto box = stage::localBounds(*clip)) include(total, toDevice.mapRect(*box));
        }
        if (clip->drawing().hasBounds()) include(total, toDevice.mapRect(clip->drawing().bounds()));
        includeChildren(total, clip->children(), toDevice, filterScale);
        return total;
    }
    if (const movie::Character* character = object.character()) {
        if (character->kind == movie::CharacterKind::Button) {
            includeChildren(total, static_cast<const stage::ButtonInstance&>(object).children(), toDevice,
                            filterScale);
            return total;
        }
        // A morph moves between its two shapes: it may be anywhere in either's box.
        if (character->kind == movie::CharacterKind::MorphShape) {
            const auto& morph = static_cast<const movie::MorphShapeCharacter&>(*character).morph;
            include(total, toDevice.mapRect(morph.startBounds.toRectF()));
            include(total, toDevice.mapRect(morph.endBounds.toRectF()));
            return total;
        }
    }
    if (const auto box = stage::localBounds(object)) include(total, toDevice.mapRect(*box));
    return total;
}

} // namespace swf::render
