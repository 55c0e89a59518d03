#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.h"

// File routines. Paths are UTF-8 (the file system's own encoding here); file contents are
// Windows-1251 and converted at this boundary. Failures raise Failure with a Russian text.
namespace orvenka {

bool FileExists(const std::string& path);

// Identity and state of a plain file: any write, replacement or rename changes it. Used to tell
// "the file as we left it" from a new one written by the accounting system meanwhile.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// nullopt when the path is not a plain file. A symbolic link is not one: it is never followed.
std::optional<FileStamp> StampOf(const std::string& path);
// The entry itself, whatever it is (a plain file, a symbolic link, a pipe, a device); nullopt
// when there is none.
std::optional<FileStamp> EntryStampOf(const std::string& path);

// The entries of `folder` whose names equal `name` without regard to Latin letter case: the
// exact spelling first, then the others in byte order. Empty when there is none or the folder
// cannot be read.
std::vector<std::string> SpellingsOf(const std::string& folder, const std::string& name);
// The first of those spellings that is not a folder (a folder of that name is no such file);
// nullopt when there is none.
std::optional<std::string> FileSpellingOf(const std::string& folder, const std::string& name);
// The names of the entries of `folder` that begin with `prefix`, in byte order.
std::vector<std::string> EntriesStartingWith(const std::string& folder, const std::string& prefix);
// Raises Failure when `path` is a symbolic link or a file with other names besides (a hard link):
// a file the program keeps for itself (the register of printed documents, the counters) is never
// read from or written to another file through a link. Nothing under the name passes.
void RefuseLinkedFile(const std::string& path);
// True when the file is gone afterwards (also when it never existed).
bool DeleteFileIfExists(const std::string& path);
// Replaces `to` when it exists. Raises Failure on error.
void RenameFile(const std::string& from, const std::string& to);

// No limit on the size of a file read.
inline constexpr uint64_t kAnySize = UINT64_MAX;

// A file refused for its size; callers that answer it in words of their own find the figures.
class FileTooLarge : public Failure {
  public:
    FileTooLarge(const std::string& path, uint64_t size, uint64_t limit);
    uint64_t Size() const { return size_; }
    uint64_t Limit() const { return limit_; }

  private:
    uint64_t size_;
    uint64_t limit_;
};

// Whole file as raw bytes. Raises Failure when it cannot be opened or read, or is not a plain
// file (a folder, a pipe, a device), or FileTooLarge when it holds more than `maxBytes`: a file
// beyond its limit is refused from its size alone, before anything is read, so junk of any size
// costs no time.
std::string ReadFileBytes(const std::string& path, uint64_t maxBytes = kAnySize);
// Decodes file bytes to UTF-8 text: Windows-1251, or UTF-8 as ReadsAsUtf8 tells (a byte-order
// mark is dropped either way).
std::string DecodeFileText(const std::string& bytes);
// Splits into lines at CR LF, CR or LF; a final line break adds no empty line. At most
// `maxLines` lines: the rest of the text is not split.
std::vector<std::string> SplitLines(const std::string& text, size_t maxLines = SIZE_MAX);
// Loads a text file (Windows-1251, or UTF-8 as DecodeFileText tells) as lines (UTF-8). Raises
// Failure (also beyond `maxBytes`).
std::vector<std::string> LoadLines(const std::string& path, uint64_t maxBytes = kAnySize,
                                   size_t maxLines = SIZE_MAX);
// LoadLines for the files an accounting system writes (Param.ini, Tovar.ini, Dop.ini), with word
// of whether the file was read as UTF-8 (see ReadsAsUtf8).
struct InputLines {
    std::vector<std::string> lines;
    bool utf8 = false;
};
InputLines LoadInputLines(const std::string& path, uint64_t maxBytes = kAnySize,
                          size_t maxLines = SIZE_MAX);
// The message-log line that says a file was read as UTF-8.
std::string Utf8InputMessage(const std::string& path);
// Whether DecodeFileText reads `bytes` as UTF-8: after a UTF-8 byte-order mark when the rest is
// valid UTF-8, or without one when the bytes are valid UTF-8 holding Cyrillic letters. Russian
// Windows-1251 text is never that: its letters are bytes C0-FF (and A8, B8 for Ё, ё), and a
// letter followed by another letter or by a Latin byte is no UTF-8 sequence.
bool ReadsAsUtf8(const std::string& bytes);

// A plain file read whole, to be emptied in place afterwards (cmd.ini): opened without following
// a symbolic link, so that the file a link points to is never read or emptied.
class FileToEmpty {
  public:
    // Raises Failure: a symbolic link, a folder, a pipe or a device in place of the file, a file
    // that cannot be read; FileTooLarge: one of more than `maxBytes`.
    explicit FileToEmpty(const std::string& path, uint64_t maxBytes = kAnySize);
    ~FileToEmpty();
    FileToEmpty(const FileToEmpty&) = delete;
    FileToEmpty& operator=(const FileToEmpty&) = delete;

