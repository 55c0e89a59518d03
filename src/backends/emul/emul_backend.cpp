#include "backends/emul/emul_backend.h"

#include "backends/emul/emul_reports.h"
#include "shell/app_context.h"

namespace orvenka {

EmulBackend::EmulBackend(AppContext& ctx)
    : ctx_(ctx), doc_(ctx.param, ctx.log), receipt_(ctx, doc_, fiscalSign_, DeviceKind::Emul) {}

void EmulBackend::BeginReceipt() {
    receipt_.EmulBeginReceipt();
}

void EmulBackend::AddExtraLine(const std::string& caption, const std::string& value,
                               bool emphasis) {
    receipt_.EmulAddExtraLine(caption, value, emphasis);
}

void EmulBackend::AddGoodsLine(const TSale& line, const TTovar&) {
    receipt_.EmulAddGoodsLine(line.Name, line.Comment, line.NDS, line.Summa, line.Cena, line.Kolvo);
}

bool EmulBackend::PrintReceipt(const std::string& command) {
    return receipt_.EmulPrintReceipt(command);
}

void EmulBackend::PrintLine(const std::string& text) {
    doc_.Line(text);
}

void EmulBackend::FeedAndCut() {
    // Six lines of a non-breaking space: blank lines a printer does not drop.
    for (int i = 0; i < 6; ++i)
        doc_.Line("\u00A0");
}

void EmulBackend::ZReport() {
    EmulZReport(ctx_, doc_, fiscalSign_, DeviceKind::Emul);
}

void EmulBackend::XReport() {
    EmulXReport(ctx_, doc_, fiscalSign_, DeviceKind::Emul);
}

bool EmulBackend::PrepareServiceButton(ServiceButton button) {
    if (button == ServiceButton::ShowProperties)
        ctx_.platform.PrinterSetupDialog();
    return false;
}

}  // namespace orvenka
