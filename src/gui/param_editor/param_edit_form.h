#pragma once
#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "receipt/records.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace orvenka {
class AppContext;
}

namespace orvenka::gui {

// "Редактирование файла настроек": a Param.ini edited key by key. Each optional key has a check
// box that shows its control while it is checked; a checked box writes the key, an unchecked one
// leaves it out. What the dialog does not show of the file it was opened on is written back as
// it was (WriteParam keeps those lines), so opening and saving a file loses nothing but the
// numeric name width, which the editor does not keep.
class TFormParamEdit : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Редактирование файла настроек";

    // `fileName` is empty for a new file; `readLines` are the lines of the file `param` was read
    // from (empty for a new file).
    TFormParamEdit(AppContext& ctx, const TParam& param, const std::string& fileName,
                   std::vector<std::string> readLines, QWidget* parent = nullptr);

    // The record as last saved; as loaded (with the name width dropped) until then.
    const TParam& Param() const { return param_; }
    bool Saved() const { return saved_; }
    std::string FileName() const;

    // "Сохранить": asks for a file name when there is none yet, asks before replacing an
    // existing file, takes the controls into the record and writes it. A failure (a value the
    // file cannot hold among them) goes to the error log as "Ошибка при записи данных:" + its
    // text, is shown in an error box over the dialog, and the dialog stays open. True when the
    // file was written (the dialog is then closed).
    bool Save();

    // The controls of a Param.ini key ("AuthorName", "SNO", "Predmet", "INN" ...): its check box,
    // its text field, its list, its help text; nullptr when the key has no such control.
    QCheckBox* Box(const std::string& key) const;
    QLineEdit* Edit(const std::string& key) const;
    QComboBox* List(const std::string& key) const;
    QLabel* Help(const std::string& key) const;

    QTabWidget* Tabs;
    QLabel* LabelFileName;
    QPushButton* ButtonSave;  // "Сохранить"
    QPushButton* ButtonExit;  // "Выйти"
    // Payment: "Две оплаты", "Наличные", "Безналичные"; the two sums shown only with the first.
    QComboBox* ListOplata;
    QWidget* PanelSums;
    QLineEdit* EditSumNAL;    // "Сумма наличными"
    QLineEdit* EditSumVISA;   // "Сумма безналичными"
    QCheckBox* BoxNameFull;   // "Печатать длинные наименование ..."
    QCheckBox* BoxECheck;     // "Электронный чек"
    QCheckBox* BoxNotFiscal;  // "Нефискальный чек"

  protected:
    // Esc asks "Закрыть окно настроек чека?" first.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Row {
        QCheckBox* box = nullptr;
        QLineEdit* edit = nullptr;
        QComboBox* list = nullptr;
        QLabel* help = nullptr;
    };

    QWidget* AddTab(const char* title, QGridLayout*& grid);
    // A check box that shows `control` while it is checked, the control, and its help text.
    Row& AddBoxedRow(QGridLayout* grid, const std::string& key, const char* caption,
                     const char* help, QWidget* control);
    Row& AddTextRow(QGridLayout* grid, const std::string& key, const char* caption,
                    const char* help);
    Row& AddListRow(QGridLayout* grid, const std::string& key, const char* caption,
                    const char* help);
    QCheckBox* AddFlagRow(QGridLayout* grid, const char* caption, const char* help);
    QLabel* AddHelp(QGridLayout* grid, int row, const char* help);
    void BuildMainTab();
    void BuildProgramTab();
    void BuildPrintTab();
    void BuildHeaderTab();
    void BuildEmulTab();

    void Load();
    TParam Take() const;  // raises Failure
    bool ChooseFileName();

    AppContext& ctx_;
    TParam param_;
    std::vector<std::string> readLines_;
    std::map<std::string, Row> rows_;
    std::string summaDocLoaded_;  // the text of SUMMADOC as loaded: untouched, it keeps the value
    bool saved_ = false;
};

// Opens the editor modally on its first tab; true when a save succeeded (`param` is then the
// record as saved).
bool EditParam(AppContext& ctx, TParam& param, const std::string& fileName,
               const std::vector<std::string>& readLines = {}, QWidget* parent = nullptr);

}  // namespace orvenka::gui
