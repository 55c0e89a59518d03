#include "gui/param_editor/param_edit_form.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "editor_fixture.h"
#include "receipt/param_keys.h"

namespace orvenka::gui {
namespace {

using test::PickFile;
using test::Std;
using test_editor::Answer;
using test_editor::Check;
using test_editor::EditorTest;
using test_editor::TemplateBytes;

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// The tab a control sits on.
int TabOf(const TFormParamEdit& f, const QWidget* w) {
    for (int i = 0; i < f.Tabs->count(); ++i) {
        if (f.Tabs->widget(i)->isAncestorOf(w))
            return i;
    }
    return -1;
}

TEST_F(EditorTest, WindowTabsControlsAndHelpTexts) {
    TFormParamEdit f(ctx, TParam{}, "", {});
    EXPECT_EQ(f.windowTitle(), "Редактирование файла настроек");
    EXPECT_EQ(f.size(), QSize(800, 551));
    EXPECT_EQ(f.Tabs->currentIndex(), 0);
    const QStringList tabs = {"Основные", "Реквизиты устанавливаемые программно",
                              "Параметры печати", "Шапка чека", "Реквизиты режима эмуляции"};
    ASSERT_EQ(f.Tabs->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(f.Tabs->tabText(i), tabs[i]);
    EXPECT_EQ(f.ButtonSave->text(), "Сохранить");
    EXPECT_EQ(f.ButtonExit->text(), "Выйти");
    EXPECT_TRUE(f.LabelFileName->text().isEmpty());

    const struct {
        const char* key;
        int tab;
        QString caption;
        QString help;  // "" for none; a text ending in "…" is a beginning
    } rows[] = {
        {"AuthorName", 0, "Должность",
         "Принимает строковое значение или пусто. Например: КАССИР или пусто"},
        {"AuthorCaption", 0, "ФИО",
         "Принимает строковое значение или пусто. Например: ИВАНОВ И.И или пусто. Если параметр "
         "не пустой он передается в ОФД"},
        {"AuthorINN", 0, "ИНН кассира",
         "Принимает строковое значение или пусто. Если параметр не пустой он передается в ОФД"},
        {"MESTORASCHETA", 0, "Место расчета", ""},
        {"EmailOrTel", 0, "Email или номер",
         "Хранит номер телефона или email ПОКУПАТЕЛЯ. При печати фискального чека будет передан "
         "в ОФД. В режиме Эмуляции просто распечатан на чеке"},
        {"SNO", 0, "Налогообложение",
         "Значение можно указать для конкретного чека. Можно отключить и ОСН будет взята из "
         "настроек ККМ"},
        {"DocumStr", 1, "Описание",
         "Принимает строковое значение или пусто. Если не пустой то перед печатью чека будет "
         "искать это значение в файле CheckList.txt в каталоге программы если найдет то выдаст "
         "предупреждение что Чек уже был распечатан - повторить?"},
        {"NumCheck", 1, "Номер чека",
         "NumCheck - Принимает строковое значение или пусто. Номер чека (любые данные) обычно "
         "номер расх. накл Например: NumCheck=0001"},
        {"Section", 1, "Секция",
         "Номер секции. Принимает значение пусто - значит не используется тогда будет пробито в "
         "1 секции"},
        {"SUMMADOC", 1, "Сумма документа",
         "Число. Принимает значение пусто - значит не используется. Для проверки погрешности "
         "округления.…"},
        {"Predmet", 1, "Признак предмета", "Признак предмета расчета (тег 1212)"},
        {"Sposob", 1, "Признак способа", "Признак способа расчета "},
        {"PRN_WIDHT", 2, "Ширина бумаги чека обычная печать",
         "Если значение пустое то возьмет значение из настроек ККМ Для ШтрихМиниФРК это 50 "
         "знаков. Для FPrint5200 это 36 знаков."},
        {"PRN_WIDHT_ITOG", 2, "Ширина бумаги чека секция ИТОГ",
         "Если значение PRN_WIDHT_ITOG пустое то возьмет значение из настроек ККМ…"},
        {"CHECKSHAPKA1", 3, "Шапка чека строка 1", ""},
        {"CHECKSHAPKA4", 3, "Шапка чека строка 4", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        QCheckBox* box = f.Box(row.key);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), row.caption);
        EXPECT_EQ(TabOf(f, box), row.tab);
        QLabel* help = f.Help(row.key);
        if (row.help.isEmpty()) {
            EXPECT_EQ(help, nullptr);
        } else if (row.help.endsWith("…")) {
            ASSERT_NE(help, nullptr);
            EXPECT_TRUE(help->text().startsWith(row.help.chopped(1))) << Std(help->text());
        } else {
            ASSERT_NE(help, nullptr);
            EXPECT_EQ(help->text(), row.help);
        }
    }
    EXPECT_TRUE(f.Help("PRN_WIDHT_ITOG")->text().contains("18"));
    EXPECT_TRUE(f.Help("PRN_WIDHT_ITOG")->text().contains("25"));
    EXPECT_EQ(f.BoxNameFull->text(),
              "Печатать длинные наименование с автопереносом на новую строку");
    EXPECT_EQ(f.BoxECheck->text(), "Электронный чек");
    EXPECT_EQ(f.Help("Oplata")->text(), "Тип оплаты - может быть НАЛИЧНЫЕ, БЕЗНАЛИЧНЫЕ, ДВОЙНОЙ");
    EXPECT_EQ(f.BoxNotFiscal->text(), "Нефискальный чек");
    EXPECT_EQ(TabOf(f, f.BoxNotFiscal), 4);
    for (const char* key : {"INN", "ZN", "USER", "ADDRES", "WEBADDRES", "REGNUMKKT", "REGNUMFN"}) {
        EXPECT_EQ(f.Box(key), nullptr) << key;
        ASSERT_NE(f.Edit(key), nullptr) << key;
        EXPECT_EQ(TabOf(f, f.Edit(key)), 4) << key;
        EXPECT_TRUE(f.Help(key)->text().startsWith("Эти параметры для ККМ устанавливает ЦТО"));
    }

    EXPECT_EQ(Items(f.List("SNO")),
              QStringList({"OSN", "DOH", "DOHRASH", "ENVD", "ESN", "PATENT"}));
    EXPECT_EQ(Items(f.ListOplata), QStringList({"Две оплаты", "Наличные", "Безналичные"}));
    const QStringList predmet = Items(f.List("Predmet"));
    ASSERT_EQ(predmet.size(), 19);
    EXPECT_EQ(predmet[0], "1 - Товар");
    EXPECT_EQ(predmet[9], "10 - Платеж");
    EXPECT_EQ(predmet[18], "19 - Залог");
    EXPECT_EQ(Items(f.List("Sposob")),
              QStringList({"1-ПРЕДОПЛАТА 100%\t", "2-ПРЕДОПЛАТА\t", "3-АВАНС\t",
                           "4-ПОЛНЫЙ РАСЧЕТ\t", "5-ЧАСТИЧНЫЙ РАСЧЕТ И КРЕДИТ\t",
                           "6-ПЕРЕДАЧА В КРЕДИТ\t", "7-ОПЛАТА КРЕДИТА\t"}));
}

TEST_F(EditorTest, ABoxShowsAndHidesItsControlAtOnce) {
    TFormParamEdit f(ctx, TParam{}, "", {});
    for (const char* key :
         {"AuthorName", "AuthorCaption", "AuthorINN", "MESTORASCHETA", "EmailOrTel", "SNO",
          "DocumStr", "NumCheck", "Section", "SUMMADOC", "Predmet", "Sposob", "PRN_WIDHT",
          "PRN_WIDHT_ITOG", "CHECKSHAPKA1", "CHECKSHAPKA2", "CHECKSHAPKA3", "CHECKSHAPKA4"}) {
        SCOPED_TRACE(key);
        QWidget* control = f.Edit(key) ? static_cast<QWidget*>(f.Edit(key)) : f.List(key);
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(f.Box(key)->isChecked());
        EXPECT_TRUE(control->isHidden());
        f.Box(key)->click();
        EXPECT_FALSE(control->isHidden());
        f.Box(key)->click();
        EXPECT_TRUE(control->isHidden());
    }
    // The two sums go with "Две оплаты" only.
    EXPECT_EQ(f.ListOplata->currentText(), "Наличные");
    EXPECT_TRUE(f.PanelSums->isHidden());
    f.ListOplata->setCurrentIndex(0);
    EXPECT_FALSE(f.PanelSums->isHidden());
    f.ListOplata->setCurrentIndex(2);
    EXPECT_TRUE(f.PanelSums->isHidden());
}

struct LoadRow {
    const char* name;
    std::function<void(TParam&)> set;
    std::function<void(TFormParamEdit&)> check;
};

TEST_F(EditorTest, LoadingShowsTheRecord) {
    const std::vector<LoadRow> rows = {
        {"subject 4 selects its item; method 0 leaves its box off",
         [](TParam& p) { p.Predmet = 4; },
         [](TFormParamEdit& f) {
             EXPECT_TRUE(f.Box("Predmet")->isChecked());
             EXPECT_FALSE(f.List("Predmet")->isHidden());
             EXPECT_EQ(f.List("Predmet")->currentText(), "4 - Услуга");
             EXPECT_FALSE(f.Box("Sposob")->isChecked());
             EXPECT_TRUE(f.List("Sposob")->isHidden());
         }},
        {"a subject the list lacks is shown as its number", [](TParam& p) { p.Predmet = 25; },
         [](TFormParamEdit& f) { EXPECT_EQ(f.List("Predmet")->currentText(), "25"); }},
        {"split payment with its sums",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSumNAL = 100.5;
         },
         [](TFormParamEdit& f) {
             EXPECT_EQ(f.ListOplata->currentText(), "Две оплаты");
             EXPECT_FALSE(f.PanelSums->isHidden());
             EXPECT_EQ(f.EditSumNAL->text(), "100.50");
             EXPECT_EQ(f.EditSumVISA->text(), "0.00");
         }},
        {"card payment in any case", [](TParam& p) { p.Oplata = "visa"; },
         [](TFormParamEdit& f) {
             EXPECT_EQ(f.ListOplata->currentText(), "Безналичные");
             EXPECT_TRUE(f.PanelSums->isHidden());
         }},
        {"another payment word selects nothing", [](TParam& p) { p.Oplata = "MIR"; },
         [](TFormParamEdit& f) { EXPECT_EQ(f.ListOplata->currentIndex(), -1); }},
        {"document sum with two decimals, and with more",
         [](TParam& p) {
             p.SUMMADOC = 1234.5;
             p.BreakSumVISA = 0.125;
             p.BreakSumNAL = 1e-7;
         },
         [](TFormParamEdit& f) {
             EXPECT_TRUE(f.Box("SUMMADOC")->isChecked());
             EXPECT_EQ(f.Edit("SUMMADOC")->text(), "1234.50");
             EXPECT_EQ(f.EditSumVISA->text(), "0.125");
             EXPECT_EQ(f.EditSumNAL->text(), "0.0000001");
         }},
        {"texts: trimmed where the key is, boxes by blankness",
         [](TParam& p) {
             p.DocumStr = " DOC-1 ";
             p.CHECKSHAPKA2 = "  Магазин  ";
             p.AuthorName = "   ";
             p.SNO = " doh ";
         },
         [](TFormParamEdit& f) {
             EXPECT_EQ(f.Edit("DocumStr")->text(), "DOC-1");
             EXPECT_EQ(f.Edit("CHECKSHAPKA2")->text(), "  Магазин  ");
             EXPECT_TRUE(f.Box("CHECKSHAPKA2")->isChecked());
             EXPECT_FALSE(f.Box("AuthorName")->isChecked());
             EXPECT_TRUE(f.Box("SNO")->isChecked());
             EXPECT_EQ(f.List("SNO")->currentText(), "DOH");
         }},
        {"numbers and flags",
         [](TParam& p) {
             p.Section = 3;
             p.PRN_WIDHT = 48;
             p.ECheck = true;
             p.isNotFiscal = true;
             p.Name = 32;
         },
         [](TFormParamEdit& f) {
             EXPECT_EQ(f.Edit("Section")->text(), "3");
             EXPECT_TRUE(f.Box("PRN_WIDHT")->isChecked());
             EXPECT_FALSE(f.Box("PRN_WIDHT_ITOG")->isChecked());
             EXPECT_TRUE(f.BoxECheck->isChecked());
             EXPECT_TRUE(f.BoxNotFiscal->isChecked());
             EXPECT_FALSE(f.BoxNameFull->isChecked());
             EXPECT_EQ(f.Param().Name, 0) << "the editor keeps no name width";
         }},
        {"FULL names", [](TParam& p) { p.NameFull = true; },
         [](TFormParamEdit& f) { EXPECT_TRUE(f.BoxNameFull->isChecked()); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TParam p;
        row.set(p);
        TFormParamEdit f(ctx, p, "", {});
        row.check(f);
    }
}

struct SaveRow {
    const char* name;
    std::function<void(TParam&)> load;
    std::function<void(TFormParamEdit&)> edit;
    std::vector<std::string> entries;  // after the header
};

TEST_F(EditorTest, SavingWritesWhatTheControlsSay) {
    const std::vector<SaveRow> rows = {
        {"all boxes off, cash",
         [](TParam&) {},
         [](TFormParamEdit&) {},
         {"Oplata=", "ECheck=OFF", "Fiscal="}},
        {"two payments with a decimal comma",
         [](TParam&) {},
         [](TFormParamEdit& f) {
             f.ListOplata->setCurrentIndex(0);
             f.EditSumNAL->setText("100,50");
             f.EditSumVISA->setText("200");
         },
         {"Oplata=BREAK", "BreakSumNAL=100.5", "BreakSumVISA=200", "ECheck=OFF", "Fiscal="}},
        {"card, subject and method from their lists",
         [](TParam&) {},
         [](TFormParamEdit& f) {
             f.ListOplata->setCurrentIndex(2);
             Check(f.Box("Predmet"), true);
             f.List("Predmet")->setCurrentIndex(0);
             Check(f.Box("Sposob"), true);
             f.List("Sposob")->setCurrentIndex(3);
         },
         {"Oplata=VISA", "Predmet=1", "Sposob=4", "ECheck=OFF", "Fiscal="}},
        {"the non-fiscal box means what it says",
         [](TParam&) {},
         [](TFormParamEdit& f) { Check(f.BoxNotFiscal, true); },
         {"Oplata=", "ECheck=OFF", "Fiscal=-"}},
        {"unchecking a box removes the key; a checked blank text writes nothing",
         [](TParam& p) {
             p.AuthorName = "Кассир";
             p.SNO = "OSN";
             p.SUMMADOC = 10;
             p.NumCheck = "7";
         },
         [](TFormParamEdit& f) {
             Check(f.Box("AuthorName"), false);
             Check(f.Box("SNO"), false);
             Check(f.Box("SUMMADOC"), false);
             f.Edit("NumCheck")->setText("  ");
         },
         {"Oplata=", "ECheck=OFF", "Fiscal="}},
        {"cashier's INN and place of settlement are saved, trimmed",
         [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("AuthorINN"), true);
             f.Edit("AuthorINN")->setText(" 771234567890 ");
             Check(f.Box("MESTORASCHETA"), true);
             f.Edit("MESTORASCHETA")->setText("Зал 2 ");
         },
         {"AuthorINN=771234567890", "Oplata=", "ECheck=OFF", "Fiscal=", "MESTORASCHETA=Зал 2"}},
        {"a changed document sum is rounded to kopecks; whole numbers trimmed",
         [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("SUMMADOC"), true);
             f.Edit("SUMMADOC")->setText("1 234,567");
             Check(f.Box("Section"), true);
             f.Edit("Section")->setText(" 2 ");
             Check(f.Box("PRN_WIDHT_ITOG"), true);
             f.Edit("PRN_WIDHT_ITOG")->setText("24");
         },
         {"Oplata=", "ECheck=OFF", "Fiscal=", "SUMMADOC=1234.57", "Section=2",
          "PRN_WIDHT_ITOG=24"}},
        {"an untouched document sum keeps all its decimals",
         [](TParam& p) { p.SUMMADOC = 99.999; },
         [](TFormParamEdit&) {},
         {"Oplata=", "ECheck=OFF", "Fiscal=", "SUMMADOC=99.999"}},
        {"header lines as they stand; emulation texts without boxes",
         [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("CHECKSHAPKA1"), true);
             f.Edit("CHECKSHAPKA1")->setText("  ООО \"Ромашка\"  ");
             f.Edit("ZN")->setText("0012345");
             Check(f.BoxECheck, true);
             Check(f.BoxNameFull, true);
             Check(f.Box("SNO"), true);
             f.List("SNO")->setCurrentIndex(2);
         },
         {"CHECKSHAPKA1=  ООО \"Ромашка\"  ", "SNO=DOHRASH", "Oplata=", "ECheck=ON", "NAME=FULL",
          "Fiscal=", "ZN=0012345"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder.File("Param.ini");
        TParam p;
        row.load(p);
        TFormParamEdit f(ctx, p, path, {});
        row.edit(f);
        test::ModalScript none({});
        ASSERT_TRUE(f.Save()) << (ctx.log.Errors().empty() ? "" : ctx.log.Errors().back());
        EXPECT_EQ(none.Unexpected(), 0) << "a new file needs no question";
        EXPECT_TRUE(f.Saved());
        EXPECT_EQ(f.result(), QDialog::Accepted);
        EXPECT_EQ(folder.ReadBytes("Param.ini"), TemplateBytes(row.entries));
        std::remove(path.c_str());
    }
}

// No file name yet: the save dialog in the program folder suggests defaultParam.ini; the name
// chosen becomes an .ini file and the label.
TEST_F(EditorTest, ANewFileIsNamedInTheSaveDialog) {
    const struct {
        std::string picked;
        std::string saved;  // "" when cancelled
    } rows[] = {
        {"defaultParam.ini", "defaultParam.ini"},
        {"Shop.txt", "Shop.ini"},
        {"PARAM.INI", "PARAM.INI"},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.picked);
        TFormParamEdit f(ctx, TParam{}, "", {});
        std::string openedIn, suggested;
        test::ModalScript script(
            {PickFile(row.picked.empty() ? "" : folder.File(row.picked), &openedIn, &suggested)});
        EXPECT_EQ(f.Save(), !row.saved.empty());
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(openedIn, folder.Path());
        EXPECT_EQ(suggested, folder.File("defaultParam.ini"));
        if (row.saved.empty()) {
            EXPECT_TRUE(f.LabelFileName->text().isEmpty());
            EXPECT_FALSE(f.Saved());
            continue;
        }
        EXPECT_EQ(Std(f.LabelFileName->text()), folder.File(row.saved));
        EXPECT_EQ(folder.ReadBytes(row.saved), TemplateBytes({"Oplata=", "ECheck=OFF", "Fiscal="}));
        EXPECT_FALSE(row.picked != row.saved && folder.Exists(row.picked));
        std::remove(folder.File(row.saved).c_str());
    }
}

TEST_F(EditorTest, OverwriteQuestionCancelLeavesTheFileAndTheDialog) {
    folder.WriteBytes("Param.ini", "Oplata=VISA\r\n");
    TParam p;
    p.AuthorName = "Кассир";
    TFormParamEdit f(ctx, p, folder.File("Param.ini"), {});
    f.show();
    std::string text, title;
    {
        test::ModalScript script({Answer(ModalResult::Cancel, &text, &title)});
        EXPECT_FALSE(f.Save());
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(text, "Файл " + folder.File("Param.ini") + " существует!Перазаписать?");
    EXPECT_EQ(title, "Предупреждение");
    EXPECT_EQ(folder.ReadBytes("Param.ini"), "Oplata=VISA\r\n");
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.Saved());
    EXPECT_TRUE(ctx.log.Errors().empty());

    test::ModalScript yes({Answer(ModalResult::Yes)});
    EXPECT_TRUE(f.Save());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ctx.log.Messages().back(),
              std::string(EditorTest::kStamp) +
                  "Файл настроек чека сохранен: " + folder.File("Param.ini"));
    EXPECT_EQ(folder.ReadBytes("Param.ini"),
              TemplateBytes({"AuthorName=Кассир", "Oplata=", "ECheck=OFF", "Fiscal="}));
}

