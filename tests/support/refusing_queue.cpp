#include "support/refusing_queue.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace orvenka::test {
namespace {

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RefusingQueue::RefusingQueue(Jobs jobs) {
    if (!std::getenv("ORVENKA_TEST_PDF_QUEUE")) {
        skip_ =
            "ORVENKA_TEST_PDF_QUEUE is not set: tools/test.sh sets it when it runs as root "
            "with CUPS";
        return;
    }
    const std::string name = "OrvenkaRefuses" + std::to_string(::getpid());
    if (Shell(std::string(ORVENKA_SOURCE_DIR) + "/tools/cups-keep-queue.sh " + name +
              " >/dev/null") != 0) {
        skip_ = "the queue " + name + " could not be added";
        return;
    }
    name_ = name;
    if (jobs == Jobs::Refused && Shell("cupsreject -r 'closed for the test' " + name_) != 0)
        skip_ = "CUPS did not make " + name_ + " refuse jobs";
}

RefusingQueue::~RefusingQueue() {
    if (name_.empty())
        return;
    Shell("lpadmin -x " + name_ + " 2>/dev/null");
    // The jobs it kept.
    if (const char* home = std::getenv("HOME"))
        Shell(std::string("rm -f '") + home + "/PDF/'job_*-" + name_ + ".pdf");
}

bool RefusingQueue::Accept() const {
    return Shell("cupsaccept " + name_) == 0;
}

}  // namespace orvenka::test
