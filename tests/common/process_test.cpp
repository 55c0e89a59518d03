#include "common/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace orvenka {
namespace {

// A copy of /bin/sleep under a name no other process on the machine has, started as children.
class FindOtherInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        name = "orvSleep" + std::to_string(::getpid());
        std::filesystem::copy_file("/bin/sleep", tmp.File(name));
        std::filesystem::permissions(tmp.File(name), std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        for (pid_t pid : children)
            Stop(pid);
    }

    pid_t Start() {
        const std::string path = tmp.File(name);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(path.c_str(), name.c_str(), "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
        // The child is ours from fork on, but runs the copy only once exec is done.
        for (int i = 0; i < 500 && !Runs(pid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return pid;
    }
    bool Runs(pid_t pid) const {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        return !ec && exe == tmp.File(name);
    }
    void Stop(pid_t pid) {
        if (::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
        std::erase(children, pid);
    }

    test::TempFolder tmp;
    std::string name;
    std::vector<pid_t> children;
};

TEST_F(FindOtherInstanceTest, FindsAProcessOfTheSameProgramFile) {
    EXPECT_EQ(FindOtherInstance(name, static_cast<int>(::getpid())), 0);
    const pid_t child = Start();
    EXPECT_EQ(FindOtherInstance(name, static_cast<int>(::getpid())), child);
}

// A forked child that runs `setUp`, tells the parent it is ready, then waits until it is killed
// (or `lifeMs` pass); killed and reaped when the object goes.
class ForkedChild {
  public:
    explicit ForkedChild(const std::function<void()>& setUp, int lifeMs = -1) {
        int ready[2];
        if (::pipe(ready) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            setUp();
            (void)!::write(ready[1], "x", 1);
            if (lifeMs >= 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(lifeMs));
            else
                ::pause();
            ::_exit(0);
        }
        char c = 0;
        const bool told = ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
        ::close(ready[1]);
        if (!told)
            throw std::runtime_error("the child did not start");
    }
    ~ForkedChild() { End(); }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    pid_t Pid() const { return pid_; }
    void End() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
};

// A forked child of the program runs the program's own file; marked as a helper, it is not a copy.
TEST(HelperProcessTest, AMarkedChildIsNoCopyAnUnmarkedOneIs) {
    for (const bool marked : {true, false}) {
        const ForkedChild child([&] {
            if (marked)
                MarkAsHelperProcess();
        });
        EXPECT_EQ(IsHelperProcess(child.Pid()), marked);
        EXPECT_FALSE(IsHelperProcess(static_cast<int>(::getpid())));
    }
}

TEST_F(FindOtherInstanceTest, NameMustMatchExactly) {
    Start();
    std::string upper = name;
    upper[0] = 'O';
    EXPECT_EQ(FindOtherInstance(upper, static_cast<int>(::getpid())), 0);
    EXPECT_EQ(FindOtherInstance(name.substr(0, name.size() - 1), static_cast<int>(::getpid())), 0);
    EXPECT_EQ(FindOtherInstance(name + "x", static_cast<int>(::getpid())), 0);
    // The folder does not count, only the file name.
    EXPECT_EQ(FindOtherInstance(tmp.File(name), static_cast<int>(::getpid())), 0);
}

TEST_F(FindOtherInstanceTest, SkipsOwnProcess) {
    const pid_t first = Start();
    EXPECT_EQ(FindOtherInstance(name, first), 0);
    const pid_t second = Start();
    EXPECT_EQ(FindOtherInstance(name, first), second);
    EXPECT_EQ(FindOtherInstance(name, second), first);
}

TEST_F(FindOtherInstanceTest, EndedProcessIsNotFound) {
    const pid_t child = Start();
    ASSERT_EQ(FindOtherInstance(name, static_cast<int>(::getpid())), child);
    Stop(child);
    EXPECT_EQ(FindOtherInstance(name, static_cast<int>(::getpid())), 0);
}

TEST_F(FindOtherInstanceTest, ProgramFileReplacedWhileRunningStillCounts) {
    const pid_t child = Start();
    std::filesystem::remove(tmp.File(name));  // the link now reads "... (deleted)"
    EXPECT_EQ(FindOtherInstance(name, static_cast<int>(::getpid())), child);
}

TEST(FindOtherInstance, NeverFindsItself) {
    // Other copies of the test program may run at the same time; our own pid never counts.
    const int found = FindOtherInstance();
    EXPECT_NE(found, static_cast<int>(::getpid()));
}

TEST(FolderLock, OneHolderPerFolder) {
    test::TempFolder a, b;
    EXPECT_EQ(FolderLockHolder(a.Path()), 0);
    {
        const FolderLock first(a.Path());
        ASSERT_EQ(first.state(), FolderLock::State::Held);
        EXPECT_EQ(FolderLockHolder(a.Path()), ::getpid());
        // The same folder by another path, or another folder.
        EXPECT_EQ(FolderLock(a.Path() + "./").state(), FolderLock::State::HeldByOther);
        EXPECT_EQ(FolderLock(b.Path()).state(), FolderLock::State::Held);
        EXPECT_EQ(FolderLockHolder(b.Path()), 0) << "that lock went with its object";
    }
    EXPECT_EQ(FolderLockHolder(a.Path()), 0);
    EXPECT_EQ(FolderLock(a.Path()).state(), FolderLock::State::Held);
    EXPECT_EQ(FolderLock(a.File("none")).state(), FolderLock::State::Unavailable);
}

TEST(FolderLock, GoesWithTheProcessHoweverItEnds) {
    test::TempFolder tmp;
    std::optional<FolderLock> lock;
    ForkedChild child([&] {
        lock.emplace(tmp.Path());
        if (lock->state() != FolderLock::State::Held)
            ::_exit(1);
    });
    EXPECT_EQ(FolderLockHolder(tmp.Path()), child.Pid());
    EXPECT_EQ(FolderLock(tmp.Path()).state(), FolderLock::State::HeldByOther);
    child.End();
    EXPECT_EQ(FolderLockHolder(tmp.Path()), 0);
    EXPECT_EQ(FolderLock(tmp.Path()).state(), FolderLock::State::Held);
}

// A forked helper shares the program's open folder descriptor, and with it the lock: unless it
// lets go, the folder stays locked after the program ends, as long as the helper runs.
TEST(FolderLock, AHelperChildLetsGoOfTheProgramsLock) {
    for (const bool marked : {true, false}) {
        test::TempFolder tmp;
        auto lock = std::make_unique<FolderLock>(tmp.Path());
        ASSERT_EQ(lock->state(), FolderLock::State::Held);
        const ForkedChild child([&] {
            if (marked)
                MarkAsHelperProcess();
        });
        lock.reset();
        EXPECT_EQ(FolderLock(tmp.Path()).state(),
                  marked ? FolderLock::State::Held : FolderLock::State::HeldByOther)
            << (marked ? "marked" : "unmarked");
    }
}

// A start right after a copy was killed finds the folder free once that copy lets go of it;
// a copy that goes on running still stops the start.
TEST(FolderLock, AStartWaitsForACopyThatIsEnding) {
    for (const bool ending : {true, false}) {
        test::TempFolder tmp;
        std::optional<FolderLock> held;
        const ForkedChild child([&] { held.emplace(tmp.Path()); }, ending ? 200 : -1);
        std::optional<FolderLock> lock;
        const int other = FindOtherInstance(ProgramFile{tmp.Path(), "orvNone", true}, lock,
                                            static_cast<int>(::getpid()), ending ? 10000 : 100);
        if (ending) {
            EXPECT_EQ(other, 0);
            ASSERT_TRUE(lock);
            EXPECT_EQ(lock->state(), FolderLock::State::Held);
        } else {
            EXPECT_EQ(other, child.Pid());
        }
    }
}

TEST_F(FindOtherInstanceTest, OneCopyPerFolderAndTheNameRuleOnlyForDirectStarts) {
    const int self = static_cast<int>(::getpid());
    test::TempFolder a, b;
    const ProgramFile direct{a.Path(), name, false};
    const ProgramFile linked{a.Path(), name, true};
    {
        const FolderLock lock(a.Path());
        EXPECT_EQ(FindOtherInstance(direct, lock, self), 0);
        EXPECT_EQ(FindOtherInstance(linked, lock, self), 0);
        const pid_t child = Start();
        EXPECT_EQ(FindOtherInstance(direct, lock, self), child) << "same program file name";
        EXPECT_EQ(FindOtherInstance(linked, lock, self), 0)
            << "every exchange folder's copy runs the one installed file";
        // Another copy already serves the folder.
        const FolderLock mine(a.Path());
        EXPECT_EQ(FindOtherInstance(linked, mine, 1), self);
        EXPECT_EQ(FindOtherInstance(direct, mine, 1), self);
        EXPECT_EQ(FindOtherInstance(linked, mine, self), -1) << "a holder that is not known";
    }
    // A folder without such locks: the name rule still holds for a direct start.
    const FolderLock none(b.File("gone"));
    ASSERT_EQ(none.state(), FolderLock::State::Unavailable);
    EXPECT_NE(FindOtherInstance(ProgramFile{b.Path(), name, false}, none, self), 0);
    EXPECT_EQ(FindOtherInstance(ProgramFile{b.Path(), name, true}, none, self), 0);
}

}  // namespace
}  // namespace orvenka