struct FailRow {
    const char* name;
    std::function<void(TParam&)> load;
    std::function<void(TFormParamEdit&)> edit;
    std::string failure;
};

// A save that fails writes one error line, shows it in a box over the dialog, leaves the file
// alone and keeps the dialog open.
TEST_F(EditorTest, FailedSaveIsLoggedShownAndChangesNothing) {
    const std::vector<FailRow> rows = {
        {"tax system checked without a choice", [](TParam&) {},
         [](TFormParamEdit& f) { Check(f.Box("SNO"), true); }, "Не выбрано налогообложение (SNO)"},
        {"subject checked without a choice", [](TParam&) {},
         [](TFormParamEdit& f) { Check(f.Box("Predmet"), true); },
         "Не выбран признак предмета расчета (Predmet)"},
        {"method checked without a choice", [](TParam&) {},
         [](TFormParamEdit& f) { Check(f.Box("Sposob"), true); },
         "Не выбран признак способа расчета (Sposob)"},
        {"section not a whole number", [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("Section"), true);
             f.Edit("Section")->setText("abc");
         },
         "Секция: 'abc' не является целым числом"},
        {"paper width with decimals", [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("PRN_WIDHT"), true);
             f.Edit("PRN_WIDHT")->setText("4.5");
         },
         "Ширина бумаги чека обычная печать: '4.5' не является целым числом"},
        {"document sum with a letter", [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("SUMMADOC"), true);
             f.Edit("SUMMADOC")->setText("12р");
         },
         "Сумма документа: '12р' не является числом"},
        {"split sum that is no number", [](TParam&) {},
         [](TFormParamEdit& f) {
             f.ListOplata->setCurrentIndex(0);
             f.EditSumNAL->setText("1,2,3");
         },
         "Сумма наличными: '1,2,3' не является числом"},
        {"two payments without sums", [](TParam&) {},
         [](TFormParamEdit& f) {
             f.ListOplata->setCurrentIndex(0);
             f.EditSumNAL->setText("");
             f.EditSumVISA->setText("0");
         },
         std::string(param_keys::kBreakSumsEmpty)},
        {"the file's split sums need the split payment",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSumm[3] = 5;
         },
         [](TFormParamEdit& f) { f.ListOplata->setCurrentIndex(1); },
         std::string(param_keys::kBreakSummNeedsBreak)},
        {"cashier's INN with a letter", [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("AuthorINN"), true);
             f.Edit("AuthorINN")->setText("12a");
         },
         "в параметре AuthorINN должны быть только цифры 12a"},
        // Written as "?", the value would be lost without a word.
        {"a letter Windows-1251 lacks", [](TParam&) {},
         [](TFormParamEdit& f) { f.Edit("USER")->setText("ИП Әлия"); },
         "Значение USER содержит символ \"Ә\" (U+04D8), которого нет в кодировке Windows-1251"},
        {"an emoji", [](TParam&) {},
         [](TFormParamEdit& f) {
             Check(f.Box("AuthorCaption"), true);
             f.Edit("AuthorCaption")->setText("Иванова \U0001F600");
         },
         "Значение AuthorCaption содержит символ \"\U0001F600\" (U+1F600), которого нет в "
         "кодировке Windows-1251"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ctx.log.ClearErrors();
        TParam p;
        row.load(p);
        TFormParamEdit f(ctx, p, folder.File("Param.ini"), {});
        f.show();
        row.edit(f);
        std::string shown, title;
        {
            test::ModalScript script({Answer(ModalResult::OK, &shown, &title)});
            EXPECT_FALSE(f.Save());
            EXPECT_TRUE(script.Done());
        }
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.Saved());
        EXPECT_FALSE(folder.Exists("Param.ini"));
        ASSERT_EQ(ctx.log.Errors().size(), 1u);
        EXPECT_EQ(ctx.log.Errors()[0],
                  std::string(EditorTest::kStamp) + "Ошибка при записи данных:" + row.failure);
        EXPECT_EQ(shown, "Ошибка при записи данных:" + row.failure);
        EXPECT_EQ(title, "Ошибка");
    }
}

