#include "gui/param_editor/param_file.h"

#include <QFileDialog>
#include <vector>

#include "common/failure.h"
#include "common/files.h"
#include "common/null_platform.h"
#include "gui/param_editor/param_edit_form.h"
#include "receipt/param_reader.h"
#include "shell/app_context.h"

namespace orvenka::gui {

namespace {

// The platform as the reader sees it when it reads for the editor: the installed printers are
// the real ones (a printer that is not installed still refuses the file), but the one it names
// is not selected, so the receipts of the command loop keep going where they went.
class PrinterListOnly : public NullPlatform {
  public:
    explicit PrinterListOnly(Platform& real) : real_(real) {}

    std::vector<std::string> Printers() override { return real_.Printers(); }
    std::string CurrentPrinter() override { return real_.CurrentPrinter(); }

  private:
    Platform& real_;
};

}  // namespace

bool CreateParamFile(AppContext& ctx, QWidget* parent) {
    TParam fresh;
    return EditParam(ctx, fresh, {}, {}, parent);
}

bool OpenParamFile(AppContext& ctx, const std::string& path, QWidget* parent) {
    TParam fresh;
    PrinterListOnly printers(ctx.platform);
    std::vector<std::string> lines;
    if (!ReadParam(path, fresh, ctx.log, printers, lines))
        return false;
    // The reader has said so in the message log; the editor says it to whoever opened the file,
    // since saving writes it back in Windows-1251.
    try {
        if (ReadsAsUtf8(ReadFileBytes(path)))
            ctx.platform.ShowMessage(Utf8InputMessage(path) +
                                     ". Сохранение запишет его в кодировке Windows-1251.");
    } catch (const Failure&) {
        // read a moment ago; a file gone since is the editor's to report when it saves
    }
    return EditParam(ctx, fresh, path, lines, parent);
}

std::string ChooseParamFile(AppContext& ctx, QWidget* parent) {
    QFileDialog dialog(parent, "Открыть файл настроек", QString::fromStdString(ctx.Folder()),
                       "Ini files (*.ini *.INI)");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace orvenka::gui
