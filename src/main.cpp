// The composition root: the program with its device back-ends.
#include "backends/backends.h"
#include "gui/application.h"

int main(int argc, char** argv) {
    return orvenka::gui::RunApplication(
        argc, argv, [](orvenka::AppContext& ctx) { orvenka::InstallBackends(ctx); });
}
