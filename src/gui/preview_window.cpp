#include "gui/preview_window.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "common/failure.h"
#include "gui/document_render.h"

namespace orvenka::gui {

TFormRE::TFormRE(std::function<void(const TextDocument&)> print, QWidget* parent)
    : QDialog(parent), print_(std::move(print)) {
    setObjectName("FormRE");
    setWindowTitle("FormRE");
    resize(605, 634);

    re_ = new QTextEdit(this);
    re_->setObjectName("re");
    re_->setReadOnly(true);
    re_->setLineWrapMode(QTextEdit::NoWrap);
    re_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    re_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    print_button_ = new QPushButton("Печать", this);
    connect(print_button_, &QPushButton::clicked, this, &TFormRE::PrintClicked);

    auto* strip = new QHBoxLayout;
    strip->addWidget(print_button_);
    strip->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(re_, 1);
    layout->addLayout(strip);
}

void TFormRE::SetDocument(const TextDocument& document) {
    document_ = document;
    printFailure_.reset();
    FillRichText(*re_->document(), document_);
}

void TFormRE::PrintClicked() {
    try {
        print_(document_);
    } catch (const Failure& f) {
        printFailure_ = f.what();
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(f.what()));
        return;
    }
    printFailure_.reset();
    accept();
}

}  // namespace orvenka::gui
