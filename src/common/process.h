#pragma once
#include <optional>
#include <string>

#include "common/files.h"

namespace orvenka {

// Process id of another running process whose executable file name equals `exeName` exactly
// (letter case included), or 0. Reads the /proc snapshot; `ownPid` is skipped.
// Processes marked as the program's helpers are not copies of it.
int FindOtherInstance(const std::string& exeName, int ownPid);
int FindOtherInstance();  // this program's name and pid

// A child the program forks without exec (a print submission) runs the program's file; marked,
// one that outlives a killed copy for a moment is not taken for a running copy by the next start.
// It also lets go of the folder locks it shares with the program: else the folder would stay
// locked until the child ends, past the end of a killed program.
void MarkAsHelperProcess();
bool IsHelperProcess(int pid);

// The copy of the program that serves a folder holds an exclusive lock on the folder itself for
// as long as it runs. The system drops the lock with the process, however it ends, and taking it
// is one step, so two copies started at the same moment cannot both get it.
class FolderLock {
  public:
    enum class State {
        Held,         // ours until this object goes
        HeldByOther,  // another process serves the folder
        Unavailable,  // the folder cannot be opened or its file system has no such locks
    };
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State state() const { return state_; }

  private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

// The process that holds the folder's lock, from the system's lock table; 0 when none does.
int FolderLockHolder(const std::string& folder);

// The copy a start must give way to (a process id; -1 when the folder's holder is not known by
// id), or 0 when the start may go on:
// - whoever holds the lock of the program's folder: one copy per folder, in every case;
// - for a program file started directly, any process of the same program file name, as ever.
//   Started through an exchange folder's link the name is not compared: the copies of all
//   exchange folders run the one installed file.
int FindOtherInstance(const ProgramFile& program, const FolderLock& lock, int ownPid);
// The same, with the folder's lock taken into `lock`, waiting up to `waitMs` for a copy to give
// way: one that has just been killed lets go of the folder a moment after its end is reported.
int FindOtherInstance(const ProgramFile& program, std::optional<FolderLock>& lock, int ownPid,
                      int waitMs);

}  // namespace orvenka
