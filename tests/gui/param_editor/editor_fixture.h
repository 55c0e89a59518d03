#pragma once
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "common/clock.h"
#include "gui/param_editor/param_edit_form.h"
#include "gui/rus_message.h"
#include "gui_test_util.h"
#include "shell/app_context.h"
#include "support/param_template.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::gui::test_editor {

// Windows-1251 bytes of the template's header followed by `entries`.
inline std::string TemplateBytes(const std::vector<std::string>& entries) {
    return test::FileBytes(test::WithHeader(entries));
}

// The editor on a screen an operator could answer on; its modal boxes are answered by scripts.
struct EditorTest : ::testing::Test {
    test::TempFolder folder;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};

    EditorTest() { platform.screen = true; }

    static constexpr const char* kStamp = "12.02.2021 10:30:05:";
};

// Script steps.
inline test::ModalScript::Step Answer(ModalResult result, std::string* text = nullptr,
                                      std::string* title = nullptr) {
    return [=](QWidget* modal) {
        auto* box = qobject_cast<TFormRusMessage*>(modal);
        ASSERT_NE(box, nullptr) << "not the question box";
        if (text)
            *text = box->Text()->text().remove(QChar(0x200B)).toStdString();
        if (title)
            *title = box->windowTitle().toStdString();
        box->Button(result)->click();
    };
}

// The editor, once it is up: `act` on it (it must close it, or leave it for a later step).
inline test::ModalScript::Step OnEditor(std::function<void(TFormParamEdit&)> act) {
    return [=](QWidget* modal) {
        auto* form = qobject_cast<TFormParamEdit*>(modal);
        ASSERT_NE(form, nullptr) << "not the editor";
        act(*form);
    };
}

inline void Check(QCheckBox* box, bool on) {
    ASSERT_NE(box, nullptr);
    box->setChecked(on);
}

}  // namespace orvenka::gui::test_editor