TEST_F(EditorTest, AReadOnlyFileOrAFolderIsNotReplaced) {
    folder.WriteBytes("Param.ini", "Oplata=VISA\r\n");
    ::chmod(folder.File("Param.ini").c_str(), 0444);
    std::filesystem::create_directory(folder.File("Dir.ini"));
    const struct {
        std::string path;
        bool asked;  // an existing file is asked about first
        std::string why;
    } rows[] = {
        {folder.File("Param.ini"), true, "файл только для чтения"},
        {folder.File("Dir.ini"), false, "это папка, а не файл"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        ctx.log.ClearErrors();
        TFormParamEdit f(ctx, TParam{}, row.path, {});
        std::deque<test::ModalScript::Step> steps;
        if (row.asked)
            steps.push_back(Answer(ModalResult::Yes));
        steps.push_back(Answer(ModalResult::OK));  // the failure's box
        test::ModalScript script(std::move(steps));
        EXPECT_FALSE(f.Save());
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Unexpected(), 0);
        ASSERT_EQ(ctx.log.Errors().size(), 1u);
        EXPECT_EQ(ctx.log.Errors()[0], std::string(EditorTest::kStamp) +
                                           "Ошибка при записи данных:Не удалось записать файл \"" +
                                           row.path + "\": " + row.why);
    }
    EXPECT_EQ(folder.ReadBytes("Param.ini"), "Oplata=VISA\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("Dir.ini")));
}

TEST_F(EditorTest, EscAsksAndExitClosesWithoutSaving) {
    const struct {
        bool screen;
        ModalResult answer;  // None: no box
        bool closes;
    } rows[] = {
        {true, ModalResult::No, false},
        {true, ModalResult::Yes, true},
        {false, ModalResult::None, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(ButtonCaption(row.answer));
        platform.screen = row.screen;
        TFormParamEdit f(ctx, TParam{}, folder.File("Param.ini"), {});
        f.show();
        std::string text;
        std::deque<test::ModalScript::Step> steps;
        if (row.answer != ModalResult::None)
            steps.push_back(Answer(row.answer, &text));
        test::ModalScript script(std::move(steps));
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Unexpected(), 0);
        if (row.screen) {
            EXPECT_EQ(text, "Закрыть окно настроек чека?");
        }
        EXPECT_EQ(f.isVisible(), !row.closes);
        EXPECT_FALSE(f.Saved());
    }
    EXPECT_EQ(ctx.log.Messages().back(), std::string(EditorTest::kStamp) +
                                             "Предупреждение: Закрыть окно настроек чека? Ответ "
                                             "без экрана: \"Нет\"");

    platform.screen = true;
    TFormParamEdit f(ctx, TParam{}, folder.File("Param.ini"), {});
    f.show();
    f.ButtonExit->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_FALSE(folder.Exists("Param.ini"));
}

}  // namespace
}  // namespace orvenka::gui
