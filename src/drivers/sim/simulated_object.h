#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/automation_object.h"
#include "drivers/driver_factory.h"
#include "drivers/sim/sim_files.h"

namespace orvenka {

// What the simulated registers share: names without regard to case, typed properties and
// methods, the traffic record, injected faults, and their files in the working folder
// ("<stem>.state.ini", "<stem>.tape.txt", "<stem>.faults.ini"). A subclass defines its names and
// what its methods do, and says how a fault shows on its object.
class SimulatedObject : public AutomationObject {
  public:
    std::string ProgId() const override { return progId_; }
    void Set(std::string_view name, const Variant& value) override;
    Variant Get(std::string_view name) override;
    Variant Call(std::string_view name, const std::vector<Variant>& args = {}) override;

    // Faults injected by tests, on top of those of the faults file.
    SimFaults& Faults() { return faults_; }
    const std::string& FolderPath() const { return env_.folder; }

  protected:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;
    using Method = std::function<Variant(const std::vector<Variant>& args)>;

    // `description` goes into the one message-log line that says the register is simulated.
    SimulatedObject(std::string progId, const std::string& fileStem, const std::string& description,
                    const DriverEnvironment& env);

    // A stored property whose type is that of `initial`: a written value is converted to it (a
    // value that does not convert is a type mismatch). `onSet` runs after each write.
    void DefineProperty(std::string_view name, Variant initial, Setter onSet = nullptr);
    // A property computed on each read (and read-only unless `onSet` is given).
    void DefineComputed(std::string_view name, Getter get, Setter onSet = nullptr);
    void DefineMethod(std::string_view name, Method body);
    bool Defines(std::string_view name) const;

    // The stored value of a property, for the register's own logic.
    Variant& Value(std::string_view name);
    int64_t Int(std::string_view name) { return Value(name).ToInt(); }
    double Float(std::string_view name) { return Value(name).ToFloat(); }
    std::string Text(std::string_view name) { return Value(name).ToText(); }

    // A method with an injected fault does not run; the register shows the fault its own way
    // (result code and description properties, a last-error text) and answers the call.
    virtual Variant AnswerFault(std::string_view method, const SimFault& fault) = 0;

    // The register's clock: the computer's, moved by the injected offset.
    TDateTime Now() const;

    const DriverEnvironment& env_;
    SimFaults faults_;
    SimState state_;
    SimTape tape_;

  private:
    struct Property {
        Variant value;
        Getter get;
        Setter onSet;
    };
    Property* FindProperty(std::string_view name);
    void Record(const std::string& line);

    std::string progId_;
    std::map<std::string, Property> properties_;  // upper-cased names
    std::map<std::string, Method> methods_;
};

}  // namespace orvenka
