#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "folders/exchange_folder.h"
#include "folders/folder_command.h"

// What the subcommands of orvenka-folder share: their arguments, their outputs and the checks of
// a folder they all make.
namespace orvenka::folder_tool {

using Args = std::vector<std::string>;

struct Context {
    const FolderToolSetup& setup;
    std::ostream& out;
    std::ostream& err;
};

// Wrong arguments: the usage text follows the message.
struct UsageError {
    std::string text;
};

struct Parsed {
    std::vector<std::string> positional;
    std::optional<std::string> kind;
    std::optional<std::string> driver;
    bool remove = false;
};

std::string WithSlash(const std::string& folder);
Parsed Parse(const Args& args, bool takesKind, bool takesRemove);
std::string OneFolder(const Parsed& p);

// The folder's kind and link; refuses a folder that is not an exchange folder.
FolderInfo RequireExchangeFolder(const Context& c, const std::string& folder);
// The path of the folder's link to the installed program (`info` from RequireExchangeFolder);
// refuses a folder whose link is missing or leads elsewhere.
std::string ProgramLink(const Context& c, const std::string& folder, const FolderInfo& info);
// A folder to undo something for: it may be gone by now.
std::string KnownFolder(const std::string& given);
bool ServiceEnabled(const Context& c, const std::string& folder);

// orvenka-folder service enable|disable|name
int Service(Context& c, const Args& args);

}  // namespace orvenka::folder_tool
