#pragma once
#include <string>

namespace orvenka::test {

// A CUPS queue of the test's own, removed again when the test ends: it keeps each job as sent
// (in $HOME/PDF), or refuses every job. It needs root and CUPS, which tools/test.sh provides
// when it sets ORVENKA_TEST_PDF_QUEUE; `Skip()` says why there is none otherwise.
class RefusingQueue {
  public:
    enum class Jobs { Refused, Taken };
    explicit RefusingQueue(Jobs jobs = Jobs::Refused);
    ~RefusingQueue();
    RefusingQueue(const RefusingQueue&) = delete;
    RefusingQueue& operator=(const RefusingQueue&) = delete;

    const std::string& Name() const { return name_; }
    // Empty when the queue is there; else why not.
    const std::string& Skip() const { return skip_; }
    // Lets the queue take jobs again; true when CUPS agreed.
    bool Accept() const;

  private:
    std::string name_;
    std::string skip_;
};

}  // namespace orvenka::test
