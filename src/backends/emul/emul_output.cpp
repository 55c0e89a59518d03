#include "backends/emul/emul_output.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>

#include "common/failure.h"
#include "common/files.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

// A name in the program folder not taken yet: Unprinted_20240315_102030.txt, then _2, _3, …
std::string KeptPath(AppContext& ctx) {
    const DateParts t = DecodeDateTime(ctx.clock.Now());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    const std::string base = ctx.Path(std::string("Unprinted_") + stamp);
    std::string path = base + ".txt";
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(path, ec) || ec; ++n)
        path = base + "_" + std::to_string(n) + ".txt";
    return path;
}

// The text of a document the printer did not take, kept so that it can be printed again; the
// answer says where (or why it could not be kept).
std::string Keep(AppContext& ctx, const TextDocument& document) {
    try {
        const std::string path = KeptPath(ctx);
        std::vector<std::string> lines;
        lines.reserve(document.lines.size());
        for (const auto& line : document.lines)
            lines.push_back(line.text);
        SaveLinesAtomic(path, lines);
        return "Документ не напечатан, его текст сохранён для повторной печати в файле " + path;
    } catch (const std::exception& e) {
        return std::string("Документ не напечатан, и его текст не удалось сохранить: ") + e.what();
    }
}

// A print (one job at once, or the operator's from the preview) that fails is a failure that
// names the file keeping the text.
void Printed(AppContext& ctx, const TextDocument& document, const std::function<void()>& print) {
    try {
        print();
    } catch (const Failure& f) {
        std::string reason = f.what();
        if (reason.empty() || reason.back() != '.')
            reason += '.';
        throw Failure(reason + " " + Keep(ctx, document));
    }
}

}  // namespace

void ShowOrPrint(AppContext& ctx, const TextDocument& document) {
    const auto print = [&] { ctx.platform.PrintDocument(document); };
    if (!ctx.param.ISPREVIEW) {
        Printed(ctx, document, print);
        return;
    }
    if (ctx.platform.HasScreen()) {
        Printed(ctx, document, [&] { ctx.platform.ShowPreview(document); });
        return;
    }
    ctx.LogMessage(
        "EMUL: предварительный просмотр (ISPREVIEW=ON) пропущен: нет экрана, на котором его "
        "можно закрыть. Документ отправлен на печать сразу");
    Printed(ctx, document, print);
}

}  // namespace orvenka
