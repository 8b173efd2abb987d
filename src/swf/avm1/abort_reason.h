// Why the machine stopped a script before its end: one of its limits was reached. The
// application words it for the user; describe() gives the English words tools print.
#pragma once

#include <QString>

namespace swf::avm1 {

enum class AbortReason {
    None,
    TimeBudget,   // the scripts of one frame ran past their time
    CallDepth,    // calls nested past the recursion limit
    StackSize,    // the value stack grew past its limit
    StringLength, // a string grew past its limit
    ArrayLength,  // an array grew past its limit
    ObjectCount,  // the movie made more script objects than allowed
    ProtoChain,   // a member was looked for along a __proto__ chain past its limit
};

inline QString describe(AbortReason reason) {
    switch (reason) {
    case AbortReason::None:
        return {};
    case AbortReason::TimeBudget:
        return QStringLiteral("a script ran longer than its time budget");
    case AbortReason::CallDepth:
        return QStringLiteral("script recursion went deeper than the call limit");
    case AbortReason::StackSize:
        return QStringLiteral("the script stack grew past its limit");
    case AbortReason::StringLength:
        return QStringLiteral("a string grew past its limit");
    case AbortReason::ArrayLength:
        return QStringLiteral("an array grew past its limit");
    case AbortReason::ObjectCount:
        return QStringLiteral("the movie created more script objects than allowed");
    case AbortReason::ProtoChain:
        return QStringLiteral("a prototype chain was longer than the lookup limit");
    }
    return {};
}

} // namespace swf::avm1