    const std::string& Bytes() const { return bytes_; }
    const FileStamp& Stamp() const { return stamp_; }
    // Empties the file, provided the path still names the file read (one written in its place
    // meanwhile is left alone: nullopt). Answers the stamp of the emptied file. Raises Failure.
    std::optional<FileStamp> Empty();

  private:
    std::string path_;
    int fd_ = -1;
    std::string bytes_;
    FileStamp stamp_;
};

// Every write in place below is refused (Failure) when the path names anything but a plain file:
// a symbolic link is never followed, and a pipe or a device never makes the program wait.

// Each line followed by CR LF, encoded to Windows-1251. Written in place. Raises Failure.
void SaveLines(const std::string& path, const std::vector<std::string>& lines);
void SaveText(const std::string& path, const std::string& text);
// The same through a temporary file in the same folder, flushed and renamed over the target:
// a crash leaves the old file or the new one, never half of one.
void SaveLinesAtomic(const std::string& path, const std::vector<std::string>& lines);
void WriteFileBytesAtomic(const std::string& path, const std::string& bytes);
// The same for the answer of every command (Result.txt, cmd.finish), which must not wait for the
// disk: readers still see the old file or the new one, never half of one, and the data is on its
// way to the disk before the name appears, but it is not waited for.
void SaveAnswerLines(const std::string& path, const std::vector<std::string>& lines);
// A new file (never one that exists, never through a link) written in place and flushed to the
// disk before answering; for a folder that gets its name only afterwards. Raises Failure.
void CreateFileBytesSynced(const std::string& path, const std::string& bytes);
// Makes the names last made in `folder` survive a power cut. Best effort: the data is not at
// stake.
void SyncFolder(const std::string& folder);
// Puts a new file under `path`, written whole before it appears there, and never in place of a
// file that exists: nullopt, and nothing written, when `path` is taken. Answers the stamp of the
// file created. Raises Failure.
// `share` gives the file its mode, and the owner and group where the system lets the caller
// give them (-1: the caller's own).
struct FileShare {
    unsigned mode = 0644;
    int64_t owner = -1;
    int64_t group = -1;
};
std::optional<FileStamp> CreateFileBytesExclusive(const std::string& path, const std::string& bytes,
                                                  const FileShare& share = {});
// Appends Windows-1251 text, creating the file when missing; never through a symbolic link.
// Raises Failure.
void AppendText(const std::string& path, const std::string& text);
// Appends raw bytes to an existing file and flushes them to disk before answering. A failed
// append is cut off again, so the file keeps its old end. Raises Failure.
void AppendBytesSynced(const std::string& path, const std::string& bytes);

// The temporary files of the writes above are hidden files of the target's folder whose names
// carry the writing process: "." + name + ".tmp-" + pid + "-" + six characters. A kill leaves
// them behind; this removes those of processes that no longer run, and answers their names.
std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder);
// The process of such a name, 0 for any other name.
int TemporaryFileOwner(const std::string& name);

// Folder of the running program file, ending in "/".
std::string ProgramFolder();
// Base name of the running program file.
std::string ProgramFileName();

// The program file as it was started. An exchange folder holds a symbolic link to the one
// installed program; started through that link the program serves the link's folder, under the
// link's name. Started any other way (directly, a copy, a name found on PATH) it is the running
// file itself, as ProgramFolder and ProgramFileName give it.
struct ProgramFile {
    std::string folder;  // ends in "/"
    std::string name;
    bool throughLink = false;
};
ProgramFile StartedProgramFile(const std::string& argv0);
// The absolute path of the link `argv0` names (relative to `cwd`) when it is a symbolic link
// that leads to `executable` (the same file, not just the same name); nullopt otherwise, and
// for an `argv0` without a "/", which the shell found on PATH. The link's folder is given with
// its own symbolic links resolved.
std::optional<std::string> LinkToProgram(const std::string& argv0, const std::string& cwd,
                                         const std::string& executable);
std::string FolderOf(const std::string& path);  // ends in "/"; "" for a bare name
std::string FileNameOf(const std::string& path);

// The extension (trimmed, "." added when missing) replaces the name's extension (from the last
// "." of the name part), or is appended. An empty extension removes the name's extension.
std::string ChangeExtension(const std::string& fileName, const std::string& extension);

// Mask match ignoring case, name and mask split at their first ".".
bool MatchMask(const std::string& name, const std::string& mask);
// Lists folder entries matching the mask; a mask ending in "/S" searches subfolders too.
void FindFiles(std::vector<std::string>& list, const std::string& folder, const std::string& mask,
               bool all);

// Russian text of an errno value, for failure messages.
std::string SystemErrorText(int err);

}  // namespace orvenka
