// Host settings that name something other than a regular file: a FIFO
// nobody reads, a FIFO with a reader, a directory, a device. None may stall
// the caller; the debug text is lost, the mixer driver skipped. Each call
// runs in a child process that is killed if it does not return in time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "support/sim_mixer_client.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

// True when `call` returns true in a child process within 10 seconds.
bool ReturnsInTime(const std::function<bool()> &call) {
    pid_t child = fork();
    if (child == 0) {
        alarm(10);
        _exit(call() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MakeFifo(const std::string &name) {
    std::string path = tvtest::MakeTempDir("hostile") + "/" + name;
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
}

TEST(HostileSettings, DebugOutputNeverWaitsAndWritesOnlyFilesAndTerminals) {
    const std::string unread = MakeFifo("unread");
    const std::string withReader = MakeFifo("read");
    int reader = open(withReader.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string file = tvtest::MakeTempDir("hostile-debug") + "/debug.log";
    struct Case {
        const char *what;
        std::string destination;
    } cases[] = {
        {"a FIFO nobody reads", unread},
        {"a FIFO with a reader", withReader},
        {"a directory", tvtest::MakeTempDir("hostile-dir")},
        {"a device", "/dev/null"},
        {"a regular file", file},
    };
    for (const Case &c : cases) {
        setenv("TVHOST_DEBUG", c.destination.c_str(), 1);
        EXPECT_TRUE(ReturnsInTime([] {
            OutputDebugStringA("line\r\n");
            return true;
        })) << c.what;
    }
    unsetenv("TVHOST_DEBUG");
    char got[16];
    EXPECT_LE(read(reader, got, sizeof got), 0) << "nothing is written into a FIFO";
    close(reader);
    EXPECT_EQ(tvtest::ReadFile(file), "line\r\n") << "a regular file still gets the text";
}

TEST(HostileSettings, AMixerDriverThatIsNoRegularFileIsSkipped) {
    const std::string fifo = MakeFifo("tvmix.so");
    tvtest::UseSimMixer();  // the simulated mixer at its defaults: one device
    // The drivers load in the child, at its first mixer call.
    TvHostMixerReset();
    setenv("TVHOST_MIXERS", (fifo + "," + tvtest::SimMixerFile()).c_str(), 1);
    EXPECT_TRUE(ReturnsInTime([] { return mixerGetNumDevs() == 1; })) << "the FIFO is skipped, the next one serves";
    setenv("TVHOST_MIXERS", "/dev/zero", 1);
    EXPECT_TRUE(ReturnsInTime([] { return mixerGetNumDevs() == 0; }));
    unsetenv("TVHOST_MIXERS");
}

}  // namespace
