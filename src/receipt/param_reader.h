#pragma once
#include <string>
#include <vector>

#include "common/logger.h"
#include "common/platform.h"
#include "receipt/records.h"

namespace orvenka {

// Reads and checks a Param.ini file into `param` and selects the printer it names through the
// platform. True when the whole file was read and checked. On a failure it writes one line
// "ReadParam:" + path + " " + failure text with log.LogError and answers false; the fields read
// before the failure keep their new values, the later ones those of the previous read. Never
// shows a dialog, never lets a failure escape.
bool ReadParam(const std::string& path, TParam& param, Logger& log, Platform& platform);
// The same, handing back the file's lines as read when it answers true: whoever also wants the
// text (the editor keeps the keys it does not know) reads the file once.
bool ReadParam(const std::string& path, TParam& param, Logger& log, Platform& platform,
               std::vector<std::string>& lines);

}  // namespace orvenka
