// orvenka-cmd: hands one command to a running Orvenka through its folder and prints the answer,
// or checks the receipt files of the folder without running anything.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_client.h"
#include "cli/receipt_check.h"
#include "common/files.h"

int main(int argc, char** argv) {
    using namespace orvenka;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ClientOptions options;
    std::string error;
    if (!ParseClientArguments(args, ProgramFolder(), options, error)) {
        std::cerr << "orvenka-cmd: " << error << "\n" << kClientUsageText;
        return kClientUsage;
    }
    if (options.help) {
        std::cout << kClientUsageText;
        return kClientOk;
    }
    if (options.check)
        return RunReceiptCheck(options.folder, std::cout, std::cerr);
    return RunCommandClient(options, std::cout, std::cerr);
}
