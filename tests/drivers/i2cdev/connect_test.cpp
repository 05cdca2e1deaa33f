// The driver's connect entry: which adapter it opens, when it keeps it, and
// the single debug line it leaves when it cannot offer a bus.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "driver_fixture.h"
#include "support/driver_words.h"
#include "support/test_env.h"

namespace tvtest {
namespace {

using ConnectStep = DriverTest;

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST_F(ConnectStep, OpensAtProcessAttachKeepsItAndClosesAtDetach) {
    ConnectFakeAdapter();
    ASSERT_EQ(Fake().opened, std::vector<std::string>{kFakeDevice});
    EXPECT_EQ(Fake().openFlags[0] & O_ACCMODE, O_RDWR);
    EXPECT_NE(Fake().openFlags[0] & O_CLOEXEC, 0);
    EXPECT_EQ(Connect(DLL_THREAD_ATTACH), 1);
    EXPECT_EQ(Connect(DLL_THREAD_DETACH), 1);
    EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 1) << "a second attach keeps the open adapter";
    EXPECT_EQ(Fake().opened.size(), 1u);
    EXPECT_EQ(Fake().openFds.size(), 1u);

    Connect(DLL_PROCESS_DETACH);
    EXPECT_TRUE(Fake().openFds.empty());
    EXPECT_EQ(Connect(DLL_THREAD_ATTACH), 0) << "after detach the bus is gone";
    EXPECT_EQ(AskWords(Driver().refusalReason), "no device is open: the bus was let go at process detach");
    std::vector<std::string> lines = DebugLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(Contains(lines[0], kFakeDevice)) << lines[0];

    EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 1) << "a new attach opens again";
    EXPECT_EQ(Fake().opened.size(), 2u);
}

// Every way of not having a bus: connect answers 0, one line says why,
// nothing stays open, and later notifications answer 0 as well.
TEST_F(ConnectStep, NoBusAnswersZeroWithOneExplainingLine) {
    struct Case {
        const char *what;
        std::function<void()> arrange;
        const char *lineMentions;
    } cases[] = {
        {"no setting", [] {}, "TVI2C_DEVICE"},
        {"device missing", [] { setenv("TVI2C_DEVICE", "/dev/i2c-9", 1); }, "cannot open /dev/i2c-9"},
        {"neither plain I2C nor SMBus byte-data writes",
         [] {
             Fake().nodes["/dev/i2c-9"].functions = I2C_FUNC_SMBUS_READ_BYTE_DATA | I2C_FUNC_SMBUS_QUICK;
             setenv("TVI2C_DEVICE", "/dev/i2c-9", 1);
         },
         "I2C_FUNC_I2C"},
        {"I2C_FUNCS refused",
         [] {
             Fake().nodes["/dev/i2c-9"].funcsErrno = ENOTTY;
             setenv("TVI2C_DEVICE", "/dev/i2c-9", 1);
         },
         "I2C_FUNCS"},
        {"device busy",
         [] {
             Fake().nodes["/dev/i2c-9"].openErrno = EBUSY;
             setenv("TVI2C_DEVICE", "/dev/i2c-9", 1);
         },
         "cannot open /dev/i2c-9: Device or resource busy"},
        {"adapter directory missing",
         [] {
             setenv("TVI2C_SYSFS_ROOT", (MakeTempDir("sysfs") + "/missing").c_str(), 1);
             setenv("TVI2C_ADAPTER", "card", 1);
         },
         "cannot read"},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        c.arrange();
        EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 0) << c.what;
        EXPECT_TRUE(Fake().openFds.empty()) << c.what;
        EXPECT_EQ(Connect(DLL_THREAD_ATTACH), 0) << c.what;
        std::vector<std::string> lines = DebugLines();
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_TRUE(Contains(lines[0], c.lineMentions)) << c.what << ": " << lines[0];
        EXPECT_EQ("tvi2cdev: " + AskWords(Driver().refusalReason) + "\r", lines[0])
            << c.what << ": the refusal the host is told is the line's own";
        EXPECT_EQ(AskWords(Driver().describeDevice), "") << c.what;
        EXPECT_EQ(Read(0x88, 0), TVI2C_READ_FAILURE(TVI2C_ERR_NOT_OPEN)) << c.what;
    }
}

// A fake /sys/class/i2c-adapter: one directory per adapter with its name
// file, and a fake device node for each.
class AdapterTree : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        root_ = MakeTempDir("sysfs");
        setenv("TVI2C_SYSFS_ROOT", root_.c_str(), 1);
    }

    void Add(const std::string &entry, const std::string &name) {
        std::filesystem::create_directories(root_ + "/" + entry);
        WriteFile(root_ + "/" + entry + "/name", name + "\n");
        Fake().nodes["/dev/" + entry];
    }

    std::string root_;
};

