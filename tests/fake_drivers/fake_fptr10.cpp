// A fake of the ATOL driver v10 (libfptr10.so) over our simulated register: the same symbols and
// C types, text as wchar_t, date-times as six ints, sizes by the buffer-size protocol.
#include <algorithm>
#include <cwchar>

#include "drivers/native/native_values.h"
#include "drivers/sim/fptr10_sim.h"
#include "fake_context.h"

using orvenka::Bytes;
using orvenka::Variant;
using Ctx = orvenka::fake::Context<orvenka::SimulatedFptr10>;
namespace nv = orvenka::native;

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

Ctx* C(void* h) {
    return static_cast<Ctx*>(h);
}

Variant Call(void* h, const char* method, const std::vector<Variant>& args = {}) {
    try {
        return C(h)->reg.Call(method, args);
    } catch (const std::exception&) {
        return Variant(-1);
    }
}

void SetParam(void* h, const char* symbol, int id, const Variant& value, const std::string& shown) {
    C(h)->Record(std::string(symbol) + " " + std::to_string(id) + " " + shown);
    Call(h, "setParam", {id, value});
}

int CopyWide(const std::string& utf8, wchar_t* out, int size) {
    const std::wstring w = nv::ToWide(utf8);
    if (out && size > 0) {
        const size_t n = std::min(static_cast<size_t>(size), w.size() + 1);
        std::wmemcpy(out, w.c_str(), n);
    }
    return static_cast<int>(w.size()) + 1;
}

}  // namespace

EXPORT const char* libfptr_get_version_string() {
    return "10.fake";
}

EXPORT int libfptr_create(void** handle) {
    if (orvenka::fake::Refuses())
        return -1;
    try {
        auto* c = new Ctx("fake_fptr10.calls.txt");
        c->Record("libfptr_create");
        *handle = c;
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

EXPORT void libfptr_destroy(void** handle) {
    C(*handle)->Record("libfptr_destroy");
    delete C(*handle);
    *handle = nullptr;
}

EXPORT void libfptr_set_param_int(void* h, int id, unsigned value) {
    SetParam(h, "libfptr_set_param_int", id, Variant(static_cast<int64_t>(value)),
             std::to_string(value));
}
EXPORT void libfptr_set_param_bool(void* h, int id, int value) {
    SetParam(h, "libfptr_set_param_bool", id, Variant(value != 0), std::to_string(value));
}
EXPORT void libfptr_set_param_double(void* h, int id, double value) {
    SetParam(h, "libfptr_set_param_double", id, Variant(value), std::to_string(value));
}
EXPORT void libfptr_set_param_str(void* h, int id, const wchar_t* value) {
    const std::string text = nv::FromWide(value);
    SetParam(h, "libfptr_set_param_str", id, Variant(text), text);
}
EXPORT void libfptr_set_param_datetime(void* h, int id, int y, int mo, int d, int hh, int mi,
                                       int ss) {
    SetParam(h, "libfptr_set_param_datetime", id,
             Variant::DateTime(nv::FromSixInts({y, mo, d, hh, mi, ss})),
             std::to_string(y) + "-" + std::to_string(mo) + "-" + std::to_string(d) + " " +
                 std::to_string(hh) + ":" + std::to_string(mi) + ":" + std::to_string(ss));
}
EXPORT void libfptr_set_param_bytearray(void* h, int id, const unsigned char* value, int size) {
    SetParam(h, "libfptr_set_param_bytearray", id, Variant(Bytes(value, value + size)),
             std::to_string(size) + " bytes");
}

EXPORT unsigned libfptr_get_param_int(void* h, int id) {
    return static_cast<unsigned>(Call(h, "getParamInt", {id}).ToInt());
}
EXPORT int libfptr_get_param_bool(void* h, int id) {
    return Call(h, "getParamBool", {id}).ToBool() ? 1 : 0;
}
EXPORT double libfptr_get_param_double(void* h, int id) {
    return Call(h, "getParamDouble", {id}).ToFloat();
}
EXPORT int libfptr_get_param_str(void* h, int id, wchar_t* out, int size) {
    return CopyWide(Call(h, "getParamString", {id}).ToText(), out, size);
}
EXPORT void libfptr_get_param_datetime(void* h, int id, int* y, int* mo, int* d, int* hh, int* mi,
                                       int* ss) {
    const nv::SixInts s = nv::ToSixInts(Call(h, "getParamDateTime", {id}).ToDateTime());
    *y = s.year, *mo = s.month, *d = s.day, *hh = s.hour, *mi = s.minute, *ss = s.second;
}
EXPORT int libfptr_get_param_bytearray(void* h, int id, unsigned char* out, int size) {
    const Bytes b = Call(h, "getParamByteArray", {id}).ToBytes();
    if (out && size > 0)
        std::copy_n(b.begin(), std::min(b.size(), static_cast<size_t>(size)), out);
    return static_cast<int>(b.size());
}

EXPORT int libfptr_error_code(void* h) {
    return static_cast<int>(Call(h, "errorCode").ToInt());
}
EXPORT int libfptr_error_description(void* h, wchar_t* out, int size) {
    return CopyWide(Call(h, "errorDescription").ToText(), out, size);
}

EXPORT void libfptr_set_single_setting(void* h, const wchar_t* key, const wchar_t* value) {
    const std::string k = nv::FromWide(key), v = nv::FromWide(value);
    C(h)->Record("libfptr_set_single_setting " + k + " " + v);
    Call(h, "setSingleSetting", {k, v});
}
EXPORT int libfptr_is_opened(void* h) {
    return Call(h, "isOpened").ToBool() ? 1 : 0;
}
EXPORT int libfptr_show_properties(void* h, int parentType, void*) {
    C(h)->Record("libfptr_show_properties " + std::to_string(parentType));
    return static_cast<int>(Call(h, "showProperties").ToInt());
}

#define FPTR10_OPERATION(name, symbol)                   \
    EXPORT int libfptr_##symbol(void* h) {               \
        C(h)->Record("libfptr_" #symbol);                \
        return static_cast<int>(Call(h, #name).ToInt()); \
    }
#include "drivers/native/fptr10_operations.inc"
