#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "drivers/variant.h"

namespace orvenka {

// A vendor driver as the back-ends see it: a late-bound automation object whose properties are
// set and read and whose methods are called by name, names without regard to case. Back-end code
// reads like the behaviour: fr.Set("Password", 30); fr.Call("OpenCheck");
//
// A name the object does not know, or a value it cannot take, raises a Failure as a failed
// late-bound call does; what the driver itself reports (a result code, an error text) is its
// own business and comes back as values.
class AutomationObject {
  public:
    virtual ~AutomationObject() = default;

    virtual std::string ProgId() const = 0;
    virtual void Set(std::string_view name, const Variant& value) = 0;
    virtual Variant Get(std::string_view name) = 0;
    virtual Variant Call(std::string_view name, const std::vector<Variant>& args = {}) = 0;

    int64_t GetInt(std::string_view name) { return Get(name).ToInt(); }
    double GetFloat(std::string_view name) { return Get(name).ToFloat(); }
    bool GetBool(std::string_view name) { return Get(name).ToBool(); }
    std::string GetText(std::string_view name) { return Get(name).ToText(); }
    // A method whose answer is a result code (0 = success).
    int CallInt(std::string_view name, const std::vector<Variant>& args = {}) {
        return static_cast<int>(Call(name, args).ToInt());
    }
};

}  // namespace orvenka
