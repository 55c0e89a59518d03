#include "drivers/native/native_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include "common/failure.h"
#include "common/text.h"
#include "drivers/driver_factory.h"

namespace orvenka::native {

NativeLibrary::NativeLibrary(std::string driver, std::string path)
    : driver_(std::move(driver)), path_(std::move(path)) {
    // RTLD_NOW: a library with an unresolved dependency fails here, once, not in the middle of
    // a receipt.
    handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = ::dlerror();
        throw DriverMissing(driver_ + ": не удалось загрузить библиотеку драйвера " + path_ + ": " +
                            (reason ? reason : "причина неизвестна"));
    }
}

NativeLibrary::~NativeLibrary() {
    if (handle_)
        ::dlclose(handle_);
}

void* NativeLibrary::Find(const std::string& symbol) const {
    return ::dlsym(handle_, symbol.c_str());
}

void NativeLibrary::Missing(const std::string& symbol, const std::string& name) const {
    throw DriverMissing(driver_ + ": в библиотеке драйвера " + path_ + " нет функции " + symbol +
                        " для " + name);
}

void* NativeLibrary::RequireAddress(const std::string& symbol, const std::string& name) const {
    void* address = Find(symbol);
    if (!address)
        Missing(symbol, name);
    return address;
}

bool IsSimulatorSetting(const std::string& setting) {
    const std::string s = UpperLatin(TrimText(setting));
    return s.empty() || s == "SIM";
}

std::string DriverLibraryPath(const std::string& setting, const std::vector<std::string>& installed,
                              const std::string& fileName) {
    if (IsSimulatorSetting(setting))
        return {};
    const std::string s = TrimText(setting);
    if (UpperLatin(s) != "AUTO")
        return s;
    for (const std::string& path : installed) {
        if (::access(path.c_str(), F_OK) == 0)
            return path;
    }
    return fileName;
}

}  // namespace orvenka::native
