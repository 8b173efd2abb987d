// Slash syntax came first (SWF 4: "/a/b:x", ".." the parent), dot syntax later; the player
// reads both in one pass. A '/' switches to slash syntax for the rest of the path, where a
// dot no longer separates names ("a/b.c" is the child named "b.c").
#include "swf/avm1/target_path.h"

namespace swf::avm1 {

namespace {

bool isSeparator(QChar c, bool slashSyntax) {
    return c == QLatin1Char('/') || c == QLatin1Char(':') || (!slashSyntax && c == QLatin1Char('.'));
}

} // namespace

std::optional<std::vector<PathStep>> parseTargetPath(QStringView path) {
    std::vector<PathStep> steps;
    const qsizetype n = path.size();
    qsizetype i = 0;
    bool slashSyntax = false;
    if (n > 0 && path[0] == QLatin1Char('/')) {
        steps.push_back({PathStep::Kind::Root, {}});
        i = 1;
        slashSyntax = true;
    }
    while (i < n) {
        // Colons before a name are skipped; colons before a slash or the end are a name.
        qsizetype j = i;
        while (j < n && path[j] == QLatin1Char(':'))
            ++j;
        if (j > i && (j == n || path[j] == QLatin1Char('/'))) {
            steps.push_back({PathStep::Kind::Name, path.sliced(i, j - i).toString()});
            i = j;
        } else {
            i = j;
            if (path[i] == QLatin1Char('/')) return std::nullopt; // an empty step
            const bool parent =
                path.sliced(i).startsWith(QLatin1String("..")) &&
                (i + 2 == n || path[i + 2] == QLatin1Char('/') || path[i + 2] == QLatin1Char(':'));
            if (parent) {
                // ".." is slash syntax: dots after it belong to names.
                steps.push_back({PathStep::Kind::Parent, {}});
                i += 2;
                slashSyntax = true;
            } else {
                // Leading dots belong to the name, and so does a dot before another dot.
                j = i;
                while (j < n && path[j] == QLatin1Char('.'))
                    ++j;
                while (j < n &&
                       (!isSeparator(path[j], slashSyntax) ||
                        (path[j] == QLatin1Char('.') && j + 1 < n && path[j + 1] == QLatin1Char('.'))))
                    ++j;
                steps.push_back({PathStep::Kind::Name, path.sliced(i, j - i).toString()});
                i = j;
            }
        }
        // One separator ends the step; a path may end with it.
        if (i < n) {
            if (path[i] == QLatin1Char('/')) slashSyntax = true;
            ++i;
        }
    }
    return steps;
}

qsizetype variablePathSplit(QStringView name) {
    for (qsizetype i = name.size() - 1; i >= 0; --i)
        if (name[i] == QLatin1Char(':') || name[i] == QLatin1Char('.')) return i;
    return -1;
}

bool isVariablePath(QStringView name) {
    for (const QChar c : name)
        if (c == QLatin1Char(':') || c == QLatin1Char('.') || c == QLatin1Char('/')) return true;
    return false;
}

} // namespace swf::avm1
