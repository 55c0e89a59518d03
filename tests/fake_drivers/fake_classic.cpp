// A fake of the Shtrih-M classic C interface (libclassic_fr_drv_ng.so) over our simulated
// register: the same symbols and C types, money in kopecks, dates as local time_t, text as
// UTF-8 with the length protocol.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "drivers/native/native_values.h"
#include "drivers/sim/shtrih_sim.h"
#include "fake_context.h"

using orvenka::Bytes;
using orvenka::Variant;
using Ctx = orvenka::fake::Context<orvenka::ShtrihSimulator>;

namespace {

// A name the simulator lacks reads as zero, as an unused property of the driver does.
Variant Read(Ctx* c, const char* name) {
    try {
        return c->reg.Get(name);
    } catch (const std::exception&) {
        return Variant(0);
    }
}

void Write(Ctx* c, const char* symbol, const char* name, const Variant& v,
           const std::string& shown) {
    c->Record(std::string("Set_") + symbol + " " + shown);
    try {
        c->reg.Set(name, v);
    } catch (const std::exception&) {
    }
}

size_t CopyOut(const std::string& value, void* out, size_t size) {
    if (out && size)
        std::memcpy(out, value.data(), std::min(size, value.size()));
    return value.size();
}

std::string In(const void* value, size_t len) {
    if (!value)
        return {};
    const char* p = static_cast<const char*>(value);
    return std::string(p, len == SIZE_MAX ? std::strlen(p) : len);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void* c_classic_init(const char*) {
    if (orvenka::fake::Refuses())
        return nullptr;
    try {
        auto* c = new Ctx("fake_classic.calls.txt");
        c->Record("c_classic_init");
        return c;
    } catch (const std::exception&) {
        return nullptr;
    }
}

__attribute__((visibility("default"))) void c_classic_deinit(void* ctx) {
    auto* c = static_cast<Ctx*>(ctx);
    c->Record("c_classic_deinit");
    delete c;
}

#define EXPORT __attribute__((visibility("default")))
#define GET_SCALAR(T, name, symbol, from)                      \
    EXPORT T Get_##symbol(void* ctx) {                         \
        const Variant v = Read(static_cast<Ctx*>(ctx), #name); \
        return from;                                           \
    }
#define SET_SCALAR(T, name, symbol, to, shown)                    \
    EXPORT void Set_##symbol(void* ctx, T value) {                \
        Write(static_cast<Ctx*>(ctx), #symbol, #name, to, shown); \
    }

#define FAKE_INT(T, name, symbol, rw)                      \
    GET_SCALAR(T, name, symbol, static_cast<T>(v.ToInt())) \
    FAKE_SET_##rw(                                         \
        SET_SCALAR(T, name, symbol, Variant(static_cast<int64_t>(value)), std::to_string(value)))
#define FAKE_INT_INT(name, symbol, rw) FAKE_INT(int, name, symbol, rw)
#define FAKE_INT_UINT32(name, symbol, rw) FAKE_INT(uint32_t, name, symbol, rw)
#define FAKE_INT_UINT64(name, symbol, rw) FAKE_INT(uint64_t, name, symbol, rw)
#define FAKE_INT_DOUBLE(name, symbol, rw)         \
    GET_SCALAR(double, name, symbol, v.ToFloat()) \
    FAKE_SET_##rw(SET_SCALAR(double, name, symbol, Variant(value), std::to_string(value)))
#define FAKE_INT_BOOL(name, symbol, rw)        \
    GET_SCALAR(bool, name, symbol, v.ToBool()) \
    FAKE_SET_##rw(SET_SCALAR(bool, name, symbol, Variant(value), value ? "true" : "false"))
#define FAKE_INT_TIME(name, symbol, rw)                                            \
    GET_SCALAR(time_t, name, symbol, orvenka::native::ToTimeT(v.ToDateTime()))     \
    FAKE_SET_##rw(SET_SCALAR(time_t, name, symbol,                                 \
                             Variant::DateTime(orvenka::native::FromTimeT(value)), \
                             std::to_string(value)))
// The simulator counts roubles; the library's money is whole kopecks.
#define FAKE_INT_MONEY(name, symbol, rw)                                                       \
    GET_SCALAR(int64_t, name, symbol, std::llround(v.ToFloat() * 100))                         \
    FAKE_SET_##rw(SET_SCALAR(int64_t, name, symbol, Variant(static_cast<double>(value) / 100), \
                             std::to_string(value)))
#define FAKE_INT_MONEY_INT(name, symbol, rw)                                               \
    GET_SCALAR(int, name, symbol, static_cast<int>(std::lround(v.ToFloat() * 100)))        \
    FAKE_SET_##rw(SET_SCALAR(int, name, symbol, Variant(static_cast<double>(value) / 100), \
                             std::to_string(value)))
#define FAKE_INT_STR(name, symbol, rw)                                                 \
    EXPORT size_t Get_##symbol(void* ctx, char* out, size_t size) {                    \
        return CopyOut(Read(static_cast<Ctx*>(ctx), #name).ToText(), out, size);       \
    }                                                                                  \
    FAKE_SET_##rw(EXPORT void Set_##symbol(void* ctx, const char* value, size_t len) { \
        const std::string text = In(value, len);                                       \
        Write(static_cast<Ctx*>(ctx), #symbol, #name, Variant(text), text);            \
    })
#define FAKE_INT_BYTES(name, symbol, rw)                                                      \
    EXPORT size_t Get_##symbol(void* ctx, uint8_t* out, size_t size) {                        \
        const Bytes b = Read(static_cast<Ctx*>(ctx), #name).ToBytes();                        \
        return CopyOut(std::string(b.begin(), b.end()), out, size);                           \
    }                                                                                         \
    FAKE_SET_##rw(EXPORT void Set_##symbol(void* ctx, const uint8_t* value, size_t len) {     \
        const std::string raw = In(value, len);                                               \
        Write(static_cast<Ctx*>(ctx), #symbol, #name, Variant(Bytes(raw.begin(), raw.end())), \
              std::to_string(raw.size()) + " bytes");                                         \
    })
#define FAKE_SET_RW(...) __VA_ARGS__
#define FAKE_SET_RO(...)

#define SHTRIH_PROPERTY(name, symbol, type, access) FAKE_INT_##type(name, symbol, access)
#define SHTRIH_METHOD(name)                                 \
    EXPORT int name(void* ctx) {                            \
        auto* c = static_cast<Ctx*>(ctx);                   \
        c->Record(#name);                                   \
        try {                                               \
            return static_cast<int>(c->reg.CallInt(#name)); \
        } catch (const std::exception&) {                   \
            return -1;                                      \
        }                                                   \
    }
#include "drivers/native/shtrih_names.inc"

}  // extern "C"
