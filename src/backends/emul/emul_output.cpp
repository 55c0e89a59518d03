#include "backends/emul/emul_output.h"

#include "shell/app_context.h"

namespace orvenka {

void ShowOrPrint(AppContext& ctx, const TextDocument& document) {
    if (!ctx.param.ISPREVIEW) {
        ctx.platform.PrintDocument(document);
        return;
    }
    if (ctx.platform.HasScreen()) {
        ctx.platform.ShowPreview(document);
        return;
    }
    ctx.LogMessage(
        "EMUL: предварительный просмотр (ISPREVIEW=ON) пропущен: нет экрана, на котором его "
        "можно закрыть. Документ отправлен на печать сразу");
    ctx.platform.PrintDocument(document);
}

}  // namespace orvenka
