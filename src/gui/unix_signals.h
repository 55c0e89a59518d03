#pragma once
#include <QObject>
#include <initializer_list>

class QSocketNotifier;

namespace orvenka::gui {

// Turns SIGTERM / SIGINT into a Qt signal on the GUI thread (a self-pipe read by the event
// loop), so a stop request ends the program through its normal exit, with the run log written.
// One instance per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
  public:
    explicit UnixSignalWatcher(std::initializer_list<int> numbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

  signals:
    void Received(int signal);

  private:
    void ReadPipe();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvenka::gui
