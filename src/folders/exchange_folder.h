#pragma once
#include <optional>
#include <string>

#include "common/device_kind.h"

// An exchange folder: a folder the installed program serves, one running copy per folder. It
// holds a symbolic link to the one installed program file, so a package upgrade reaches every
// folder at once, and a small file naming the device kind its short-form commands go to.
namespace orvenka {

inline constexpr const char* kProgramLinkName = "orvenka";
inline constexpr const char* kFolderFileName = "orvenka-folder.ini";

// `name` inside `folder` (a folder path without a trailing "/", "/" for the root).
std::string InFolder(const std::string& folder, const std::string& name);

// The absolute path of an existing folder with its symbolic links resolved, without a trailing
// "/". Raises Failure with a message naming the path when it is empty, does not exist, is not
// a folder, or cannot stand in the text files that name it (not UTF-8, control characters).
std::string ExistingFolder(const std::string& given);
// The same path made absolute and tidied without asking the file system (for a folder that may
// be gone). Raises Failure like ExistingFolder for an empty or unusable path.
std::string AbsoluteFolder(const std::string& given);

// Raises Failure when the folder does not let this user create and delete files in it.
void CheckWritable(const std::string& folder);

struct FolderInfo {
    std::optional<DeviceKind> kind;  // nullopt: no folder file, not an exchange folder
    enum class Link {
        Missing,
        ToProgram,  // a symbolic link to `program`
        Foreign,    // a file of its own (a copy?) or a link elsewhere
    } link = Link::Missing;
};
// Raises Failure when the folder file exists but cannot be read or names no known kind.
FolderInfo InspectFolder(const std::string& folder, const std::string& program);

enum class CreateOutcome { Created, AlreadyThere, LinkRestored };
// Makes `folder` (from ExistingFolder) an exchange folder for `kind` served by `program`.
// Refuses with Failure, leaving the folder as it was, when it is not writable, already serves
// another kind, or holds a program file that is not a link to `program`.
CreateOutcome CreateExchangeFolder(const std::string& folder, DeviceKind kind,
                                   const std::string& program);
// Takes the link and the folder file away; every working file stays.
void RemoveExchangeFolder(const std::string& folder, const std::string& program);

}  // namespace orvenka
