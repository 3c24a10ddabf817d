#include "engine/vocabulary.h"

#include "base/language.h"

namespace platecam::engine {

namespace {

template <typename T>
struct Named {
    T value;
    const char* name;
};

constexpr Named<FollowerKind> KindNames[] = {
    {FollowerKind::Roller, "roller"},
    {FollowerKind::Flat, "flat"},
    {FollowerKind::SwingRoller, "swing-roller"},
};

constexpr Named<Law> LawTable[] = {
    {Law::Cycloid, "cycloid"},
    {Law::ModifiedTrapezoid, "modified-trapezoid"},
    {Law::ModifiedSine, "modified-sine"},
    {Law::SimpleHarmonic, "simple-harmonic"},
    {Law::Polynomial345, "3-4-5"},
    {Law::Polynomial4567, "4-5-6-7"},
    {Law::DoubleHarmonic, "double-harmonic"},
    {Law::ConstantVelocity, "constant-velocity"},
    {Law::Polynomial, "polynomial"},
};
static_assert(std::size(LawTable) == LawCount);

template <typename T, std::size_t N>
const char* NameOf(const Named<T> (&table)[N], T value) {
    for (const Named<T>& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return "";
}

template <typename T, std::size_t N>
std::optional<T> ValueOf(const Named<T> (&table)[N], std::string_view name) {
    for (const Named<T>& entry : table) {
        if (name == entry.name) return entry.value;
    }
    return std::nullopt;
}

template <typename T, std::size_t N>
std::vector<T> ValuesOf(const Named<T> (&table)[N]) {
    std::vector<T> values;
    for (const Named<T>& entry : table) values.push_back(entry.value);
    return values;
}

template <typename T, std::size_t N>
std::string Joined(const Named<T> (&table)[N]) {
    // TRANSLATORS: between the items of a list of names, e.g. "roller, flat".
    const std::string separator = Tr(", ");
    std::string text;
    for (const Named<T>& entry : table) text += (text.empty() ? "" : separator) + entry.name;
    return text;
}

}  // namespace

const char* FollowerKindName(FollowerKind kind) { return NameOf(KindNames, kind); }
std::optional<FollowerKind> FollowerKindFromName(std::string_view name) { return ValueOf(KindNames, name); }
const std::vector<FollowerKind>& FollowerKinds() {
    static const std::vector<FollowerKind> kinds = ValuesOf(KindNames);
    return kinds;
}

const char* LawName(Law law) { return NameOf(LawTable, law); }
std::optional<Law> LawFromName(std::string_view name) { return ValueOf(LawTable, name); }
const std::vector<Law>& Laws() {
    static const std::vector<Law> laws = ValuesOf(LawTable);
    return laws;
}

Law WindowLaw(int index) {
    return index == 0 ? Law::Cycloid : index == 1 ? Law::ModifiedTrapezoid : Law::ModifiedSine;
}

std::optional<int> WindowLawIndex(Law law) {
    switch (law) {
        case Law::Cycloid:
            return 0;
        case Law::ModifiedTrapezoid:
            return 1;
        case Law::ModifiedSine:
            return 2;
        default:
            return std::nullopt;
    }
}

std::string FollowerKindNames() { return Joined(KindNames); }
std::string LawNames() { return Joined(LawTable); }

}  // namespace platecam::engine
