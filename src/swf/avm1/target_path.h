// The grammar of target paths ("/a/b", "_parent.c", "a:b/..") and of variable paths
// ("/a/b:x", "a.b.x"), as GetVariable, SetVariable and SetTarget read them. Only the text:
// which clip or object a step names is the walker's business.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

#include <optional>
#include <vector>

namespace swf::avm1 {

struct PathStep {
    enum class Kind : std::uint8_t { Root, Parent, Name };
    Kind kind = Kind::Name;
    QString name; // for Name
};

// The steps of a target path; nullopt for one the player refuses (an empty step such as
// "a//b" or "a::"). An empty path has no steps: it names where it starts.
std::optional<std::vector<PathStep>> parseTargetPath(QStringView path);

// Where the path of a variable path ends: its last ':' or '.', the variable following it;
// -1 when there is neither (a plain name, or a slash path naming a clip).
qsizetype variablePathSplit(QStringView name);

// True when a name is a path rather than a plain variable name.
bool isVariablePath(QStringView name);

} // namespace swf::avm1
