#include "drivers/native/shtrih_native.h"

#include <cstdint>
#include <ctime>
#include <limits>
#include <unordered_map>

#include "common/failure.h"
#include "common/text.h"
#include "drivers/native/native_values.h"

namespace orvenka::native {
namespace {

constexpr const char* kDriver = "Штрих-М";

const ShtrihName kNames[] = {
#define SHTRIH_PROPERTY(name, symbol, type, access) \
    {#name, #symbol, false, ShtrihType::SHTRIH_TYPE_##type, SHTRIH_##access},
#define SHTRIH_METHOD(name) {#name, #name, true, ShtrihType::Int, true},
#define SHTRIH_TYPE_INT Int
#define SHTRIH_TYPE_UINT32 UInt32
#define SHTRIH_TYPE_UINT64 UInt64
#define SHTRIH_TYPE_DOUBLE Double
#define SHTRIH_TYPE_BOOL Bool
#define SHTRIH_TYPE_TIME Time
#define SHTRIH_TYPE_MONEY Money
#define SHTRIH_TYPE_MONEY_INT MoneyInt
#define SHTRIH_TYPE_STR Str
#define SHTRIH_TYPE_BYTES Bytes
#define SHTRIH_RW false
#define SHTRIH_RO true
#include "drivers/native/shtrih_names.inc"
#undef SHTRIH_PROPERTY
#undef SHTRIH_METHOD
};

// An integer a C int (or uint32_t) takes, or the Failure of a value the driver cannot hold.
template <class T>
T Narrow(const Variant& value, const ShtrihName& n) {
    const int64_t v = value.ToInt();
    if (v < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        static_cast<uint64_t>(v) > static_cast<uint64_t>(std::numeric_limits<T>::max()) ||
        (v < 0 && !std::numeric_limits<T>::is_signed))
        throw Failure(std::string(kDriver) + ": значение " + std::to_string(v) +
                      " не подходит для " + n.name);
    return static_cast<T>(v);
}

}  // namespace

const ShtrihName* FindShtrihName(std::string_view name) {
    static const auto byName = [] {
        std::unordered_map<std::string, const ShtrihName*> map;
        for (const ShtrihName& n : kNames)
            map.emplace(UpperLatin(n.name), &n);
        return map;
    }();
    const auto it = byName.find(UpperLatin(name));
    return it == byName.end() ? nullptr : it->second;
}

ShtrihNative::ShtrihNative(std::shared_ptr<const NativeLibrary> library,
                           const std::string& connectionUri)
    : library_(std::move(library)) {
    using Init = void* (*)(const char*);
    const auto init = library_->Require<Init>("c_classic_init", "создания объекта драйвера");
    // The deinit must exist before a context is made, or the context could never be freed.
    library_->Require<void (*)(void*)>("c_classic_deinit", "освобождения объекта драйвера");
    ctx_ = init(nullptr);
    if (!ctx_)
        throw Failure(std::string(kDriver) + ": драйвер " + library_->Path() +
                      " не создал объект (c_classic_init)");
    if (!connectionUri.empty()) {
        try {
            Set("ConnectionURI", connectionUri);
        } catch (...) {
            library_->Require<void (*)(void*)>("c_classic_deinit", "")(ctx_);
            throw;
        }
    }
}

ShtrihNative::~ShtrihNative() {
    if (const auto deinit = reinterpret_cast<void (*)(void*)>(library_->Find("c_classic_deinit")))
        deinit(ctx_);
}

const ShtrihName& ShtrihNative::Lookup(std::string_view name, bool method) const {
    const ShtrihName* n = FindShtrihName(name);
    if (!n || n->method != method)
        throw Failure(std::string(kDriver) + ": драйвер " + library_->Path() + " не знает " +
                      (method ? "метод " : "свойство ") + std::string(name));
    return *n;
}

void ShtrihNative::Set(std::string_view name, const Variant& value) {
    const ShtrihName& n = Lookup(name, false);
    if (n.readOnly)
        throw Failure(std::string(kDriver) + ": свойство " + n.name + " только для чтения");
    const std::string symbol = std::string("Set_") + n.symbol;
    const std::string what = std::string("свойства ") + n.name;
    // Each C shape: void Set_X(ctx, T).
    const auto set = [&]<class T>(T v) {
        library_->Require<void (*)(void*, T)>(symbol, what)(ctx_, v);
    };
    switch (n.type) {
        case ShtrihType::Int:
            set(Narrow<int>(value, n));
            break;
        case ShtrihType::UInt32:
            set(Narrow<uint32_t>(value, n));
            break;
        case ShtrihType::UInt64: {
            const int64_t v = value.ToInt();
            if (v < 0)
                throw Failure(std::string(kDriver) + ": значение " + std::to_string(v) +
                              " не подходит для " + n.name);
            set(static_cast<uint64_t>(v));
            break;
        }
        case ShtrihType::Double:
            set(value.ToFloat());
            break;
        case ShtrihType::Bool:
            set(value.ToBool());
            break;
        case ShtrihType::Time:
            set(static_cast<std::time_t>(ToTimeT(value.ToDateTime())));
            break;
        case ShtrihType::Money:
            set(ToDriverMoney(value.ToFloat()));
            break;
        case ShtrihType::MoneyInt:
            set(Narrow<int>(Variant(ToDriverMoney(value.ToFloat())), n));
            break;
        case ShtrihType::Str: {
            const std::string text = value.ToText();
            library_->Require<void (*)(void*, const char*, size_t)>(symbol, what)(ctx_, text.data(),
                                                                                  text.size());
            break;
        }
        case ShtrihType::Bytes: {
            const Bytes bytes = value.ToBytes();
            library_->Require<void (*)(void*, const uint8_t*, size_t)>(symbol, what)(
                ctx_, bytes.data(), bytes.size());
            break;
        }
    }
}

std::string ShtrihNative::ReadString(const ShtrihName& n, const std::string& symbol) {
    const auto get = library_->Require<size_t (*)(void*, char*, size_t)>(
        symbol, std::string("свойства ") + n.name);
    // The getter answers the real size and copies at most what fits: grow and ask again. A
    // value that changes between the calls is asked for again, a bounded number of times.
    std::string buffer(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const size_t size = get(ctx_, buffer.data(), buffer.size());
        if (size <= buffer.size()) {
            buffer.resize(size);
            // A terminator the driver counted is not part of the value.
            if (n.type == ShtrihType::Str && !buffer.empty() && buffer.back() == '\0')
                buffer.pop_back();
            return buffer;
        }
        if (size > (64u << 20))
            break;
        buffer.assign(size + 1, '\0');
    }
    throw Failure(std::string(kDriver) + ": драйвер вернул недопустимую длину " + n.name);
}

Variant ShtrihNative::Get(std::string_view name) {
    const ShtrihName& n = Lookup(name, false);
    const std::string symbol = std::string("Get_") + n.symbol;
    const std::string what = std::string("свойства ") + n.name;
    const auto get = [&]<class T>(T*) {
        return library_->Require<T (*)(void*)>(symbol, what)(ctx_);
    };
    switch (n.type) {
        case ShtrihType::Int:
            return Variant(static_cast<int64_t>(get(static_cast<int*>(nullptr))));
        case ShtrihType::UInt32:
            return Variant(static_cast<int64_t>(get(static_cast<uint32_t*>(nullptr))));
        case ShtrihType::UInt64: {
            const uint64_t v = get(static_cast<uint64_t*>(nullptr));
            if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
                throw Failure(std::string(kDriver) + ": драйвер вернул слишком большое значение " +
                              n.name);
            return Variant(static_cast<int64_t>(v));
        }
        case ShtrihType::Double:
            return Variant(get(static_cast<double*>(nullptr)));
        case ShtrihType::Bool:
            return Variant(get(static_cast<bool*>(nullptr)));
        case ShtrihType::Time:
            return Variant::DateTime(FromTimeT(get(static_cast<std::time_t*>(nullptr))));
        case ShtrihType::Money:
            return Variant(FromDriverMoney(get(static_cast<int64_t*>(nullptr))));
        case ShtrihType::MoneyInt:
            return Variant(FromDriverMoney(get(static_cast<int*>(nullptr))));
        case ShtrihType::Str:
            return Variant(ReadString(n, symbol));
        case ShtrihType::Bytes: {
            const std::string raw = ReadString(n, symbol);
            return Variant(Bytes(raw.begin(), raw.end()));
        }
    }
    return {};
}

Variant ShtrihNative::Call(std::string_view name, const std::vector<Variant>& args) {
    const ShtrihName& n = Lookup(name, true);
    if (!args.empty())
        throw Failure(std::string(kDriver) + ": метод " + n.name + " не принимает аргументов");
    return Variant(
        library_->Require<int (*)(void*)>(n.symbol, std::string("метода ") + n.name)(ctx_));
}

}  // namespace orvenka::native
