// Raising the sound threads by name: only the named ones, as far as the system allows, and
// nothing odd in the task folder gets in the way.
#include "sound/realtime.h"

#include "doubles/unprivileged.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace tov::sound {
namespace {

constexpr const char* kName = "tovana-rt-test";

// A thread that names itself and waits until it is told to end; its kernel id in `tid`.
class NamedThread {
public:
    explicit NamedThread(const char* name)
    {
        std::promise<pid_t> started;
        auto tid = started.get_future();
        thread_ = std::thread([this, name, &started] {
            pthread_setname_np(pthread_self(), name);
            started.set_value(::gettid());
            done_.wait(false);
        });
        tid_ = tid.get();
    }
    ~NamedThread()
    {
        done_ = true;
        done_.notify_one();
        thread_.join();
    }
    pid_t tid() const { return tid_; }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
    pid_t tid_ = 0;
};

int policyOf(pid_t tid)
{
    return ::sched_getscheduler(tid) & ~SCHED_RESET_ON_FORK;
}

TEST(RaiseThreads, OnlyTheNamedThreadsBecomeRealTimeWhereTheSystemAllowsIt)
{
    NamedThread first(kName);
    NamedThread second(kName);
    NamedThread other("tovana-other");
    const int raised = raiseThreadsNamed(kName);
    // As root (CI) both are raised; in a container without CAP_SYS_NICE neither is, and
    // then both must have kept their scheduling.
    ASSERT_TRUE(raised == 0 || raised == 2) << raised;
    const int expected = raised == 2 ? SCHED_RR : SCHED_OTHER;
    EXPECT_EQ(policyOf(first.tid()), expected);
    EXPECT_EQ(policyOf(second.tid()), expected);
    if (raised == 2) {
        EXPECT_NE(::sched_getscheduler(first.tid()) & SCHED_RESET_ON_FORK, 0)
            << "a process the thread starts must not inherit the priority";
        sched_param priority{};
        ::sched_getparam(first.tid(), &priority);
        EXPECT_EQ(priority.sched_priority, sched_get_priority_min(SCHED_RR));
    }
    EXPECT_EQ(policyOf(other.tid()), SCHED_OTHER);
    EXPECT_EQ(policyOf(::gettid()), SCHED_OTHER);
    EXPECT_EQ(raiseThreadsNamed("no-such-thread"), 0);
}

TEST(RaiseThreads, TheProbeAnswersAsTheSystemDoes)
{
    // Its answer is what raising a thread of the process gives.
    NamedThread thread(kName);
    EXPECT_EQ(realtimeAllowed(), raiseThreadsNamed(kName) == 1);
    // The probe's thread is gone, and the caller keeps its scheduling.
    EXPECT_EQ(policyOf(::gettid()), SCHED_OTHER);

    // An ordinary user without a real-time limit is refused (the package's own check: such
    // a user's game must print nothing on the standard error).
    const int status = tov::testing::runUnprivileged([] {
        const rlimit none{0, 0};
        if (::setrlimit(RLIMIT_RTPRIO, &none) != 0) {
            return 3;
        }
        if (::geteuid() == 0) {
            return 4; // still root: the test cannot say what an ordinary user gets
        }
        return realtimeAllowed() ? 1 : 0;
    });
    EXPECT_EQ(status, 0) << "1: allowed without a limit or a capability";
}

TEST(RaiseThreads, ATaskFolderWithStrangeEntriesRaisesNothing)
{
    const std::filesystem::path tasks =
        std::filesystem::path(::testing::TempDir()) / "tovana_rt_tasks";
    std::filesystem::remove_all(tasks);
    // Names that are not thread ids, an id no thread has, and a task without its name.
    for (const char* entry : {"abc", "-5", "0", "12x", "2147483647", "99999999999999"}) {
        std::filesystem::create_directories(tasks / entry);
        std::ofstream(tasks / entry / "comm") << kName << "\n";
    }
    std::filesystem::create_directories(tasks / "7");
    EXPECT_EQ(raiseThreadsNamed(kName, tasks), 0);
    EXPECT_EQ(raiseThreadsNamed(kName, tasks / "missing"), 0);
    std::filesystem::remove_all(tasks);
}

} // namespace
} // namespace tov::sound
