#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/logger.h"
#include "drivers/driver_factory.h"

namespace orvenka {

// The calls that go to the ATOL driver v10 object "AddIn.Fptr10": its LIBFPTR_ constants read by
// name from the object, inputs through setParam, outputs through the getParam calls, and the
// one place where a driver result becomes our Failure. Nothing here knows a constant's value.
class AtolDriver {
  public:
    static constexpr const char* kProgId = "AddIn.Fptr10";

    AtolDriver(std::shared_ptr<DriverFactory> factory, Logger& log)
        : factory_(std::move(factory)), log_(log) {}

    bool Exists() const { return object_ != nullptr; }
    // ATOL_CreateDriver: up to six attempts one after another, each failure in the message log;
    // after six the object stays empty and the next call raises. A driver library that does not
    // load is not tried again: the next call raises with its reason.
    void Create();
    void Release();

    // A LIBFPTR_ constant by name, read once per object. A name the driver does not know raises
    // Failure naming it.
    Variant Constant(const std::string& name);
    int64_t ConstantInt(const std::string& name) { return Constant(name).ToInt(); }

    // setParam(LIBFPTR_PARAM_<param>, value); `param` is the constant's full name.
    void SetParam(const std::string& param, const Variant& value);
    // setParam(tag, value) for a fiscal tag number.
    void SetTag(int tag, const Variant& value);
    void SetTagHex(int tag, const std::string& hex);  // setParamStrHex
    void SetSingleSetting(const std::string& setting, const std::string& value);

    // An operation of the driver; its answer, 0 on success.
    int Run(const std::string& method, const std::vector<Variant>& args = {});
    bool IsOpened();

    int64_t ParamInt(const std::string& param);
    std::string ParamString(const std::string& param);
    bool ParamBool(const std::string& param);
    TDateTime ParamDateTime(const std::string& param);
    Bytes ParamBytes(const std::string& param);

    std::string ErrorDescription();
    // The one place a driver result becomes our Failure: a non-zero result raises
    // prefix + errorDescription + suffix.
    void Check(int result, const std::string& prefix, const std::string& suffix = {});

    // A property of the object (CharLineLength).
    Variant Property(const std::string& name);

  private:
    AutomationObject& Object();

    std::shared_ptr<DriverFactory> factory_;
    Logger& log_;
    std::unique_ptr<AutomationObject> object_;
    std::string createError_;
    std::map<std::string, Variant> constants_;  // upper-cased name
};

}  // namespace orvenka
