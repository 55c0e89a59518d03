#pragma once
#include <memory>
#include <string>
#include <vector>

namespace orvenka::native {

// A vendor's driver library, loaded at run time: nothing of it is needed to build. `driver`
// names it in every failure ("Штрих-М", "АТОЛ").
class NativeLibrary {
  public:
    // Raises Failure with the path and the loader's reason when the library does not load.
    NativeLibrary(std::string driver, std::string path);
    ~NativeLibrary();
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    // The address of a symbol, nullptr when the library lacks it.
    void* Find(const std::string& symbol) const;
    // The function `symbol`; a library that lacks it raises Failure naming the driver, `name`
    // (what the program asked for) and the path.
    template <class F>
    F Require(const std::string& symbol, const std::string& name) const {
        return reinterpret_cast<F>(RequireAddress(symbol, name));
    }
    [[noreturn]] void Missing(const std::string& symbol, const std::string& name) const;

    const std::string& Driver() const { return driver_; }
    const std::string& Path() const { return path_; }

  private:
    void* RequireAddress(const std::string& symbol, const std::string& name) const;

    std::string driver_;
    std::string path_;
    void* handle_ = nullptr;
};

// The library a driver setting names: "" and "SIM" (any case) answer "" (the simulated
// register); "AUTO" the first of `installed` that exists, else `fileName` itself for the
// loader's own search path; anything else is the path as written.
std::string DriverLibraryPath(const std::string& setting, const std::vector<std::string>& installed,
                              const std::string& fileName);
bool IsSimulatorSetting(const std::string& setting);

}  // namespace orvenka::native
