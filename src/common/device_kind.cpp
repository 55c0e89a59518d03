#include "common/device_kind.h"

#include "common/text.h"

namespace orvenka {
namespace {

struct KindNameRow {
    DeviceKind kind;
    const char* name;
};
constexpr KindNameRow kKindNames[] = {
    {DeviceKind::Emul, "EMUL"},
    {DeviceKind::Atol, "ATOL"},
    {DeviceKind::Shtrih, "SHTRIH"},
};

}  // namespace

std::optional<DeviceKind> KindFromName(const std::string& name) {
    std::string word = UpperLatin(TrimText(name));
    if (!word.empty() && word[0] == '/')
        word.erase(0, 1);
    for (const auto& row : kKindNames) {
        if (word == row.name)
            return row.kind;
    }
    return std::nullopt;
}

std::string KindName(DeviceKind kind) {
    for (const auto& row : kKindNames) {
        if (row.kind == kind)
            return row.name;
    }
    return "?";
}

std::string KindArgument(DeviceKind kind) {
    return "/" + KindName(kind);
}

}  // namespace orvenka
