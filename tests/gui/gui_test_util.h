#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orvenka::test {

// Runs the event loop until `done` holds or `ms` have passed; answers `done()`.
inline bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for `ms` (to see that something does NOT happen).
inline void Spin(int ms) {
    WaitUntil([] { return false; }, ms);
}

// Closes the next modal box after `check` has looked at the program's state while it is open.
// Modal boxes never block a test this way.
inline void CloseNextModal(std::function<void(QWidget*)> check = nullptr) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        if (check)
            check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    });
    timer->start();
}

// Answers the modal dialogs that open from now on, in order, one step each; a step must end its
// dialog (click a button, accept, reject). A modal nobody expected is rejected and counted, so a
// test never hangs on it and can tell.
class ModalScript {
  public:
    using Step = std::function<void(QWidget* modal)>;

    explicit ModalScript(std::deque<Step> steps) : steps_(std::move(steps)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    bool Done() const { return steps_.empty(); }
    int Unexpected() const { return unexpected_; }

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        // A dialog that opened one of its own is active again when that one ends: handled once.
        for (const auto& seen : handled_) {
            if (seen.data() == modal)
                return;
        }
        handled_.emplace_back(modal);
        if (steps_.empty()) {
            ++unexpected_;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else {
                modal->close();
            }
            return;
        }
        // Run from an event of its own: a step that opens another modal (a question after a
        // click) waits in a nested loop, where this timer must go on to answer that one.
        QTimer::singleShot(0, modal, [step = std::move(steps_.front()), modal] { step(modal); });
        steps_.pop_front();
    }

    std::deque<Step> steps_;
    QTimer timer_;
    std::vector<QPointer<QWidget>> handled_;
    int unexpected_ = 0;
};

// A step for a file dialog: notes the folder it opened in and the name it suggests, then picks
// `path` (an empty path cancels).
inline ModalScript::Step PickFile(std::string path, std::string* openedIn = nullptr,
                                  std::string* suggested = nullptr) {
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr) << "not a file dialog";
        if (openedIn)
            *openedIn = dialog->directory().absolutePath().toStdString() + "/";
        if (suggested && !dialog->selectedFiles().isEmpty())
            *suggested = dialog->selectedFiles().front().toStdString();
        if (path.empty()) {
            dialog->reject();
            return;
        }
        // The dialog does not overwrite the name field while the operator is typing in it.
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own, as its button does
        if (dialog->isVisible())
            dialog->reject();  // refused: never wait for nobody
    };
}

inline std::string Std(const QString& s) {
    return s.toStdString();
}

}  // namespace orvenka::test
