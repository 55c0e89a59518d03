// Placeholder until the reader lands.
#include "receipt/param_reader.h"
namespace orvenka {
bool ReadParam(const std::string&, TParam&, Logger&, Platform&) { return false; }
}  // namespace orvenka
