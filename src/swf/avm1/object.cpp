// Ordered property storage.
#include "swf/avm1/object.h"

namespace swf::avm1 {

std::ptrdiff_t Object::position(const QString& name) const {
    if (!indexed()) {
        // Backwards, as the hash keeps the last of equal names.
        for (std::size_t i = m_properties.size(); i-- > 0;)
            if (m_properties[i].name == name) return static_cast<std::ptrdiff_t>(i);
        return -1;
    }
    const auto it = m_index.constFind(key(name));
    return it == m_index.constEnd() ? -1 : *it;
}

Property* Object::findOwn(const QString& name) {
    const std::ptrdiff_t at = position(name);
    return at < 0 ? nullptr : &m_properties[static_cast<std::size_t>(at)];
}

const Property* Object::findOwn(const QString& name) const {
    const std::ptrdiff_t at = position(name);
    return at < 0 ? nullptr : &m_properties[static_cast<std::size_t>(at)];
}

void Object::setOwn(const QString& name, const Value& value, std::uint16_t flags) {
    if (Property* existing = findOwn(name)) {
        existing->value = value;
        existing->getter = nullptr;
        existing->setter = nullptr;
        return;
    }
    m_properties.push_back(Property{name, value, nullptr, nullptr, flags});
    if (!indexed()) return;
    if (m_index.isEmpty())
        reindex(); // this property made the object big enough for the hash
    else
        m_index.insert(key(name), static_cast<int>(m_properties.size() - 1));
}

bool Object::removeOwn(const QString& name) {
    const std::ptrdiff_t at = position(name);
    if (at < 0) return false;
    if (m_properties[static_cast<std::size_t>(at)].flags & property_flags::kDontDelete) return false;
    m_properties.erase(m_properties.begin() + at);
    reindex();
    return true;
}

void Object::reindex() {
    m_index.clear();
    if (!indexed()) return;
    for (std::size_t i = 0; i < m_properties.size(); ++i)
        m_index.insert(key(m_properties[i].name), static_cast<int>(i));
}

} // namespace swf::avm1
