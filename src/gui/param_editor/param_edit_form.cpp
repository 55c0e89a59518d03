#include "gui/param_editor/param_edit_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <limits>
#include <tuple>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "gui/param_editor/param_fields.h"
#include "gui/rus_message.h"
#include "receipt/param_keys.h"
#include "receipt/param_writer.h"
#include "shell/app_context.h"

namespace orvenka::gui {

using namespace param_fields;

namespace {

// Columns of every tab: the check box or label, the control, the help text.
constexpr int kCaptionWidth = 150;
constexpr int kControlWidth = 200;

constexpr const char* kSnoCodes[] = {"OSN", "DOH", "DOHRASH", "ENVD", "ESN", "PATENT"};

constexpr const char* kPredmetItems[] = {
    "1 - Товар",
    "2 - Подакцизный товар",
    "3 - Работа",
    "4 - Услуга",
    "5 - Ставка азартной игры",
    "6 - Выигрыш азартной игры",
    "7 - Лотерейный билет",
    "8 - Выигрыш лотереи",
    "9 - Предоставление РИД",
    "10 - Платеж",
    "11 - Агентское вознаграждение",
    "12 - Составной предмет расчета",
    "13 - Иной предмет расчета",
    "14 - Имущественное право",
    "15 - Внереализационный доход",
    "16 - Страховые взносы",
    "17 - Торговый сбор",
    "18 - Курортный сбор",
    "19 - Залог",
};

constexpr const char* kSposobItems[] = {
    "1-ПРЕДОПЛАТА 100%\t",
    "2-ПРЕДОПЛАТА\t",
    "3-АВАНС\t",
    "4-ПОЛНЫЙ РАСЧЕТ\t",
    "5-ЧАСТИЧНЫЙ РАСЧЕТ И КРЕДИТ\t",
    "6-ПЕРЕДАЧА В КРЕДИТ\t",
    "7-ОПЛАТА КРЕДИТА\t",
};

// Money as "0.00" when that is the whole value, else in full: a sum with more decimals must
// not lose them just because the file was opened and saved.
QString MoneyText(double value) {
    const std::string fixed = FormatMoney(value);
    if (ReadFloat(fixed, 0) == value)
        return Q(fixed);
    return Q(PlainDecimal(value));
}

// A text field that holds any value a file may have (Qt cuts at 32767 characters by default).
QLineEdit* NewEdit(const QString& name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

// Selects the item whose data is `number`; a number the list does not have gets an item of its
// own, so a value from a file is shown and kept rather than lost.
void SelectNumber(QComboBox* list, int number) {
    int index = list->findData(number);
    if (index < 0) {
        list->addItem(QString::number(number), number);
        index = list->count() - 1;
    }
    list->setCurrentIndex(index);
}

}  // namespace

TFormParamEdit::TFormParamEdit(AppContext& ctx, const TParam& param, const std::string& fileName,
                               std::vector<std::string> readLines, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ctx_(ctx),
      param_(param),
      readLines_(std::move(readLines)) {
    setObjectName("FormParamEdit");
    setWindowTitle(kCaption);
    resize(800, 551);

    Tabs = new QTabWidget(this);
    Tabs->setObjectName("PageControl");
    // The five titles fit the width side by side only with narrow tab margins.
    Tabs->setStyleSheet("QTabBar::tab { padding: 4px 6px; }");
    BuildMainTab();
    BuildProgramTab();
    BuildPrintTab();
    BuildHeaderTab();
    BuildEmulTab();
    Tabs->setCurrentIndex(0);

    ButtonSave = new QPushButton("Сохранить", this);
    ButtonSave->setObjectName("ButtonSave");
    ButtonExit = new QPushButton("Выйти", this);
    ButtonExit->setObjectName("ButtonExit");
    // Enter in a text field must not save or close the dialog.
    for (QPushButton* b : {ButtonSave, ButtonExit}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    LabelFileName = new QLabel(Q(fileName), this);
    LabelFileName->setObjectName("LabelFileName");
    LabelFileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(ButtonSave, &QPushButton::clicked, this, [this] { Save(); });
    connect(ButtonExit, &QPushButton::clicked, this, &QDialog::reject);

    auto* strip = new QHBoxLayout;
    strip->addWidget(ButtonSave);
    strip->addWidget(ButtonExit);
    strip->addSpacing(12);
    strip->addWidget(LabelFileName, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Tabs, 1);
    layout->addLayout(strip);

    Load();
}

QWidget* TFormParamEdit::AddTab(const char* title, QGridLayout*& grid) {
    auto* page = new QWidget;
    grid = new QGridLayout(page);
    grid->setColumnMinimumWidth(0, kCaptionWidth);
    grid->setColumnMinimumWidth(1, kControlWidth);
    grid->setColumnStretch(2, 1);
    grid->setVerticalSpacing(6);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    Tabs->addTab(scroll, QString::fromUtf8(title));
    return page;
}

QLabel* TFormParamEdit::AddHelp(QGridLayout* grid, int row, const char* help) {
    if (!help)
        return nullptr;
    auto* label = new QLabel(QString::fromUtf8(help));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     palette.color(QPalette::Disabled, QPalette::WindowText).darker(130));
    label->setPalette(palette);
    grid->addWidget(label, row, 2);
    return label;
}

TFormParamEdit::Row& TFormParamEdit::AddBoxedRow(QGridLayout* grid, const std::string& key,
                                                 const char* caption, const char* help,
                                                 QWidget* control) {
    Row& r = rows_[key];
    const int row = grid->rowCount();
    r.box = new QCheckBox(QString::fromUtf8(caption));
    r.box->setObjectName("Box" + Q(key));
    grid->addWidget(r.box, row, 0, Qt::AlignTop);
    // Without a help text the control takes the help column too.
    grid->addWidget(control, row, 1, 1, help ? 1 : 2, Qt::AlignTop);
    r.help = AddHelp(grid, row, help);
    connect(r.box, &QCheckBox::toggled, control, &QWidget::setVisible);
    return r;
}

TFormParamEdit::Row& TFormParamEdit::AddTextRow(QGridLayout* grid, const std::string& key,
                                                const char* caption, const char* help) {
    QLineEdit* edit = NewEdit("Edit" + Q(key));
    Row& r = AddBoxedRow(grid, key, caption, help, edit);
    r.edit = edit;
    return r;
}

TFormParamEdit::Row& TFormParamEdit::AddListRow(QGridLayout* grid, const std::string& key,
                                                const char* caption, const char* help) {
    auto* list = new QComboBox;
    list->setObjectName("List" + Q(key));
    list->setEditable(false);
    Row& r = AddBoxedRow(grid, key, caption, help, list);
    r.list = list;
    return r;
}

QCheckBox* TFormParamEdit::AddFlagRow(QGridLayout* grid, const char* caption, const char* help) {
    const int row = grid->rowCount();
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    if (help) {
        grid->addWidget(box, row, 0, 1, 2, Qt::AlignTop);
        AddHelp(grid, row, help);
    } else {
        grid->addWidget(box, row, 0, 1, 3, Qt::AlignTop);
    }
    return box;
}

void TFormParamEdit::BuildMainTab() {
    QGridLayout* grid;
    AddTab("Основные", grid);

    auto* cashier = new QGroupBox("Данные о кассире");
    auto* inner = new QGridLayout(cashier);
    inner->setColumnMinimumWidth(0, kCaptionWidth - 12);
    inner->setColumnMinimumWidth(1, kControlWidth);
    inner->setColumnStretch(2, 1);
    AddTextRow(inner, "AuthorName", "Должность",
               "Принимает строковое значение или пусто. Например: КАССИР или пусто");
    AddTextRow(inner, "AuthorCaption", "ФИО",
               "Принимает строковое значение или пусто. Например: ИВАНОВ И.И или пусто. Если "
               "параметр не пустой он передается в ОФД");
    AddTextRow(inner, "AuthorINN", "ИНН кассира",
               "Принимает строковое значение или пусто. Если параметр не пустой он передается в "
               "ОФД");
    AddTextRow(inner, "MESTORASCHETA", "Место расчета", nullptr);
    grid->addWidget(cashier, grid->rowCount(), 0, 1, 3);

    AddTextRow(grid, "EmailOrTel", "Email или номер",
               "Хранит номер телефона или email ПОКУПАТЕЛЯ. При печати фискального чека будет "
               "передан в ОФД. В режиме Эмуляции просто распечатан на чеке");
    BoxNameFull =
        AddFlagRow(grid, "Печатать длинные наименование с автопереносом на новую строку", nullptr);
    BoxNameFull->setObjectName("BoxNameFull");
    Row& sno = AddListRow(grid, "SNO", "Налогообложение",
                          "Значение можно указать для конкретного чека. Можно отключить и ОСН "
                          "будет взята из настроек ККМ");
    for (const char* code : kSnoCodes)
        sno.list->addItem(code);
    BoxECheck =
        AddFlagRow(grid, "Электронный чек", "Если установлен то печати на чековой ленте не будет");
    BoxECheck->setObjectName("BoxECheck");
    grid->setRowStretch(grid->rowCount(), 1);
}

void TFormParamEdit::BuildProgramTab() {
    QGridLayout* grid;
    AddTab("Реквизиты устанавливаемые программно", grid);
    AddTextRow(grid, "DocumStr", "Описание",
               "Принимает строковое значение или пусто. Если не пустой то перед печатью чека "
               "будет искать это значение в файле CheckList.txt в каталоге программы если найдет "
               "то выдаст предупреждение что Чек уже был распечатан - повторить?");
    AddTextRow(grid, "NumCheck", "Номер чека",
               "NumCheck - Принимает строковое значение или пусто. Номер чека (любые данные) "
               "обычно номер расх. накл Например: NumCheck=0001");

    auto* payment = new QGroupBox("Тип оплаты чека");
    auto* inner = new QGridLayout(payment);
    inner->setColumnMinimumWidth(0, kCaptionWidth - 12);
    inner->setColumnMinimumWidth(1, kControlWidth);
    inner->setColumnStretch(2, 1);
    inner->addWidget(new QLabel("Оплата"), 0, 0, Qt::AlignTop);
    ListOplata = new QComboBox;
    ListOplata->setObjectName("ListOplata");
    ListOplata->addItems({"Две оплаты", "Наличные", "Безналичные"});
    PanelSums = new QWidget;
    PanelSums->setObjectName("PanelSums");
    auto* sums = new QGridLayout(PanelSums);
    sums->setContentsMargins(0, 0, 0, 0);
    EditSumNAL = NewEdit("EditSumNAL");
    EditSumVISA = NewEdit("EditSumVISA");
    sums->addWidget(new QLabel("Сумма наличными"), 0, 0);
    sums->addWidget(EditSumNAL, 0, 1);
    sums->addWidget(new QLabel("Сумма безналичными"), 1, 0);
    sums->addWidget(EditSumVISA, 1, 1);
    auto* column = new QVBoxLayout;
    column->addWidget(ListOplata);
    column->addWidget(PanelSums);
    inner->addLayout(column, 0, 1, Qt::AlignTop);
    rows_["Oplata"].list = ListOplata;
    rows_["Oplata"].help =
        AddHelp(inner, 0, "Тип оплаты - может быть НАЛИЧНЫЕ, БЕЗНАЛИЧНЫЕ, ДВОЙНОЙ");
    connect(ListOplata, &QComboBox::currentIndexChanged, PanelSums,
            [this](int index) { PanelSums->setVisible(index == kTwoPayments); });
    grid->addWidget(payment, grid->rowCount(), 0, 1, 3);

    AddTextRow(grid, "Section", "Секция",
               "Номер секции. Принимает значение пусто - значит не используется тогда будет "
               "пробито в 1 секции");
    AddTextRow(grid, "SUMMADOC", "Сумма документа",
               "Число. Принимает значение пусто - значит не используется. Для проверки "
               "погрешности округления. Если сумма строк чека отличается от этого числа, разница "
               "распределяется по строкам чека (ККМ) или печатается отдельной строкой (режим "
               "эмуляции)");
    Row& predmet =
        AddListRow(grid, "Predmet", "Признак предмета", "Признак предмета расчета (тег 1212)");
    for (int i = 0; i < int(std::size(kPredmetItems)); ++i)
        predmet.list->addItem(QString::fromUtf8(kPredmetItems[i]), i + 1);
    Row& sposob = AddListRow(grid, "Sposob", "Признак способа", "Признак способа расчета ");
    for (int i = 0; i < int(std::size(kSposobItems)); ++i)
        sposob.list->addItem(QString::fromUtf8(kSposobItems[i]), i + 1);
    grid->setRowStretch(grid->rowCount(), 1);
}

void TFormParamEdit::BuildPrintTab() {
    QGridLayout* grid;
    AddTab("Параметры печати", grid);
    AddTextRow(grid, "PRN_WIDHT", "Ширина бумаги чека обычная печать",
               "Если значение пустое то возьмет значение из настроек ККМ Для ШтрихМиниФРК это 50 "
               "знаков. Для FPrint5200 это 36 знаков.");
    AddTextRow(grid, "PRN_WIDHT_ITOG", "Ширина бумаги чека секция ИТОГ",
               "Если значение PRN_WIDHT_ITOG пустое то возьмет значение из настроек ККМ Для "
               "ШтрихМиниФРК это 25 знаков. Для FPrint5200 это 18 знаков.");
    grid->setRowStretch(grid->rowCount(), 1);
}

void TFormParamEdit::BuildHeaderTab() {
    QGridLayout* grid;
    AddTab("Шапка чека", grid);
    for (int i = 1; i <= 4; ++i) {
        const std::string caption = "Шапка чека строка " + std::to_string(i);
        AddTextRow(grid, "CHECKSHAPKA" + std::to_string(i), caption.c_str(), nullptr);
    }
    grid->setRowStretch(grid->rowCount(), 1);
}

void TFormParamEdit::BuildEmulTab() {
    QGridLayout* grid;
    AddTab("Реквизиты режима эмуляции", grid);
    for (const auto& f : kEmulTexts) {
        Row& r = rows_[f.key];
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QString::fromUtf8(f.caption)), row, 0);
        r.edit = NewEdit("Edit" + QString::fromUtf8(f.key));
        grid->addWidget(r.edit, row, 1);
    }
    auto* help = new QLabel(
        "Эти параметры для ККМ устанавливает ЦТО при регистрации, а затем они выходят в "
        "фискальный чек - хотим мы этого или нет..Для режима эмуляции  приходится задавать их "
        "что бы чек выглядел правдоподобно");
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(help, 0, 2, grid->rowCount(), 1);
    for (const auto& f : kEmulTexts)
        rows_[f.key].help = help;
    BoxNotFiscal = AddFlagRow(grid, "Нефискальный чек", nullptr);
    BoxNotFiscal->setObjectName("BoxNotFiscal");
    grid->setRowStretch(grid->rowCount(), 1);
}

QCheckBox* TFormParamEdit::Box(const std::string& key) const {
    const auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second.box;
}

QLineEdit* TFormParamEdit::Edit(const std::string& key) const {
    const auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second.edit;
}

QComboBox* TFormParamEdit::List(const std::string& key) const {
    const auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second.list;
}

QLabel* TFormParamEdit::Help(const std::string& key) const {
    const auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second.help;
}

std::string TFormParamEdit::FileName() const {
    return S(LabelFileName->text());
}

void TFormParamEdit::Load() {
    TParam& p = param_;
    // The editor keeps no name width of its own: only "FULL" survives.
    if (!p.NameFull)
        p.Name = 0;

    for (const auto& f : kBoxedTexts) {
        const std::string& value = p.*f.field;
        const Row& r = rows_.at(f.key);
        r.edit->setText(Q(f.trimmed ? TrimText(value) : value));
        r.box->setChecked(!IsBlank(value));
    }
    BoxECheck->setChecked(p.ECheck);
    BoxNameFull->setChecked(p.NameFull);

    const Row& sno = rows_.at("SNO");
    sno.box->setChecked(!IsBlank(p.SNO));
    sno.list->setCurrentIndex(IsBlank(p.SNO) ? -1
                                             : sno.list->findText(Q(UpperLatin(TrimText(p.SNO)))));

    EditSumNAL->setText(MoneyText(p.BreakSumNAL));
    EditSumVISA->setText(MoneyText(p.BreakSumVISA));
    if (p.OplataBreak) {
        ListOplata->setCurrentIndex(kTwoPayments);
    } else if (IsBlank(p.Oplata)) {
        ListOplata->setCurrentIndex(kCash);
    } else if (SameTrimmed(p.Oplata, "VISA")) {
        ListOplata->setCurrentIndex(kCard);
    } else {
        // Another electronic payment word: shown as none, written back as it was.
        ListOplata->setCurrentIndex(-1);
    }
    PanelSums->setVisible(ListOplata->currentIndex() == kTwoPayments);

    for (const auto& [key, value] : {std::pair<const char*, int>{"Predmet", p.Predmet},
                                     std::pair<const char*, int>{"Sposob", p.Sposob}}) {
        const Row& r = rows_.at(key);
        r.box->setChecked(value != 0);
        if (value != 0) {
            SelectNumber(r.list, value);
        } else {
            r.list->setCurrentIndex(-1);
        }
    }

    for (const auto& f : kBoxedInts) {
        const Row& r = rows_.at(f.key);
        r.edit->setText(QString::number(p.*f.field));
        r.box->setChecked(p.*f.field != 0);
    }
    const Row& summaDoc = rows_.at("SUMMADOC");
    summaDoc.edit->setText(MoneyText(p.SUMMADOC));
    summaDoc.box->setChecked(p.SUMMADOC != 0);
    summaDocLoaded_ = S(summaDoc.edit->text());

    // The box means what it says: a non-fiscal file opens, and is saved, as non-fiscal.
    BoxNotFiscal->setChecked(p.isNotFiscal);
    for (const auto& f : kEmulTexts)
        rows_.at(f.key).edit->setText(Q(p.*f.field));

    // Controls of unchecked boxes are hidden from the start.
    for (const auto& [key, r] : rows_) {
        if (!r.box)
            continue;
        if (r.edit)
            r.edit->setVisible(r.box->isChecked());
        if (r.list)
            r.list->setVisible(r.box->isChecked());
    }
}

void TFormParamEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (ShowRusMessage(ctx_, "Закрыть окно настроек чека?", MsgDlgType::Warning, mbYes | mbNo,
                           this) == ModalResult::Yes) {
            reject();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

bool EditParam(AppContext& ctx, TParam& param, const std::string& fileName,
               const std::vector<std::string>& readLines, QWidget* parent) {
    TFormParamEdit form(ctx, param, fileName, readLines, parent);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = form.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        form.move(frame.topLeft());
    }
    form.exec();
    if (form.Saved())
        param = form.Param();
    return form.Saved();
}

}  // namespace orvenka::gui
