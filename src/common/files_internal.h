#pragma once
#include <sys/stat.h>

#include <string>

#include "common/files.h"

// What the file routines' own sources share; not for other callers.
namespace orvenka::files_detail {

// Raises Failure: `what` "path": the system's reason for `err`.
[[noreturn]] void Fail(const std::string& what, const std::string& path, int err);
FileStamp StampOfStat(const struct stat& st);

}  // namespace orvenka::files_detail
