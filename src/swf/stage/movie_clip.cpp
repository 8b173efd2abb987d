// Playheads and depth lists.
#include "swf/stage/movie_clip.h"

#include "swf/movie/movie_definition.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/frame_observer.h"
#include "swf/stage/text_field.h"
#include "swf/stage/video_instance.h"

#include <algorithm>
#include <set>

namespace swf::stage {

std::unique_ptr<DisplayObject> createInstance(StageContext& context, const movie::Character* character,
                                              const movie::MovieDefinition& movie) {
    StageContext::Placement placement(context);
    if (!placement.mayCreate()) return std::make_unique<DisplayObject>(context, nullptr, movie);
    if (character && character->kind == movie::CharacterKind::Sprite) {
        const auto* sprite = static_cast<const movie::SpriteCharacter*>(character);
        return std::make_unique<MovieClip>(context, character, sprite->timeline, movie);
    }
    if (character && character->kind == movie::CharacterKind::Button)
        return std::make_unique<ButtonInstance>(
            context, *static_cast<const movie::ButtonCharacter*>(character), movie);
    if (character && character->kind == movie::CharacterKind::EditText)
        return std::make_unique<TextField>(
            context, character, static_cast<const movie::EditTextCharacter*>(character)->field, movie);
    if (character && character->kind == movie::CharacterKind::Video)
        return std::make_unique<VideoInstance>(context, *static_cast<const movie::VideoCharacter*>(character),
                                               movie);
    return std::make_unique<DisplayObject>(context, character, movie);
}

DisplayObject::DisplayObject(StageContext& context, const movie::Character* character,
                             const movie::MovieDefinition& movie)
    : m_context(&context), m_character(character), m_movie(&movie), m_serial(context.takeSerial()) {
    context.objectCreated(m_serial, this);
}

DisplayObject::~DisplayObject() {
    m_context->objectDestroyed(m_serial);
}

MovieClip* StageContext::liveClip(quint64 serial) const {
    DisplayObject* object = liveObject(serial);
    return object ? object->asClip() : nullptr;
}

TextField* StageContext::liveField(quint64 serial) const {
    DisplayObject* object = liveObject(serial);
    return object ? object->asTextField() : nullptr;
}

MovieClip::MovieClip(StageContext& context, const movie::Character* character,
                     const movie::Timeline& timeline, const movie::MovieDefinition& movie,
                     bool showFirstFrame)
    : DisplayObject(context, character, movie), m_timeline(&timeline) {
    if (showFirstFrame && m_timeline->frameCount() > 0) gotoFrame(0);
}

MovieClip::~MovieClip() {
    // Children go first, so observers hear of them while their parent still exists.
    m_children.clear();
    context().childrenChanged();
    if (FrameObserver* observer = context().frameObserver()) observer->clipDestroyed(*this);
}

void MovieClip::gotoFrame(int frame) {
    if (m_timeline->frameCount() == 0) return;
    frame = std::clamp(frame, 0, m_timeline->frameCount() - 1);
    if (frame == m_currentFrame) return;
    std::set<int> removed;
    const bool forward = frame > m_currentFrame;
    if (forward) {
        // What the passed frames remove goes whoever stands there, a script's clip included.
        for (int i = m_currentFrame + 1; i <= frame; ++i)
            for (const movie::FrameCommand& command : m_timeline->frame(i).commands)
                if (const auto* remove = std::get_if<format::RemoveObject>(&command))
                    removed.insert(remove->depth);
    }
    if (forward && frame - m_currentFrame <= movie::Timeline::kSnapshotInterval) {
        for (int i = m_currentFrame + 1; i <= frame; ++i) {
            // A frame with a broken placement holds the playhead on the frame before it.
            if (!movie::Timeline::applyFrame(m_state, m_timeline->frame(i), i) && i > 0) {
                frame = i - 1;
                break;
            }
        }
    } else {
        m_state = m_timeline->stateAt(frame);
    }
    m_currentFrame = frame;
    // Going back replays the timeline from its start: what it placed comes again.
    if (!forward) m_vacated.clear();
    reconcile(removed, !forward);
}

void MovieClip::reconcile(const std::set<int>& removed, bool rewound) {
    std::vector<MovieClip*> created;
    std::vector<TextField*> placedFields;
    // Merge the placement state into the live children, both ordered by depth.
    // Children that scripts placed or moved stay where they are, unless the timeline removed
    // their depth, or went back to its start and a script made them in its depths.
    auto erase = [this](Children::iterator at) {
        context().childrenChanged();
        if (FrameObserver* observer = context().frameObserver()) observer->retire(std::move(at->second));
        return m_children.erase(at);
    };
    auto keepsScripted = [&removed, rewound](Children::const_iterator at) {
        constexpr int kTimelineDepths = 16384;
        if (!at->second->scripted()) return false;
        const bool madeByScript = at->second->placement().birth <= 0;
        if (rewound && madeByScript) return at->first < 0 || at->first >= kTimelineDepths;
        return !removed.count(at->first);
    };
    auto eraseUnlessScripted = [&erase, &keepsScripted](Children::iterator at) {
        return keepsScripted(at) ? std::next(at) : erase(at);
    };
    auto child = m_children.begin();
    for (const auto& [depth, placement] : m_state) {
        while (child != m_children.end() && child->first < depth)
            child = eraseUnlessScripted(child);
        if (child != m_children.end() && child->first == depth) {
            if (keepsScripted(child)) {
                ++child;
                continue;
            }
            if (child->second->scripted()) child = erase(child);
        }
        if (child != m_children.end() && child->first == depth) {
            const movie::Placement& old = child->second->placement();
            if (old.birth == placement.birth && old.characterId == placement.characterId) {
                // A placement that names nothing leaves the instance the name it has.
                movie::Placement next = placement;
                if (next.name.isEmpty()) next.name = old.name;
                if (old.name != next.name) context().childrenChanged();
                if (child->second->scriptOwned()) {
                    next.matrix = old.matrix;
                    next.colorTransform = old.colorTransform;
                    next.visible = old.visible;
                    child->second->setScriptPlacement(next);
                } else {
                    child->second->setPlacement(next);
                }
                ++child;
                continue;
            }
            child = erase(child);
        }
        if (m_vacated.count(placement.birth)) continue;
        const auto [character, library] = movie().resolve(placement.characterId);
        // The name is taken before the instance is made: a sprite's own first frame places
        // (and names) its children.
        movie::Placement named = placement;
        if (named.name.isEmpty() && character &&
            (character->kind == movie::CharacterKind::Sprite ||
             character->kind == movie::CharacterKind::Button ||
             character->kind == movie::CharacterKind::EditText))
            named.name = context().nextInstanceName();
        auto instance = createInstance(context(), character, *library);
        instance->setPlacement(named);
        if (instance->asClip() && instance->asClip()->frameCount() > 0) created.push_back(instance->asClip());
        if (instance->asTextField()) placedFields.push_back(instance->asTextField());
        child = std::next(m_children.emplace_hint(child, depth, std::move(instance)));
        context().childrenChanged();
    }
    while (child != m_children.end())
        child = eraseUnlessScripted(child);
    // A sprite placed while the movie plays starts on its first frame, sounds, clip events
    // and scripts all, once it stands in the depth list with its name and events. An
    // earlier one's script may have removed a later one: only those still here are told.
    FrameObserver* const observer = context().frameObserver();
    if (!observer) return;
    for (TextField* field : placedFields)
        observer->fieldPlaced(*this, *field);
    for (MovieClip* clip : created) {
        const bool present = std::any_of(m_children.begin(), m_children.end(),
                                         [clip](const auto& entry) { return entry.second.get() == clip; });
        if (present) observer->clipCreated(*clip);
    }
}

void MovieClip::replaceContent(const movie::Timeline& timeline, const movie::MovieDefinition& movie) {
    for (auto& [depth, child] : m_children)
        if (FrameObserver* observer = context().frameObserver()) observer->retire(std::move(child));
    m_children.clear();
    context().childrenChanged();
    m_drawing.clear();
    rebind(nullptr, movie);
    m_timeline = &timeline;
    m_state.clear();
    m_vacated.clear();
    m_currentFrame = -1;
    m_playing = true;
    if (m_timeline->frameCount() > 0) gotoFrame(0);
}

DisplayObject* MovieClip::addScripted(int depth, std::unique_ptr<DisplayObject> child) {
    child->setScripted();
    DisplayObject* added = child.get();
    m_children.insert_or_assign(depth, std::move(child));
    context().childrenChanged();
    return added;
}

std::unique_ptr<DisplayObject> MovieClip::takeChild(const DisplayObject* child) {
    const int depth = depthOf(child);
    if (depth == -1) return nullptr;
    auto node = m_children.extract(depth);
    vacate(*node.mapped());
    context().childrenChanged();
    return std::move(node.mapped());
}

DisplayObject* MovieClip::childAt(int depth) const {
    const auto found = m_children.find(depth);
    return found == m_children.end() ? nullptr : found->second.get();
}

int MovieClip::depthOf(const DisplayObject* child) const {
    for (const auto& [depth, object] : m_children)
        if (object.get() == child) return depth;
    return -1;
}

void MovieClip::vacate(const DisplayObject& child) {
    if (!child.scripted()) m_vacated.insert(child.placement().birth);
}

void MovieClip::swapDepth(const DisplayObject* child, int depth) {
    const int from = depthOf(child);
    if (from == -1 || from == depth) return;
    context().childrenChanged();
    auto moving = m_children.extract(from);
    vacate(*moving.mapped());
    moving.mapped()->setScripted();
    auto there = m_children.find(depth);
    if (there != m_children.end()) {
        auto other = m_children.extract(there);
        vacate(*other.mapped());
        other.mapped()->setScripted();
        other.key() = from;
        m_children.insert(std::move(other));
    }
    moving.key() = depth;
    m_children.insert(std::move(moving));
}

void MovieClip::advanceChildren(quint64 serialMark) {
    // Scripts run by one child may remove or add others: each is looked up again.
    std::vector<std::pair<int, quint64>> order;
    for (const auto& [depth, child] : m_children)
        if (child->serial() < serialMark) order.emplace_back(depth, child->serial());
    for (const auto& [depth, serial] : order) {
        const auto found = m_children.find(depth);
        if (found != m_children.end() && found->second->serial() == serial) found->second->advance();
    }
}

void MovieClip::advance() {
    const quint64 mark = context().nextSerial();
    advanceChildren(mark);
    if (FrameObserver* observer = context().frameObserver()) observer->clipTicked(*this);
    if (m_playing && m_timeline->frameCount() > 1) {
        const int from = m_currentFrame;
        gotoFrame(m_currentFrame + 1 >= m_timeline->frameCount() ? 0 : m_currentFrame + 1);
        FrameObserver* observer = context().frameObserver();
        if (observer && m_currentFrame != from) observer->frameEntered(*this, m_currentFrame);
    }
}

} // namespace swf::stage
