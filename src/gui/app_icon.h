#pragma once
#include <QIcon>

namespace orvenka::gui {

// The application's icon: a receipt coming out of a register, drawn at run time.
QIcon AppIcon();

}  // namespace orvenka::gui
