#pragma once
#include <string>

class QWidget;

namespace orvenka {
class AppContext;
}

namespace orvenka::gui {

// "Создать файл настроек": the editor on an empty record and no file name. True when saved.
bool CreateParamFile(AppContext& ctx, QWidget* parent = nullptr);

// "Открыть существующий файл" once a file is chosen: reads it with the Param.ini reader into a
// fresh record and opens the editor on it. A file the reader refuses does not open: its failure
// is in the error log ("ReadParam:" + path + ...), and nothing of it is shown. Reading for the
// editor never changes the printer later receipts go to. True when saved.
bool OpenParamFile(AppContext& ctx, const std::string& path, QWidget* parent = nullptr);

// The open dialog: *.ini files in the program folder. Empty when cancelled.
std::string ChooseParamFile(AppContext& ctx, QWidget* parent = nullptr);

}  // namespace orvenka::gui
