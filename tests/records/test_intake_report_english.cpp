// Its own binary: the switch to English can't be undone within a run.
#include "Messages.h"
#include "RecordParser.h"

#include <gtest/gtest.h>

namespace {

TEST(IntakeReport, FollowsTheLanguageSwitch)
{
    const IntakeCounts counts{.unreadableValues = 1, .cutTexts = 2, .skippedDays = 3, .skippedSlices = 4,
                              .orphanResults = 5, .orphanDays = 6, .unfinishedRecords = 7};
    const QString russian = intakeReportText(counts);
    EXPECT_EQ(russian.count("\r\n"), 7);
    Messages::switchToEnglish();
    const QString english = intakeReportText(counts);
    EXPECT_EQ(intakeReportCaption(), "Data reading");
    EXPECT_TRUE(english.startsWith("Device data not taken over completely:"));
    for (const char *line : {"unreadable values (fields left empty): 1", "texts cut to the field size: 2",
                             "profile days with a wrong date or interval skipped: 3", "profile slices skipped: 4",
                             "verification results without a meter skipped: 5",
                             "profile days without a meter skipped: 6", "unfinished records skipped: 7"})
        EXPECT_TRUE(english.contains(line)) << line;
}

}  // namespace
