#include "backends/atol/atol_driver.h"

#include "common/failure.h"
#include "common/text.h"

namespace orvenka {

void AtolDriver::Create() {
    constexpr int kAttempts = 6;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        try {
            object_ = factory_->Create(kProgId);
            constants_.clear();
            createError_.clear();
            return;
        } catch (const DriverMissing& e) {
            // A library that does not load fails alike on every attempt: the command's one
            // error line says why, when the object is first used.
            createError_ = e.what();
            return;
        } catch (const std::exception& e) {
            createError_ = e.what();
            log_.LogMessage("Атол:Ошибка подключения к ФР:" + createError_ +
                            " возможно надо поставить 32разр драйвера");
        }
    }
}

void AtolDriver::Release() {
    object_.reset();
    constants_.clear();
}

AutomationObject& AtolDriver::Object() {
    if (!object_) {
        throw Failure("Атол: драйвер " + std::string(kProgId) + " не создан" +
                      (createError_.empty() ? "" : ": " + createError_));
    }
    return *object_;
}

Variant AtolDriver::Constant(const std::string& name) {
    const std::string key = UpperLatin(name);
    const auto it = constants_.find(key);
    if (it != constants_.end())
        return it->second;
    Variant value;
    try {
        value = Object().Get(name);
    } catch (const Failure& f) {
        throw Failure("Атол: драйвер не знает константу " + name + " (" + f.what() + ")");
    }
    constants_.emplace(key, value);
    return value;
}

void AtolDriver::SetParam(const std::string& param, const Variant& value) {
    Object().Call("setParam", {Constant(param), value});
}

void AtolDriver::SetTag(int tag, const Variant& value) {
    Object().Call("setParam", {tag, value});
}

void AtolDriver::SetTagHex(int tag, const std::string& hex) {
    Object().Call("setParamStrHex", {tag, hex});
}

void AtolDriver::SetSingleSetting(const std::string& setting, const std::string& value) {
    Object().Call("setSingleSetting", {Constant(setting), value});
}

int AtolDriver::Run(const std::string& method, const std::vector<Variant>& args) {
    return static_cast<int>(Object().Call(method, args).ToInt());
}

bool AtolDriver::IsOpened() {
    return Object().Call("isOpened").ToBool();
}

int64_t AtolDriver::ParamInt(const std::string& param) {
    return Object().Call("getParamInt", {Constant(param)}).ToInt();
}

std::string AtolDriver::ParamString(const std::string& param) {
    return Object().Call("getParamString", {Constant(param)}).ToText();
}

bool AtolDriver::ParamBool(const std::string& param) {
    return Object().Call("getParamBool", {Constant(param)}).ToBool();
}

TDateTime AtolDriver::ParamDateTime(const std::string& param) {
    return Object().Call("getParamDateTime", {Constant(param)}).ToDateTime();
}

Bytes AtolDriver::ParamBytes(const std::string& param) {
    return Object().Call("getParamByteArray", {Constant(param)}).ToBytes();
}

std::string AtolDriver::ErrorDescription() {
    return Object().Call("errorDescription").ToText();
}

void AtolDriver::Check(int result, const std::string& prefix, const std::string& suffix) {
    if (result != 0)
        throw Failure(prefix + ErrorDescription() + suffix);
}

Variant AtolDriver::Property(const std::string& name) {
    return Object().Get(name);
}

}  // namespace orvenka
