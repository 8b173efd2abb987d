// Clips by name and by path: children by instance name, parents, slash and dot paths, and the
// script object of each clip.
#include "swf/script/clip_directory.h"

#include "swf/avm1/machine.h"
#include "swf/avm1/target_path.h"

#include <QStringList>

namespace swf::script {

namespace {
constexpr int kSwfVersionGlobal = 6;

// Case folding keeps lengths, so the length settles most comparisons of a lookup by name.
bool sameName(const QString& a, const QString& b, bool caseSensitive) {
    if (a.size() != b.size()) return false;
    return caseSensitive ? a == b : a.compare(b, Qt::CaseInsensitive) == 0;
}

// Two names share this key exactly when sameName matches them: QString::compare without
// case folds each code point on its own, and so does this.
QString nameKey(const QString& name, bool caseSensitive) {
    if (caseSensitive) return name;
    QString key = name;
    char16_t* units = reinterpret_cast<char16_t*>(key.data());
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (QChar::isHighSurrogate(units[i]) && i + 1 < key.size() && QChar::isLowSurrogate(units[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(units[i], units[i + 1]));
            units[i] = QChar::highSurrogate(folded);
            units[++i] = QChar::lowSurrogate(folded);
        } else {
            units[i] = static_cast<char16_t>(QChar::toCaseFolded(char32_t(units[i])));
        }
    }
    return key;
}
} // namespace

stage::MovieClip* ClipDirectory::childNamed(stage::MovieClip& parent, const QString& name) const {
    const bool caseSensitive = m_caseSensitive;
    constexpr size_t kIndexedFrom = 16;
    if (parent.children().size() >= kIndexedFrom) {
        const quint64 generation = m_stage.context().childrenGeneration();
        if (generation != m_childIndexGeneration) {
            m_childIndex.clear();
            m_childIndexGeneration = generation;
        }
        auto [index, fresh] = m_childIndex.try_emplace(&parent);
        if (fresh) {
            for (const auto& [depth, child] : parent.children()) {
                if (!child->asClip()) continue;
                const QString key = nameKey(child->placement().name, caseSensitive);
                if (!index->second.contains(key)) index->second.insert(key, child->asClip());
            }
        }
        return index->second.value(nameKey(name, caseSensitive));
    }
    for (const auto& [depth, child] : parent.children())
        if (sameName(child->placement().name, name, caseSensitive) && child->asClip()) return child->asClip();
    return nullptr;
}

stage::MovieClip* ClipDirectory::parentOf(const stage::MovieClip& clip) const {
    if (!m_stage.root() || &clip == m_stage.root()) return nullptr;
    const quint64 generation = m_stage.context().childrenGeneration();
    if (generation != m_parentsGeneration || m_parentsRoot != m_stage.root()) {
        m_parents.clear();
        m_parentsGeneration = generation;
        m_parentsRoot = m_stage.root();
        std::vector<stage::MovieClip*> open = m_stage.all();
        while (!open.empty()) {
            stage::MovieClip* current = open.back();
            open.pop_back();
            for (const auto& [depth, child] : current->children()) {
                if (!child->asClip()) continue;
                m_parents.emplace(child->asClip(), current);
                open.push_back(child->asClip());
            }
        }
    }
    const auto found = m_parents.find(&clip);
    return found == m_parents.end() ? nullptr : found->second;
}

stage::MovieClip* ClipDirectory::resolve(const QString& path, stage::MovieClip* base) {
    stage::MovieClip* from = base ? base : m_stage.root();
    if (!from) return nullptr;
    return clipOf(walk(path, objectOf(*from)));
}

std::optional<stage::MovieClip*> ClipDirectory::levelNamed(const QString& name) const {
    if (!name.startsWith(QLatin1String("_level"), Qt::CaseInsensitive) &&
        !name.startsWith(QLatin1String("_flash"), Qt::CaseInsensitive))
        return std::nullopt;
    // The number is read as C reads one: a sign, then digits up to anything else, kept in
    // 32 bits ("_level" and "_level0a" are level 0, "_level4294967296" too).
    qsizetype i = 6;
    const bool negative = i < name.size() && name[i] == QLatin1Char('-');
    if (i < name.size() && (name[i] == QLatin1Char('-') || name[i] == QLatin1Char('+'))) ++i;
    quint32 number = 0;
    for (; i < name.size() && name[i] >= QLatin1Char('0') && name[i] <= QLatin1Char('9'); ++i)
        number = number * 10 + quint32(name[i].unicode() - '0');
    const auto level = static_cast<qint32>(negative ? 0u - number : number);
    return level >= 0 ? m_stage.level(level) : nullptr;
}

stage::MovieClip* ClipDirectory::namedStep(stage::MovieClip& clip, const QString& name) const {
    if (sameName(name, QStringLiteral("_parent"), false)) return parentOf(clip);
    if (sameName(name, QStringLiteral("_root"), false)) return m_stage.root();
    if (const auto level = levelNamed(name)) return *level;
    if (sameName(name, QStringLiteral("this"), m_caseSensitive)) return &clip;
    return childNamed(clip, name);
}

avm1::Object* ClipDirectory::walk(const QString& path, avm1::Object* base) {
    const auto steps = avm1::parseTargetPath(path);
    if (!steps) return nullptr;
    avm1::Object* at = base;
    for (const avm1::PathStep& step : *steps) {
        if (!at) return nullptr;
        stage::MovieClip* clip = clipOf(at);
        switch (step.kind) {
        case avm1::PathStep::Kind::Root:
            at = m_stage.root() ? objectOf(*m_stage.root()) : nullptr;
            break;
        case avm1::PathStep::Kind::Parent: {
            stage::MovieClip* parent = clip ? parentOf(*clip) : nullptr;
            at = parent ? objectOf(*parent) : nullptr;
            break;
        }
        case avm1::PathStep::Kind::Name:
            // A clip's children come before its variables; a variable holding an object
            // carries the path on through that object.
            if (stage::MovieClip* named = clip ? namedStep(*clip, step.name) : nullptr) {
                at = objectOf(*named);
            } else if (m_machine.swfVersion() >= kSwfVersionGlobal &&
                       sameName(step.name, QStringLiteral("_global"), false)) {
                at = m_machine.global();
            } else {
                at = m_machine.getMember(avm1::Value(at), step.name).asObject();
                // A variable still holding a clip that has left the stage leads nowhere.
                if (at && at->kind() == avm1::ObjectKind::Clip && !clipOf(at)) at = nullptr;
            }
            break;
        }
    }
    return at;
}

QString ClipDirectory::targetPath(const stage::MovieClip* clip) const {
    QStringList names;
    while (clip && clip != m_stage.root()) {
        if (m_stage.hasLevels()) {
            const int level = m_stage.levelOf(*clip);
            if (level > 0) {
                names.prepend(QStringLiteral("_level%1").arg(level));
                return names.join(QLatin1Char('.'));
            }
        }
        names.prepend(clip->placement().name);
        clip = parentOf(*clip);
    }
    return names.isEmpty() ? QStringLiteral("_level0")
                           : QStringLiteral("_level0.") + names.join(QLatin1Char('.'));
}

QString ClipDirectory::slashPath(const stage::MovieClip& clip) const {
    const QString path = targetPath(&clip);
    if (path == QLatin1String("_level0")) return QStringLiteral("/");
    return QString(path)
        .replace(QStringLiteral("_level0."), QStringLiteral("/"))
        .replace(QLatin1Char('.'), QLatin1Char('/'));
}

ClipDirectory::ClipDirectory(stage::Stage& stage, avm1::Machine& machine,
                             avm1::PropertyDelegate& clipProperties)
    : m_stage(stage), m_machine(machine), m_clipProperties(clipProperties),
      m_caseSensitive(machine.swfVersion() >= 7) {}

ClipDirectory::~ClipDirectory() = default;

avm1::Object* ClipDirectory::objectOf(stage::MovieClip& clip) {
    const auto found = m_objects.find(&clip);
    if (found != m_objects.end()) return found->second;
    avm1::Object* object = m_machine.newClip(&m_clipProperties);
    object->pin();
    m_objects.emplace(&clip, object);
    m_clips.insert(object, &clip);
    m_namesMadeWith.insert(object, clip.placement().name);
    return object;
}

void ClipDirectory::remade(stage::MovieClip& clip) {
    const auto found = m_objects.find(&clip);
    if (found == m_objects.end()) return;
    const Qt::CaseSensitivity sensitivity = m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (m_namesMadeWith.value(found->second).compare(clip.placement().name, sensitivity) == 0) return;
    forget(clip);
    objectOf(clip);
}

bool ClipDirectory::forget(const stage::MovieClip& clip) {
    const auto found = m_objects.find(&clip);
    if (found == m_objects.end()) return false;
    found->second->unpin();
    m_clips.remove(found->second);
    m_namesMadeWith.remove(found->second);
    m_objects.erase(found);
    return true;
}

} // namespace swf::script
