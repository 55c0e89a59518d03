#include "drivers/native/fptr10_native.h"

#include <limits>
#include <unordered_map>

#include "common/failure.h"
#include "common/text.h"
#include "drivers/fptr10_constants.h"
#include "drivers/native/native_values.h"
#include "drivers/sim/fiscal_tlv.h"

namespace orvenka::native {
namespace {

constexpr const char* kDriver = "АТОЛ";
using Handle = void*;

const Variant& Arg(const std::vector<Variant>& args, size_t i, std::string_view name) {
    if (i >= args.size())
        throw Failure(std::string(kDriver) + ": не хватает аргументов вызова " + std::string(name));
    return args[i];
}

int ParamId(const std::vector<Variant>& args, std::string_view name) {
    const int64_t id = Arg(args, 0, name).ToInt();
    if (id < 0 || id > std::numeric_limits<int>::max())
        throw Failure(std::string(kDriver) + ": недопустимый параметр " + std::to_string(id));
    return static_cast<int>(id);
}

}  // namespace

std::string Fptr10OperationSymbol(std::string_view name) {
    static const std::unordered_map<std::string, std::string> symbols = {
#define FPTR10_OPERATION(name, symbol) {UpperLatin(#name), "libfptr_" #symbol},
#include "drivers/native/fptr10_operations.inc"
#undef FPTR10_OPERATION
    };
    const auto it = symbols.find(UpperLatin(name));
    return it == symbols.end() ? std::string() : it->second;
}

Fptr10Native::Fptr10Native(std::shared_ptr<const NativeLibrary> library)
    : library_(std::move(library)) {
    const auto create = Fn<int (*)(Handle*)>("libfptr_create", "создания объекта драйвера");
    // The destroy must exist before a handle is made, or the handle could never be freed.
    Fn<void (*)(Handle*)>("libfptr_destroy", "освобождения объекта драйвера");
    const int result = create(&handle_);
    if (result != 0 || !handle_)
        throw Failure(std::string(kDriver) + ": драйвер " + library_->Path() +
                      " не создал объект (libfptr_create ответил " + std::to_string(result) + ")");
}

Fptr10Native::~Fptr10Native() {
    if (const auto destroy = reinterpret_cast<void (*)(Handle*)>(library_->Find("libfptr_destroy")))
        destroy(&handle_);
}

void Fptr10Native::Set(std::string_view name, const Variant&) {
    throw Failure(std::string(kDriver) + ": свойство " + std::string(name) + " только для чтения");
}

Variant Fptr10Native::Get(std::string_view name) {
    if (const auto constant = Fptr10Constant(name))
        return *constant;
    if (SameNoCase(name, "CharLineLength")) {
        // The width of a receipt line is the register's, asked as the vendor's own tools do.
        SetParam(name, static_cast<int>(Fptr10Constant("LIBFPTR_PARAM_DATA_TYPE")->ToInt()),
                 *Fptr10Constant("LIBFPTR_DT_RECEIPT_LINE_LENGTH"));
        if (Operation("queryData") != 0)
            throw Failure(std::string(kDriver) + ": " +
                          WideResult(name, "libfptr_error_description", 0, false));
        return Variant(
            static_cast<int64_t>(Fn<unsigned (*)(Handle, int)>("libfptr_get_param_int", name)(
                handle_,
                static_cast<int>(Fptr10Constant("LIBFPTR_PARAM_RECEIPT_LINE_LENGTH")->ToInt()))));
    }
    throw Failure(std::string(kDriver) + ": драйвер " + library_->Path() + " не знает константу " +
                  std::string(name));
}

void Fptr10Native::SetParam(std::string_view name, int id, const Variant& value) {
    switch (value.GetType()) {
        case Variant::Type::Int: {
            const int64_t v = value.ToInt();
            // The driver's integers are unsigned 32-bit: a value outside is refused, never cut.
            if (v < 0 || v > static_cast<int64_t>(std::numeric_limits<unsigned>::max()))
                throw Failure(std::string(kDriver) + ": значение " + std::to_string(v) +
                              " не подходит для параметра " + std::to_string(id));
            Fn<void (*)(Handle, int, unsigned)>("libfptr_set_param_int", name)(
                handle_, id, static_cast<unsigned>(v));
            return;
        }
        case Variant::Type::Float:
            Fn<void (*)(Handle, int, double)>("libfptr_set_param_double", name)(handle_, id,
                                                                                value.ToFloat());
            return;
        case Variant::Type::Bool:
            Fn<void (*)(Handle, int, int)>("libfptr_set_param_bool", name)(handle_, id,
                                                                           value.ToBool() ? 1 : 0);
            return;
        case Variant::Type::Text: {
            const std::wstring text = ToWide(value.ToText());
            Fn<void (*)(Handle, int, const wchar_t*)>("libfptr_set_param_str", name)(handle_, id,
                                                                                     text.c_str());
            return;
        }
        case Variant::Type::DateTime: {
            const SixInts s = ToSixInts(value.ToDateTime());
            Fn<void (*)(Handle, int, int, int, int, int, int, int)>(
                "libfptr_set_param_datetime", name)(handle_, id, s.year, s.month, s.day, s.hour,
                                                    s.minute, s.second);
            return;
        }
        case Variant::Type::Bytes: {
            const Bytes bytes = value.ToBytes();
            if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
                throw Failure(std::string(kDriver) + ": слишком длинное значение параметра");
            Fn<void (*)(Handle, int, const unsigned char*, int)>(
                "libfptr_set_param_bytearray", name)(handle_, id, bytes.data(),
                                                     static_cast<int>(bytes.size()));
            return;
        }
        case Variant::Type::Empty:
            break;
    }
    throw Failure(std::string(kDriver) + ": пустое значение параметра " + std::to_string(id));
}

std::string Fptr10Native::WideResult(std::string_view name, const char* symbol, int id,
                                     bool withId) {
    // The getter answers the size it needs: grow and ask again.
    std::wstring buffer(512, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int size = static_cast<int>(buffer.size());
        const int needed =
            withId ? Fn<int (*)(Handle, int, wchar_t*, int)>(symbol, name)(handle_, id,
                                                                           buffer.data(), size)
                   : Fn<int (*)(Handle, wchar_t*, int)>(symbol, name)(handle_, buffer.data(), size);
        if (needed < 0)
            break;
        if (needed <= size) {
            buffer.resize(static_cast<size_t>(needed));
            const size_t end = buffer.find(L'\0');
            return FromWide(end == std::wstring::npos ? buffer : buffer.substr(0, end));
        }
        if (needed > (16 << 20))
            break;
        buffer.assign(static_cast<size_t>(needed) + 1, L'\0');
    }
    throw Failure(std::string(kDriver) + ": драйвер вернул недопустимую длину текста " +
                  std::string(name));
}

int Fptr10Native::Operation(std::string_view name) {
    const std::string symbol = Fptr10OperationSymbol(name);
    if (symbol.empty())
        throw Failure(std::string(kDriver) + ": драйвер " + library_->Path() + " не знает метод " +
                      std::string(name));
    return Fn<int (*)(Handle)>(symbol.c_str(), name)(handle_);
}

Variant Fptr10Native::Call(std::string_view name, const std::vector<Variant>& args) {
    const std::string n = UpperLatin(name);
    if (n == "SETPARAM") {
        SetParam(name, ParamId(args, name), Arg(args, 1, name));
        return Variant(0);
    }
    if (n == "SETPARAMSTRHEX") {
        SetParam(name, ParamId(args, name), Variant(FromHex(Arg(args, 1, name).ToText())));
        return Variant(0);
    }
    if (n == "GETPARAMINT")
        return Variant(static_cast<int64_t>(Fn<unsigned (*)(Handle, int)>(
            "libfptr_get_param_int", name)(handle_, ParamId(args, name))));
    if (n == "GETPARAMDOUBLE")
        return Variant(Fn<double (*)(Handle, int)>("libfptr_get_param_double", name)(
            handle_, ParamId(args, name)));
    if (n == "GETPARAMBOOL")
        return Variant(Fn<int (*)(Handle, int)>("libfptr_get_param_bool", name)(
                           handle_, ParamId(args, name)) != 0);
    if (n == "GETPARAMSTRING")
        return Variant(WideResult(name, "libfptr_get_param_str", ParamId(args, name), true));
    if (n == "GETPARAMDATETIME") {
        SixInts s;
        Fn<void (*)(Handle, int, int*, int*, int*, int*, int*, int*)>(
            "libfptr_get_param_datetime", name)(handle_, ParamId(args, name), &s.year, &s.month,
                                                &s.day, &s.hour, &s.minute, &s.second);
        return Variant::DateTime(FromSixInts(s));
    }
    if (n == "GETPARAMBYTEARRAY") {
        const int id = ParamId(args, name);
        const auto get =
            Fn<int (*)(Handle, int, unsigned char*, int)>("libfptr_get_param_bytearray", name);
        Bytes buffer(512);
        for (int attempt = 0; attempt < 4; ++attempt) {
            const int needed = get(handle_, id, buffer.data(), static_cast<int>(buffer.size()));
            if (needed < 0 || needed > (16 << 20))
                break;
            if (static_cast<size_t>(needed) <= buffer.size()) {
                buffer.resize(static_cast<size_t>(needed));
                return Variant(buffer);
            }
            buffer.assign(static_cast<size_t>(needed), 0);
        }
        throw Failure(std::string(kDriver) + ": драйвер вернул недопустимую длину " +
                      std::string(name));
    }
    if (n == "ERRORCODE")
        return Variant(
            static_cast<int64_t>(Fn<int (*)(Handle)>("libfptr_error_code", name)(handle_)));
    if (n == "ERRORDESCRIPTION")
        return Variant(WideResult(name, "libfptr_error_description", 0, false));
    if (n == "SETSINGLESETTING") {
        const std::wstring key = ToWide(Arg(args, 0, name).ToText());
        const std::wstring value = ToWide(Arg(args, 1, name).ToText());
        Fn<void (*)(Handle, const wchar_t*, const wchar_t*)>("libfptr_set_single_setting", name)(
            handle_, key.c_str(), value.c_str());
        return Variant(0);
    }
    if (n == "ISOPENED")
        return Variant(Fn<int (*)(Handle)>("libfptr_is_opened", name)(handle_) != 0);
    if (n == "SHOWPROPERTIES") {
        const int64_t parent = args.empty() ? 0 : args[0].ToInt();
        return Variant(static_cast<int64_t>(Fn<int (*)(Handle, int, void*)>(
            "libfptr_show_properties", name)(handle_, static_cast<int>(parent), nullptr)));
    }
    if (!args.empty())
        throw Failure(std::string(kDriver) + ": метод " + std::string(name) +
                      " не принимает аргументов");
    return Variant(static_cast<int64_t>(Operation(name)));
}

}  // namespace orvenka::native
