#pragma once
#include <string>

namespace orvenka {

// Process id of another running process whose executable file name equals `exeName` exactly
// (letter case included), or 0. Reads the /proc snapshot; `ownPid` is skipped.
int FindOtherInstance(const std::string& exeName, int ownPid);
int FindOtherInstance();  // this program's name and pid

}  // namespace orvenka
