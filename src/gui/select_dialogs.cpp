#include "gui/select_dialogs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orvenka::gui {

TFormSelectDevice::TFormSelectDevice(DeviceKind preselect, QWidget* parent) : QDialog(parent) {
    setObjectName("FormSelectDevice");
    setWindowTitle("Выбор устройства");
    resize(228, 197);

    auto* group = new QGroupBox("Устройства", this);
    auto* groupLayout = new QVBoxLayout(group);
    const char* captions[3] = {"Atol", "Shtrih", "Emul(Принтер)"};
    for (int i = 0; i < 3; ++i) {
        items_[i] = new QRadioButton(QString::fromUtf8(captions[i]), group);
        items_[i]->setChecked(kDeviceKinds[i] == preselect);
        groupLayout->addWidget(items_[i]);
    }

    auto* choose = new QPushButton("Выбрать", this);
    auto* cancel = new QPushButton("Отмена", this);
    choose->setDefault(true);
    connect(choose, &QPushButton::clicked, this, &TFormSelectDevice::Choose);
    connect(cancel, &QPushButton::clicked, this, [this] {
        answer_ = DeviceKind::None;
        reject();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

void TFormSelectDevice::Choose() {
    answer_ = DeviceKind::None;
    for (int i = 0; i < 3; ++i) {
        if (items_[i]->isChecked())
            answer_ = kDeviceKinds[i];
    }
    accept();
}

TFormSelectLD::TFormSelectLD(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent) {
    setObjectName("FormSelectLD");
    setWindowTitle("Выбор логического устройства");
    resize(417, 138);

    list_ = new QComboBox(this);
    list_->setEditable(false);
    for (const auto& line : lines)
        list_->addItem(QString::fromStdString(line));
    list_->setCurrentIndex(lines.empty() ? -1 : 0);

    auto* choose = new QPushButton("Выбрать", this);
    auto* cancel = new QPushButton("Отказ", this);
    choose->setDefault(true);
    connect(choose, &QPushButton::clicked, this, &TFormSelectLD::Choose);
    connect(cancel, &QPushButton::clicked, this, [this] {
        answer_ = -1;
        reject();
    });
    // Esc closes through reject(): the answer stays -1.

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(choose);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addStretch();
    layout->addLayout(buttons);
}

void TFormSelectLD::Choose() {
    answer_ = list_->currentIndex() + 1;  // -1 (nothing selected) gives 0
    accept();
}

DeviceKind RunSelectDevice(DeviceKind preselect) {
    TFormSelectDevice dialog(preselect);
    dialog.exec();
    return dialog.Answer();
}

int RunSelectLogicalDevice(const std::vector<std::string>& lines) {
    if (lines.size() < 2)
        return 1;
    TFormSelectLD dialog(lines);
    dialog.exec();
    return dialog.Answer();
}

}  // namespace orvenka::gui
