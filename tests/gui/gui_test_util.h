#pragma once
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

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

inline std::string Std(const QString& s) {
    return s.toStdString();
}

}  // namespace orvenka::test
