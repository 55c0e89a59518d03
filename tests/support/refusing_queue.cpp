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

RefusingQueue::RefusingQueue() {
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
    if (Shell("cupsreject -r 'closed for the test' " + name_) != 0)
        skip_ = "CUPS did not make " + name_ + " refuse jobs";
}

RefusingQueue::~RefusingQueue() {
    if (!name_.empty())
        Shell("lpadmin -x " + name_ + " 2>/dev/null");
}

bool RefusingQueue::Accept() const {
    return Shell("cupsaccept " + name_) == 0;
}

}  // namespace orvenka::test
