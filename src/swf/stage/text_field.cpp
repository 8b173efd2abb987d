#include "swf/stage/text_field.h"

#include <mutex>
#include <unordered_map>

namespace swf::stage {

namespace {
std::mutex g_liveMutex;
std::unordered_map<quint64, TextField*>& liveFields() {
    static std::unordered_map<quint64, TextField*> fields;
    return fields;
}
} // namespace

TextField::TextField(const movie::Character* character, const format::EditTextDefinition& definition,
                     const movie::MovieDefinition& movie)
    : DisplayObject(character, movie), field(definition) {
    if (field.autoSize) autoSize = AutoSize::Left;
    const std::lock_guard lock(g_liveMutex);
    liveFields().emplace(serial(), this);
}

TextField::~TextField() {
    const std::lock_guard lock(g_liveMutex);
    liveFields().erase(serial());
}

TextField* TextField::live(quint64 serial) {
    const std::lock_guard lock(g_liveMutex);
    const auto found = liveFields().find(serial);
    return found == liveFields().end() ? nullptr : found->second;
}

bool TextField::anyLive() {
    const std::lock_guard lock(g_liveMutex);
    return !liveFields().empty();
}

} // namespace swf::stage
