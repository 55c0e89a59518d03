#include "drivers/variant.h"

#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

[[noreturn]] void Mismatch(const Variant& v, const char* wanted) {
    throw Failure("Несовпадение типов: значение " + v.Show() + " не является " + wanted);
}

}  // namespace

Variant Variant::DateTime(TDateTime value) {
    Variant v;
    v.value_ = DateTimeValue{value};
    return v;
}

Variant::Type Variant::GetType() const {
    return static_cast<Type>(value_.index());
}

int64_t Variant::ToInt() const {
    switch (GetType()) {
        case Type::Empty:
            return 0;
        case Type::Int:
            return std::get<int64_t>(value_);
        case Type::Float: {
            const double d = std::get<double>(value_);
            if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
                Mismatch(*this, "целым числом");
            return static_cast<int64_t>(std::llround(d));
        }
        case Type::Bool:
            return std::get<bool>(value_) ? 1 : 0;
        case Type::Text:
            if (const auto n = ParseInt(TrimText(std::get<std::string>(value_))))
                return *n;
            break;
        case Type::Bytes:
        case Type::DateTime:
            break;
    }
    Mismatch(*this, "целым числом");
}

double Variant::ToFloat() const {
    switch (GetType()) {
        case Type::Empty:
            return 0;
        case Type::Int:
            return static_cast<double>(std::get<int64_t>(value_));
        case Type::Float:
            return std::get<double>(value_);
        case Type::Bool:
            return std::get<bool>(value_) ? 1 : 0;
        case Type::Text:
            if (const auto d = ParseFloat(TrimText(std::get<std::string>(value_))))
                return *d;
            break;
        case Type::DateTime:
            return std::get<DateTimeValue>(value_).value;
        case Type::Bytes:
            break;
    }
    Mismatch(*this, "числом");
}

bool Variant::ToBool() const {
    switch (GetType()) {
        case Type::Empty:
            return false;
        case Type::Int:
            return std::get<int64_t>(value_) != 0;
        case Type::Float:
            return std::get<double>(value_) != 0;
        case Type::Bool:
            return std::get<bool>(value_);
        case Type::Text: {
            const std::string t = UpperLatin(TrimText(std::get<std::string>(value_)));
            if (t == "TRUE")
                return true;
            if (t == "FALSE")
                return false;
            if (const auto n = ParseInt(t))
                return *n != 0;
            break;
        }
        case Type::Bytes:
        case Type::DateTime:
            break;
    }
    Mismatch(*this, "логическим значением");
}

std::string Variant::ToText() const {
    switch (GetType()) {
        case Type::Empty:
            return {};
        case Type::Int:
            return std::to_string(std::get<int64_t>(value_));
        case Type::Float:
            return FormatGeneral(std::get<double>(value_));
        case Type::Bool:
            return std::get<bool>(value_) ? "True" : "False";
        case Type::Text:
            return std::get<std::string>(value_);
        case Type::DateTime:
            return FormatDateTime(std::get<DateTimeValue>(value_).value);
        case Type::Bytes:
            break;
    }
    Mismatch(*this, "текстом");
}

Bytes Variant::ToBytes() const {
    if (GetType() == Type::Bytes)
        return std::get<Bytes>(value_);
    if (GetType() == Type::Empty)
        return {};
    Mismatch(*this, "массивом байтов");
}

TDateTime Variant::ToDateTime() const {
    switch (GetType()) {
        case Type::DateTime:
            return std::get<DateTimeValue>(value_).value;
        case Type::Float:
            return std::get<double>(value_);
        case Type::Int:
            return static_cast<double>(std::get<int64_t>(value_));
        case Type::Empty:
            return 0;
        default:
            break;
    }
    Mismatch(*this, "датой и временем");
}

std::string Variant::Show() const {
    switch (GetType()) {
        case Type::Empty:
            return "(пусто)";
        case Type::Text:
            return "\"" + std::get<std::string>(value_) + "\"";
        case Type::Bool:
            return std::get<bool>(value_) ? "true" : "false";
        case Type::Bytes: {
            std::string s = "[";
            char hex[4];
            for (const uint8_t b : std::get<Bytes>(value_)) {
                std::snprintf(hex, sizeof hex, "%s%02X", s.size() > 1 ? " " : "", b);
                s += hex;
            }
            return s + "]";
        }
        default:
            return ToText();
    }
}

}  // namespace orvenka
