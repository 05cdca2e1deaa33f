// tvctl's channel tables on the V4L2 bus, in process over the fake V4L2: a
// table's channel is tuned at its carrier with the table's standard set
// first; a standard the device lacks is a note, not a refusal.
#include <stdlib.h>

#include <string>

#include "commands.h"
#include "tune_ops.h"
#include "support/test_env.h"
#include "tvctl_on_v4l2.h"
#include "v4l2_fixture.h"

namespace tvtest {
namespace {

class TablesOnV4l2 : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        setenv("XDG_STATE_HOME", MakeTempDir("v4l2-tables").c_str(), 1);
        Fake().devices["/dev/video0"] = VividLike();  // standards NTSC, NTSC-M, PAL-BG, PAL-I, SECAM-L
    }

    static tvctl::Reply Run(const tvctl::Words &words) { return RunTvctlOnV4l2(words); }
};

TEST_F(TablesOnV4l2, EachTableTunesItsCarrierWithItsStandard) {
    struct Row {
        tvctl::Words words;
        v4l2_std_id standard;  // on the device afterwards
        uint32_t sixteenths;   // the carrier in the tuner's 62.5 kHz unit
        const char *note;      // "" : none
    } rows[] = {
        {{"channel", "--plan", "europe-west", "E5"}, V4L2_STD_PAL_BG, 2804, ""},
        {{"channel", "--plan", "ireland", "39"}, V4L2_STD_PAL_I, 9844, ""},
        {{"channel", "--plan", "france", "5"}, V4L2_STD_SECAM_L, 2816, ""},
        {{"channel", "--plan", "japan-cable", "C13"}, V4L2_STD_NTSC_M_JP, 1748, ""},
        {{"channel", "--plan", "cable", "7"}, V4L2_STD_NTSC_M, 2804, ""},
        {{"channel", "--plan", "russia", "SK1"}, V4L2_STD_NTSC_M, 1780, "does not take the standard secam-dk"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.words[2] + " " + row.words[3]);
        Fake().devices["/dev/video0"].standard = V4L2_STD_NTSC_M;
        tvctl::Reply reply = Run(row.words);
        ASSERT_TRUE(reply.ok) << reply.error;
        EXPECT_EQ(Fake().devices["/dev/video0"].standard, row.standard);
        EXPECT_EQ(Fake().devices["/dev/video0"].frequency, row.sixteenths);
        EXPECT_EQ(reply.data["channel"], tvctl::ChannelJson(row.words[3]));
        const std::string notes = reply.notes.empty() ? "" : reply.notes[0];
        if (*row.note == '\0')
            EXPECT_TRUE(reply.notes.empty()) << notes;
        else
            EXPECT_NE(notes.find(row.note), std::string::npos) << notes;
    }
}

}  // namespace
}  // namespace tvtest
