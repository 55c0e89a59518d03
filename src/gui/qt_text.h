#pragma once
#include <QString>
#include <string>

// The core's texts on their way to Qt.
namespace orvenka::gui {

// UTF-8 text as it stands.
QString Utf8(const std::string& text);
// A message for a box or a label: the core separates its lines with CR (or CR LF).
QString MessageText(const std::string& text);
// A message for a program without a screen: a line of its own on standard error.
void MessageToStderr(const std::string& text);

}  // namespace orvenka::gui
