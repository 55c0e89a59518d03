#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/automation_object.h"
#include "drivers/native/native_library.h"

namespace orvenka::native {

// "AddIn.Fptr10" over the vendor's libfptr10.so: one handle per object (libfptr_create, and
// libfptr_destroy when the object goes, that is when the command loop releases the driver).
// The LIBFPTR_ constants are answered from the one table of the vendor's values; the calls
// map onto libfptr_* (setParam by the type of its value, the getParam family, errorCode,
// errorDescription, the settings, the operations); text crosses as wchar_t, date-times as the
// six ints.
class Fptr10Native : public AutomationObject {
  public:
    // Raises Failure when the library lacks libfptr_create or it fails.
    explicit Fptr10Native(std::shared_ptr<const NativeLibrary> library);
    ~Fptr10Native() override;

    std::string ProgId() const override { return "AddIn.Fptr10"; }
    void Set(std::string_view name, const Variant& value) override;
    Variant Get(std::string_view name) override;
    Variant Call(std::string_view name, const std::vector<Variant>& args = {}) override;

  private:
    template <class F>
    F Fn(const char* symbol, std::string_view name) const {
        return library_->Require<F>(symbol, std::string(name));
    }
    void SetParam(std::string_view name, int id, const Variant& value);
    std::string WideResult(std::string_view name, const char* symbol, int id, bool withId);
    int Operation(std::string_view name);

    std::shared_ptr<const NativeLibrary> library_;
    void* handle_ = nullptr;
};

// The late-bound operation `name` as the exported symbol ("queryData" -> "libfptr_query_data");
// empty for a name the table does not know.
std::string Fptr10OperationSymbol(std::string_view name);

}  // namespace orvenka::native
