// The Date class. The player keeps no time zone: local time is UTC, so a movie's dates
// read the same on every machine.
#include "swf/avm1/builtins.h"

#include <array>
#include <cmath>

namespace swf::avm1 {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxTime = 8.64e15; // dates reach 100 million days either side of 1970

double timeClip(double time) {
    if (!std::isfinite(time) || std::fabs(time) > kMaxTime) return std::nan("");
    return std::trunc(time) + 0.0;
}

// Days since 1970-01-01 of a proleptic Gregorian date; month counts from 0 and may overflow.
double makeDay(double year, double month, double date) {
    if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date)) return std::nan("");
    year += std::floor(month / 12);
    month = std::fmod(month, 12);
    if (month < 0) month += 12;
    // Howard Hinnant's days_from_civil, on doubles so far years stay exact.
    const double y = month < 2 ? year - 1 : year;
    const double era = std::floor(y / 400);
    const double yoe = y - era * 400;
    const double m = month < 2 ? month + 10 : month - 2;
    const double doy = std::floor((153 * m + 2) / 5);
    const double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
    return era * 146097 + doe - 719468 + date - 1;
}

struct Civil {
    double year, month, date, weekDay, hours, minutes, seconds, milliseconds;
};

Civil civilOf(double time) {
    // An infinite time reads as the epoch, but on a Sunday: each field is worked out as
    // nothing, not from the day count.
    if (!std::isfinite(time)) return Civil{1970, 0, 1, 0, 0, 0, 0, 0};
    const double days = std::floor(time / kMsPerDay);
    double inDay = time - days * kMsPerDay;
    const double z = days + 719468;
    const double era = std::floor(z / 146097);
    const double doe = z - era * 146097;
    const double yoe =
        std::floor((doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
    const double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
    const double mp = std::floor((5 * doy + 2) / 153);
    Civil civil{};
    civil.date = doy - std::floor((153 * mp + 2) / 5) + 1;
    civil.month = mp < 10 ? mp + 2 : mp - 10;
    civil.year = yoe + era * 400 + (civil.month < 2 ? 1 : 0);
    civil.weekDay = std::fmod(days + 4, 7);
    if (civil.weekDay < 0) civil.weekDay += 7;
    civil.hours = std::floor(inDay / 3600000);
    inDay -= civil.hours * 3600000;
    civil.minutes = std::floor(inDay / 60000);
    inDay -= civil.minutes * 60000;
    civil.seconds = std::floor(inDay / 1000);
    civil.milliseconds = inDay - civil.seconds * 1000;
    return civil;
}

double timeOf(const Civil& c) {
    return timeClip(makeDay(c.year, c.month, c.date) * kMsPerDay + c.hours * 3600000 + c.minutes * 60000 +
                    c.seconds * 1000 + c.milliseconds);
}

double thisTime(CallContext& context) {
    Object* self = context.thisObject();
    if (!self || self->kind() != ObjectKind::Date) return std::nan("");
    return self->primitive().asNumber();
}

QString dateText(double time) {
    if (std::isnan(time)) return QStringLiteral("Invalid Date");
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const Civil c = civilOf(time);
    return QStringLiteral("%1 %2 %3 %4:%5:%6 GMT+0000 %7")
        .arg(QLatin1String(kDays[int(c.weekDay)]), QLatin1String(kMonths[int(c.month)]))
        .arg(int(c.date))
        .arg(int(c.hours), 2, 10, QLatin1Char('0'))
        .arg(int(c.minutes), 2, 10, QLatin1Char('0'))
        .arg(int(c.seconds), 2, 10, QLatin1Char('0'))
        .arg(c.year, 0, 'f', 0);
}

// Date(year, month[, date, hours, minutes, seconds, ms]) as a time; two-digit years are 19xx.
// The parts are read up to the first undefined one, as if the call had stopped there, and
// each is cut to a whole number. An infinite part makes the time infinite (NaN wins).
double timeFromParts(CallContext& context) {
    std::array<double, 7> parts{0, 0, 1, 0, 0, 0, 0};
    double infinite = 0;
    bool invalid = false;
    // Every part is converted (scripts see each valueOf call), even after one that spoils it.
    for (std::size_t i = 0; i < parts.size() && i < context.args.size(); ++i) {
        if (context.args[i].isUndefined()) break;
        const double part = context.machine.toNumber(context.args[i]);
        if (std::isnan(part))
            invalid = true;
        else if (std::isinf(part))
            infinite += part;
        else
            parts[i] = std::trunc(part);
    }
    if (invalid) return std::nan("");
    if (infinite != 0 || std::isnan(infinite)) return infinite;
    double year = parts[0];
    if (year >= 0 && year <= 99) year += 1900;
    return timeOf(Civil{year, parts[1], parts[2], 0, parts[3], parts[4], parts[5], parts[6]});
}

Value dateConstructor(CallContext& context) {
    const double now = context.machine.dateNowMs();
    if (!context.constructing) return dateText(now);
    Object* self = context.thisObject();
    if (!self) return Value();
    self->setKind(ObjectKind::Date);
    double time = now;
    if (context.args.size() == 1) {
        // A time given whole keeps its fraction of a millisecond.
        time = argNumber(context, 0);
        if (!std::isfinite(time) || std::fabs(time) > kMaxTime) time = std::nan("");
    } else if (context.args.size() > 1)
        time = timeFromParts(context);
    self->setPrimitive(time);
    return self;
}

using Field = double Civil::*;

void defineGetter(Machine& machine, Object* prototype, const char* name, Field field) {
    const NativeFunction getter = [field](CallContext& c) {
        const double time = thisTime(c);
        return std::isnan(time) ? Value(std::nan("")) : Value(civilOf(time).*field);
    };
    machine.defineMethod(prototype, QString::fromLatin1(name), getter);
    machine.defineMethod(prototype, QStringLiteral("getUTC") + QString::fromLatin1(name + 3), getter);
}

// setX(value[, next fields...]) changes that field and those after it, as given.
void defineSetter(Machine& machine, Object* prototype, const char* name, std::initializer_list<Field> fields,
                  bool twoDigitYears = false) {
    const std::vector<Field> order(fields);
    const NativeFunction setter = [order, twoDigitYears](CallContext& c) {
        Object* self = c.thisObject();
        if (!self || self->kind() != ObjectKind::Date) return Value();
        double time = self->primitive().asNumber();
        Civil civil = civilOf(std::isnan(time) ? 0.0 : time);
        for (std::size_t i = 0; i < order.size() && i < c.args.size(); ++i)
            civil.*order[i] = c.machine.toNumber(c.args[i]);
        if (twoDigitYears && std::isfinite(civil.year) && std::trunc(civil.year) >= 0 &&
            std::trunc(civil.year) <= 99)
            civil.year = 1900 + std::trunc(civil.year);
        time = c.args.empty() ? std::nan("") : timeOf(civil);
        self->setPrimitive(time);
        return Value(time);
    };
    machine.defineMethod(prototype, QString::fromLatin1(name), setter);
    if (!twoDigitYears)
        machine.defineMethod(prototype, QStringLiteral("setUTC") + QString::fromLatin1(name + 3), setter);
}

} // namespace

void installDateClass(Machine& machine) {
    Object* prototype = machine.newObject();
    Object* date = machine.newConstructor(dateConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("Date"), date, property_flags::kDontEnum);
    machine.defineMethod(date, QStringLiteral("UTC"), [](CallContext& c) { return Value(timeFromParts(c)); });
    // Asked of an object that is no Date, getTime answers nothing rather than NaN.
    machine.defineMethod(prototype, QStringLiteral("getTime"), [](CallContext& c) {
        Object* self = c.thisObject();
        return self && self->kind() == ObjectKind::Date ? Value(self->primitive().asNumber()) : Value();
    });
    // valueOf is getTime itself, one function under two names.
    prototype->setOwn(QStringLiteral("valueOf"), prototype->findOwn(QStringLiteral("getTime"))->value,
                      property_flags::kDontEnum | property_flags::kDontDelete);
    machine.defineMethod(prototype, QStringLiteral("toString"),
                         [](CallContext& c) { return Value(dateText(thisTime(c))); });
    machine.defineMethod(prototype, QStringLiteral("getTimezoneOffset"), [](CallContext& c) {
        return std::isnan(thisTime(c)) ? Value(std::nan("")) : Value(0);
    });
    // Local time is UTC, so getUTCYear is getYear.
    for (const char* name : {"getYear", "getUTCYear"})
        machine.defineMethod(prototype, QString::fromLatin1(name), [](CallContext& c) {
            const double time = thisTime(c);
            return std::isnan(time) ? Value(std::nan("")) : Value(civilOf(time).year - 1900);
        });
    defineGetter(machine, prototype, "getFullYear", &Civil::year);
    defineGetter(machine, prototype, "getMonth", &Civil::month);
    defineGetter(machine, prototype, "getDate", &Civil::date);
    defineGetter(machine, prototype, "getDay", &Civil::weekDay);
    defineGetter(machine, prototype, "getHours", &Civil::hours);
    defineGetter(machine, prototype, "getMinutes", &Civil::minutes);
    defineGetter(machine, prototype, "getSeconds", &Civil::seconds);
    defineGetter(machine, prototype, "getMilliseconds", &Civil::milliseconds);
    defineSetter(machine, prototype, "setFullYear", {&Civil::year, &Civil::month, &Civil::date});
    // setYear is setFullYear with getYear's reading of two-digit years as 19xx.
    defineSetter(machine, prototype, "setYear", {&Civil::year, &Civil::month, &Civil::date}, true);
    defineSetter(machine, prototype, "setMonth", {&Civil::month, &Civil::date});
    defineSetter(machine, prototype, "setDate", {&Civil::date});
    defineSetter(machine, prototype, "setHours",
                 {&Civil::hours, &Civil::minutes, &Civil::seconds, &Civil::milliseconds});
    defineSetter(machine, prototype, "setMinutes", {&Civil::minutes, &Civil::seconds, &Civil::milliseconds});
    defineSetter(machine, prototype, "setSeconds", {&Civil::seconds, &Civil::milliseconds});
    defineSetter(machine, prototype, "setMilliseconds", {&Civil::milliseconds});
    machine.defineMethod(prototype, QStringLiteral("setTime"), [](CallContext& c) {
        Object* self = c.thisObject();
        if (!self || self->kind() != ObjectKind::Date) return Value();
        const double time = timeClip(argNumber(c, 0));
        self->setPrimitive(time);
        return Value(time);
    });
}

} // namespace swf::avm1
