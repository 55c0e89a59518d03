#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "common/device_kind.h"

class QComboBox;
class QRadioButton;

namespace orvenka::gui {

// Device kind choice: "Atol", "Shtrih", "Emul(Принтер)". Answer the kind, None for cancel.
class TFormSelectDevice : public QDialog {
    Q_OBJECT
  public:
    explicit TFormSelectDevice(DeviceKind preselect, QWidget* parent = nullptr);
    DeviceKind Answer() const { return answer_; }
    QRadioButton* Item(int index) const { return items_[index]; }

    void Choose();  // "Выбрать"

  private:
    DeviceKind answer_ = DeviceKind::None;
    QRadioButton* items_[3];
};

// Logical-device choice from a list of lines. Answer: position from 1, 0 none, -1 cancel.
class TFormSelectLD : public QDialog {
    Q_OBJECT
  public:
    explicit TFormSelectLD(const std::vector<std::string>& lines, QWidget* parent = nullptr);
    int Answer() const { return answer_; }
    QComboBox* List() const { return list_; }

    void Choose();  // "Выбрать"

  private:
    int answer_ = -1;
    QComboBox* list_;
};

// Modal runs of the two dialogs.
DeviceKind RunSelectDevice(DeviceKind preselect);
// Fewer than two lines need no choice: the answer is 1 without a dialog.
int RunSelectLogicalDevice(const std::vector<std::string>& lines);

}  // namespace orvenka::gui
