// The parameter editor's "Сохранить": the controls taken into the record, the file name, the
// overwrite question and the write.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <tuple>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "gui/param_editor/param_edit_form.h"
#include "gui/param_editor/param_fields.h"
#include "gui/rus_message.h"
#include "receipt/param_keys.h"
#include "receipt/param_writer.h"
#include "shell/app_context.h"

namespace orvenka::gui {

using namespace param_fields;

namespace {

// A sum as the operator typed it: a comma or a point as decimal separator, blanks between the
// digit groups allowed; blank is 0. Anything else fails rather than silently becoming 0.
double MoneyOf(const char* caption, const QString& text) {
    const std::string typed = S(text);
    if (IsBlank(typed))
        return 0;
    if (const auto value = ParseFloat(CleanNumber(typed)))
        return *value;
    throw Failure(std::string(caption) + ": '" + TrimText(typed) + "' не является числом");
}

int WholeNumberOf(const char* caption, const QString& text) {
    const std::string typed = TrimText(S(text));
    if (const auto value = ParseInt(typed))
        return *value;
    throw Failure(std::string(caption) + ": '" + typed + "' не является целым числом");
}

}  // namespace

TParam TFormParamEdit::Take() const {
    TParam p = param_;
    for (const auto& f : kBoxedTexts) {
        const Row& r = rows_.at(f.key);
        const std::string text = S(r.edit->text());
        p.*f.field = !r.box->isChecked() ? std::string() : f.trimmed ? TrimText(text) : text;
    }
    // A file the reader refuses would stop every receipt: the INN is checked as it checks it.
    if (!p.AuthorINN.empty() && !ParseFloat(p.AuthorINN))
        throw Failure(param_keys::DigitsOnlyFailure("AuthorINN", p.AuthorINN));

    p.ECheck = BoxECheck->isChecked();
    p.NameFull = BoxNameFull->isChecked();
    p.Name = 0;

    const Row& sno = rows_.at("SNO");
    p.SNO.clear();
    if (sno.box->isChecked()) {
        if (sno.list->currentIndex() < 0)
            throw Failure("Не выбрано налогообложение (SNO)");
        p.SNO = S(sno.list->currentText());
    }

    p.BreakSumNAL = 0;
    p.BreakSumVISA = 0;
    const bool breakSummUsed =
        std::any_of(p.BreakSumm.begin(), p.BreakSumm.end(), [](double v) { return v != 0; });
    switch (ListOplata->currentIndex()) {
        case kTwoPayments:
            p.Oplata = "BREAK";
            p.OplataBreak = true;
            p.BreakSumNAL = MoneyOf("Сумма наличными", EditSumNAL->text());
            p.BreakSumVISA = MoneyOf("Сумма безналичными", EditSumVISA->text());
            if (p.BreakSumNAL == 0 && p.BreakSumVISA == 0 && !breakSummUsed)
                throw Failure(std::string(param_keys::kBreakSumsEmpty));
            break;
        case kCash:
            p.Oplata.clear();
            p.OplataBreak = false;
            break;
        case kCard:
            if (!SameTrimmed(p.Oplata, "VISA"))  // "visa" from a file stays as it was written
                p.Oplata = "VISA";
            p.OplataBreak = false;
            break;
        default:
            break;  // the file's own payment word stays
    }
    // The file's split sums (BreakSummN) are kept; they need the split payment.
    if (!p.OplataBreak && breakSummUsed)
        throw Failure(std::string(param_keys::kBreakSummNeedsBreak));

    for (const auto& [key, field, missing] :
         {std::tuple<const char*, int TParam::*, const char*>{
              "Predmet", &TParam::Predmet, "Не выбран признак предмета расчета (Predmet)"},
          std::tuple<const char*, int TParam::*, const char*>{
              "Sposob", &TParam::Sposob, "Не выбран признак способа расчета (Sposob)"}}) {
        const Row& r = rows_.at(key);
        p.*field = 0;
        if (r.box->isChecked()) {
            if (r.list->currentIndex() < 0)
                throw Failure(missing);
            p.*field = r.list->currentData().toInt();
        }
    }

    for (const auto& f : kBoxedInts) {
        const Row& r = rows_.at(f.key);
        p.*f.field = r.box->isChecked() ? WholeNumberOf(f.caption, r.edit->text()) : 0;
    }

    const Row& summaDoc = rows_.at("SUMMADOC");
    const QString summaText = summaDoc.edit->text();
    if (!summaDoc.box->isChecked()) {
        p.SUMMADOC = 0;
    } else if (S(summaText) != summaDocLoaded_) {
        p.SUMMADOC = RoundViaMask(MoneyOf("Сумма документа", summaText), 2);
    }  // untouched: the loaded value, all its decimals included

    p.isNotFiscal = BoxNotFiscal->isChecked();
    for (const auto& f : kEmulTexts)
        p.*f.field = S(rows_.at(f.key).edit->text());
    return p;
}

bool TFormParamEdit::ChooseFileName() {
    QFileDialog dialog(this, "Сохранить файл настроек", Q(ctx_.Folder()),
                       "Ini files (*.ini *.INI)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ini");
    // The overwrite question is ours, with its own wording.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile("defaultParam.ini");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    std::string name = S(dialog.selectedFiles().front());
    const std::string base = FileNameOf(name);
    const auto dot = base.rfind('.');
    // "PARAM.INI" is an ini file already; on this file system another case is another file.
    if (dot == std::string::npos || !SameNoCase(base.substr(dot), ".ini"))
        name = ChangeExtension(name, "ini");
    LabelFileName->setText(Q(name));
    return true;
}

bool TFormParamEdit::Save() {
    if (FileName().empty() && !ChooseFileName())
        return false;
    const std::string name = FileName();
    if (FileExists(name) &&
        ShowRusMessage(ctx_, "Файл " + name + " существует!Перазаписать?", MsgDlgType::Warning,
                       mbYes | mbCancel, this) != ModalResult::Yes) {
        return false;
    }
    try {
        const TParam p = Take();
        WriteParam(name, p, readLines_);
        param_ = p;
    } catch (const std::exception& e) {
        const std::string failure = std::string("Ошибка при записи данных:") + e.what();
        ctx_.LogError(failure);
        // The error pane is behind the editor, often in a hidden window: the operator is told here.
        ShowRusMessage(ctx_, failure, MsgDlgType::Error, mbOK, this);
        return false;
    }
    saved_ = true;
    ctx_.LogMessage("Файл настроек чека сохранен: " + name);
    accept();
    return true;
}

}  // namespace orvenka::gui
