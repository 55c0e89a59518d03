#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/automation_object.h"
#include "drivers/native/native_library.h"

namespace orvenka::native {

// The C type of a name of the Shtrih-M classic interface.
enum class ShtrihType { Int, UInt32, UInt64, Double, Bool, Time, Money, MoneyInt, Str, Bytes };

struct ShtrihName {
    const char* name;    // as the program says it
    const char* symbol;  // the exported name after Get_/Set_, or the method itself
    bool method;
    ShtrihType type;
    bool readOnly;
};
// The name without regard to case; nullptr for a name the table does not know.
const ShtrihName* FindShtrihName(std::string_view name);

// "AddIn.DrvFR" over the vendor's libclassic_fr_drv_ng.so: one context per object, made with
// c_classic_init and destroyed with c_classic_deinit when the object goes. Properties map onto
// Get_<Name>/Set_<Name>, methods onto int <Name>(ctx); money crosses in driver units
// (kKopecksPerRouble), dates as local time_t, text as UTF-8.
class ShtrihNative : public AutomationObject {
  public:
    // Raises Failure when the library lacks c_classic_init or it answers no context. A
    // non-empty `connectionUri` is set to ConnectionURI before anything else.
    ShtrihNative(std::shared_ptr<const NativeLibrary> library, const std::string& connectionUri);
    ~ShtrihNative() override;

    std::string ProgId() const override { return "AddIn.DrvFR"; }
    void Set(std::string_view name, const Variant& value) override;
    Variant Get(std::string_view name) override;
    Variant Call(std::string_view name, const std::vector<Variant>& args = {}) override;

  private:
    const ShtrihName& Lookup(std::string_view name, bool method) const;
    std::string ReadString(const ShtrihName& n, const std::string& symbol);

    std::shared_ptr<const NativeLibrary> library_;
    void* ctx_ = nullptr;
};

}  // namespace orvenka::native
