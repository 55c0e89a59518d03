#include "backends/unsupported/unsupported_backend.h"

namespace orvenka {

std::string UnsupportedBackend::RefusalText(const std::string& operation) const {
    return operation + ": поддержка ККМ " + deviceName_ +
           " в этой версии программы ещё не реализована. Команда не выполнена";
}

}  // namespace orvenka
