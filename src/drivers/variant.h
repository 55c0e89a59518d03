#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "common/dates.h"

namespace orvenka {

using Bytes = std::vector<uint8_t>;

// A value passed to or read from a driver object: what a late-bound automation call carries.
// Conversions follow what the drivers' callers rely on: numbers and flags convert into each
// other, a text converts when it reads as the number; anything else is a type mismatch, raised
// as a Failure like the failed call of a real automation object.
class Variant {
  public:
    enum class Type { Empty, Int, Float, Bool, Text, Bytes, DateTime };

    Variant() = default;
    Variant(int value) : value_(static_cast<int64_t>(value)) {}
    Variant(int64_t value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(bool value) : value_(value) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(Bytes value) : value_(std::move(value)) {}
    // TDateTime is a double; a date-time value says so explicitly.
    static Variant DateTime(TDateTime value);

    Type GetType() const;
    bool IsEmpty() const { return GetType() == Type::Empty; }

    int64_t ToInt() const;
    double ToFloat() const;
    bool ToBool() const;
    std::string ToText() const;
    Bytes ToBytes() const;
    TDateTime ToDateTime() const;

    // The value as the traffic record shows it: 30, 1.5, true, "text", 12.02.2021 10:30:15, [0A
    // FF].
    std::string Show() const;

    bool operator==(const Variant&) const = default;

  private:
    struct DateTimeValue {
        TDateTime value;
        bool operator==(const DateTimeValue&) const = default;
    };
    std::variant<std::monostate, int64_t, double, bool, std::string, Bytes, DateTimeValue> value_;
};

}  // namespace orvenka
