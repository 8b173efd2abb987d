// Ordered property storage.
#include "swf/avm1/object.h"

namespace swf::avm1 {

Property* Object::findOwn(const QString& name)
{
    const auto it = m_index.constFind(key(name));
    return it == m_index.constEnd() ? nullptr : &m_properties[static_cast<std::size_t>(*it)];
}

const Property* Object::findOwn(const QString& name) const
{
    const auto it = m_index.constFind(key(name));
    return it == m_index.constEnd() ? nullptr : &m_properties[static_cast<std::size_t>(*it)];
}

void Object::setOwn(const QString& name, const Value& value, std::uint8_t flags)
{
    if (Property* existing = findOwn(name)) {
        existing->value = value;
        existing->getter = nullptr;
        existing->setter = nullptr;
        return;
    }
    m_index.insert(key(name), static_cast<int>(m_properties.size()));
    m_properties.push_back(Property{name, value, nullptr, nullptr, flags});
}

bool Object::removeOwn(const QString& name)
{
    const auto it = m_index.constFind(key(name));
    if (it == m_index.constEnd())
        return false;
    const auto position = static_cast<std::size_t>(*it);
    if (m_properties[position].flags & property_flags::kDontDelete)
        return false;
    m_properties.erase(m_properties.begin() + static_cast<std::ptrdiff_t>(position));
    reindex();
    return true;
}

void Object::reindex()
{
    m_index.clear();
    for (std::size_t i = 0; i < m_properties.size(); ++i)
        m_index.insert(key(m_properties[i].name), static_cast<int>(i));
}

} // namespace swf::avm1
