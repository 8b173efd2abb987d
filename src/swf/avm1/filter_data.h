// The parameters a flash.filters object holds, shared with the host that draws clips with
// them.
#pragma once

#include "swf/avm1/machine.h"

#include <optional>
#include <vector>

namespace swf::avm1 {

// Numbered as PlaceObject3's filter records number them.
enum class FilterType {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
    DisplacementMap = 8, // scripts only: no record carries it
};

struct FilterField {
    enum class Kind { Number, Integer, Color, Boolean, Choice, List, Object, Point };
    QString name;
    double number = 0;
    QString text;
    std::vector<double> list;
    Object* object = nullptr;
    std::int32_t x = 0, y = 0;
};

class FilterData : public NativeData {
  public:
    FilterType type = FilterType::Blur;
    std::vector<FilterField> fields; // in the constructor's argument order

    const FilterField* field(const QString& name) const {
        for (const FilterField& f : fields)
            if (f.name == name) return &f;
        return nullptr;
    }
    double number(const QString& name, double fallback = 0) const {
        const FilterField* f = field(name);
        return f ? f->number : fallback;
    }
    void forEachReference(const std::function<void(Object*)>& visit) const override {
        for (const FilterField& f : fields)
            if (f.object) visit(f.object);
    }
};

// The parameters of a filter object, or nullptr for anything else.
const FilterData* filterData(const Value& value);
// The parameters a new filter of the type starts with; nothing for a type with no class.
std::optional<FilterData> filterDefaults(FilterType type);
// A new instance of the class that draws data's filter.
std::optional<Value> newFilterObject(Machine& machine, const FilterData& data);

} // namespace swf::avm1
