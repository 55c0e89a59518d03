#pragma once
#include <string>

// The XDG autostart entry that starts the tray program on one exchange folder at login.
namespace orvenka {

// "orvenka-<Latin part of the folder's name>-<8 hex digits of the whole path>.desktop": one
// name per folder, the same every time.
std::string AutostartFileName(const std::string& folder);

// The entry: `tool run "<folder>"`, found again by TryExec only while the tool is installed.
std::string AutostartEntry(const std::string& folder, const std::string& tool);

// One argument of an Exec line as it stands in the file: always quoted, with the characters
// the quoting rule reserves escaped, "%" doubled, then the backslashes doubled by the rule for
// every string value of the file.
std::string DesktopExecArgument(const std::string& argument);

}  // namespace orvenka
