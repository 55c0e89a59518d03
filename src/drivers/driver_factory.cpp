#include "drivers/driver_factory.h"

#include "common/failure.h"
#include "common/text.h"

namespace orvenka {

void DriverFactory::Register(const std::string& progId, Creator creator, Describer describe) {
    creators_[UpperLatin(progId)] = std::move(creator);
    describers_[UpperLatin(progId)] = std::move(describe);
}

std::string DriverFactory::Describe(const std::string& progId) const {
    const auto it = describers_.find(UpperLatin(progId));
    return it == describers_.end() || !it->second ? std::string() : it->second();
}

bool DriverFactory::Knows(const std::string& progId) const {
    return creators_.count(UpperLatin(progId)) != 0;
}

std::unique_ptr<AutomationObject> DriverFactory::Create(const std::string& progId) const {
    const auto it = creators_.find(UpperLatin(progId));
    if (it == creators_.end())
        throw Failure("Недопустимая строка с указанием класса: " + progId);
    return it->second(environment_);
}

}  // namespace orvenka
