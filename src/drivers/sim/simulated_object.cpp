#include "drivers/sim/simulated_object.h"

#include "common/failure.h"
#include "common/text.h"

namespace orvenka {
namespace {

// The stored value converted to the property's type.
Variant Converted(const Variant& current, const Variant& value) {
    switch (current.GetType()) {
        case Variant::Type::Int:
            return Variant(value.ToInt());
        case Variant::Type::Float:
            return Variant(value.ToFloat());
        case Variant::Type::Bool:
            return Variant(value.ToBool());
        case Variant::Type::Text:
            return Variant(value.ToText());
        case Variant::Type::Bytes:
            return Variant(value.ToBytes());
        case Variant::Type::DateTime:
            return Variant::DateTime(value.ToDateTime());
        case Variant::Type::Empty:
            break;
    }
    return value;
}

}  // namespace

SimulatedObject::SimulatedObject(std::string progId, const std::string& fileStem,
                                 const std::string& description, const DriverEnvironment& env)
    : env_(env),
      faults_(SimFaults::Load(env.folder + fileStem + ".faults.ini", env.log)),
      state_(env.folder + fileStem + ".state.ini", env.log),
      tape_(env.folder + fileStem + ".tape.txt", description),
      progId_(std::move(progId)) {
    env.log.LogMessage(progId_ + ": " + description +
                       " — симулятор, настоящий регистратор не подключен. Лента: " + tape_.Path());
}

void SimulatedObject::DefineProperty(std::string_view name, Variant initial, Setter onSet) {
    properties_[UpperLatin(name)] = Property{std::move(initial), nullptr, std::move(onSet)};
}

void SimulatedObject::DefineComputed(std::string_view name, Getter get, Setter onSet) {
    properties_[UpperLatin(name)] = Property{Variant(), std::move(get), std::move(onSet)};
}

void SimulatedObject::DefineMethod(std::string_view name, Method body) {
    methods_[UpperLatin(name)] = std::move(body);
}

bool SimulatedObject::Defines(std::string_view name) const {
    const std::string key = UpperLatin(name);
    return properties_.count(key) != 0 || methods_.count(key) != 0;
}

SimulatedObject::Property* SimulatedObject::FindProperty(std::string_view name) {
    const auto it = properties_.find(UpperLatin(name));
    return it == properties_.end() ? nullptr : &it->second;
}

Variant& SimulatedObject::Value(std::string_view name) {
    Property* p = FindProperty(name);
    if (!p)
        throw Failure(progId_ + ": неизвестное имя " + std::string(name));
    return p->value;
}

void SimulatedObject::Record(const std::string& line) {
    if (env_.traffic)
        env_.traffic->lines.push_back(line);
}

void SimulatedObject::Set(std::string_view name, const Variant& value) {
    if (env_.traffic)
        Record(std::string(name) + ":=" + value.Show());
    Property* p = FindProperty(name);
    if (!p || (p->get && !p->onSet))
        throw Failure(progId_ + ": неизвестное имя или свойство только для чтения " +
                      std::string(name));
    if (!p->get)
        p->value = Converted(p->value, value);
    if (p->onSet)
        p->onSet(p->get ? value : p->value);
}

Variant SimulatedObject::Get(std::string_view name) {
    Record(std::string(name) + "?");
    Property* p = FindProperty(name);
    if (!p)
        throw Failure(progId_ + ": неизвестное имя " + std::string(name));
    return p->get ? p->get() : p->value;
}

Variant SimulatedObject::Call(std::string_view name, const std::vector<Variant>& args) {
    // Spelt out only for a test that reads the traffic: a receipt makes several calls a line.
    if (env_.traffic) {
        std::string line = std::string(name) + "(";
        for (size_t i = 0; i < args.size(); ++i)
            line += (i ? "," : "") + args[i].Show();
        Record(line + ")");
    }
    const auto it = methods_.find(UpperLatin(name));
    if (it == methods_.end())
        throw Failure(progId_ + ": неизвестный метод " + std::string(name));
    if (const auto fault = faults_.Take(name))
        return AnswerFault(name, *fault);
    return it->second(args);
}

TDateTime SimulatedObject::Now() const {
    return env_.clock.Now() + faults_.clockOffsetMinutes / (24.0 * 60.0);
}

}  // namespace orvenka