TEST_F(AdapterTree, AdapterNameMustPickOutExactlyOneAdapter) {
    Add("i2c-0", "SMBus adapter at f000");
    Add("i2c-3", "card bus #0");
    Add("i2c-4", "card bus #1");
    Add("i2c-5", "tuner");
    Add("i2c-6", "tuner 2");
    Add("i2c-8", "twin");
    Add("i2c-9", "twin");
    struct Case {
        const char *wanted;
        const char *device;  // nullptr: refused
        const char *described = "";
    } cases[] = {
        {"card bus #1", "/dev/i2c-4", "/dev/i2c-4 \"card bus #1\""},          // exact
        {"at f000", "/dev/i2c-0", "/dev/i2c-0 \"SMBus adapter at f000\""},   // contained in one name only
        {"tuner", "/dev/i2c-5", "/dev/i2c-5 \"tuner\""},  // an exact name wins over names that contain it
        {"card bus", nullptr},          // contained in two names
        {"twin", nullptr},              // two adapters of the same name
        {"smbus", nullptr},             // names are compared with their letter case
        {"nothing like it", nullptr},
    };
    for (const Case &c : cases) {
        Fake().opened.clear();
        setenv("TVI2C_ADAPTER", c.wanted, 1);
        EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), c.device != nullptr ? 1 : 0) << c.wanted;
        std::vector<std::string> expected;
        if (c.device != nullptr) expected.push_back(c.device);
        EXPECT_EQ(Fake().opened, expected) << c.wanted;
        EXPECT_EQ(AskWords(Driver().describeDevice), c.described) << c.wanted;
        EXPECT_EQ(Driver().refusalReason(nullptr, 0) == 0, c.device != nullptr) << c.wanted;
        Connect(DLL_PROCESS_DETACH);
    }
    EXPECT_EQ(AskWords(Driver().describeDevice), "") << "after detach";
}

TEST_F(AdapterTree, DeviceSettingWinsAndEmptySettingsCountAsUnset) {
    Add("i2c-3", "card bus #0");
    Fake().nodes[kFakeDevice];
    setenv("TVI2C_ADAPTER", "card bus #0", 1);
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
    Connect(DLL_PROCESS_DETACH);
    setenv("TVI2C_DEVICE", "", 1);
    EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
    EXPECT_EQ(Fake().opened, (std::vector<std::string>{kFakeDevice, "/dev/i2c-3"}));
    Connect(DLL_PROCESS_DETACH);
    setenv("TVI2C_ADAPTER", "", 1);
    EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), 0) << "both empty: nothing chosen";
}

using Listing = std::vector<std::pair<std::string, std::string>>;

int Collect(const char *devicePath, const char *name, void *context) {
    static_cast<Listing *>(context)->emplace_back(devicePath, name);
    return 1;
}

TEST_F(AdapterTree, ListsAdaptersInNumberOrderAndSkipsOtherEntries) {
    Add("i2c-10", "ten");
    Add("i2c-2", "two");
    Add("i2c-3", "three");
    std::filesystem::create_directories(root_ + "/i2c-12");  // no name file
    for (const char *stray : {"i2c-", "i2c-x", "i2c-3a", "bus", "i2c-1234567890"})
        std::filesystem::create_directories(root_ + "/" + stray);
    WriteFile(root_ + "/i2c-11", "");  // a file, no name inside
    Listing listing;
    EXPECT_EQ(Driver().listAdapters(Collect, &listing), 5);
    EXPECT_EQ(listing, (Listing{{"/dev/i2c-2", "two"},
                                {"/dev/i2c-3", "three"},
                                {"/dev/i2c-10", "ten"},
                                {"/dev/i2c-11", ""},
                                {"/dev/i2c-12", ""}}));
    EXPECT_EQ(Driver().listAdapters(nullptr, nullptr), 5) << "no callback: a count";
}

TEST_F(AdapterTree, ListingStopsWhenTheCallbackSaysSo) {
    Add("i2c-1", "one");
    Add("i2c-2", "two");
    int calls = 0;
    auto first = [](const char *, const char *, void *count) {
        ++*static_cast<int *>(count);
        return 0;
    };
    EXPECT_EQ(Driver().listAdapters(first, &calls), 1);
    EXPECT_EQ(calls, 1);
}

TEST_F(AdapterTree, EmptyOrMissingAdapterDirectory) {
    EXPECT_EQ(Driver().listAdapters(nullptr, nullptr), 0);
    setenv("TVI2C_SYSFS_ROOT", (root_ + "/missing").c_str(), 1);
    EXPECT_EQ(Driver().listAdapters(nullptr, nullptr), -1);
}

// The kernel keeps names short; a longer file is cut, never overrun, and a
// name without its line feed is taken whole.
TEST_F(AdapterTree, OverlongOrUnterminatedNamesAreReadSafely) {
    std::filesystem::create_directories(root_ + "/i2c-1");
    WriteFile(root_ + "/i2c-1/name", std::string(1000, 'n'));
    std::filesystem::create_directories(root_ + "/i2c-2");
    WriteFile(root_ + "/i2c-2/name", "bare");
    Listing listing;
    EXPECT_EQ(Driver().listAdapters(Collect, &listing), 2);
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].second, std::string(127, 'n'));
    EXPECT_EQ(listing[1].second, "bare");
}

}  // namespace
}  // namespace tvtest
