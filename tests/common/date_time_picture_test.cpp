#include <gtest/gtest.h>

#include "common/date_time_picture.h"

namespace kelvara::common {
namespace {

TEST(DateTimePicture, WindowsPictures)
{
    const DateTimeParts morning{2009, 7, 4, 9, 5, 3};
    const DateTimeParts midnight{2024, 12, 31, 0, 0, 0};
    const DateTimeParts afternoon{2000, 1, 9, 13, 45, 59};
    struct Case {
        const char* picture;
        DateTimeParts when;
        const char* expected;
    } cases[] = {
        {"M/d/yyyy", morning, "7/4/2009"},
        {"MM/dd/yy", morning, "07/04/09"},
        {"dd.MM.yyyy", midnight, "31.12.2024"},
        {"dddd, MMMM d, yyyy", morning, "Saturday, July 4, 2009"},
        {"ddd d MMM y", afternoon, "Sun 9 Jan 0"},
        {"h:mm:ss tt", morning, "9:05:03 AM"},
        {"h:mm:ss tt", midnight, "12:00:00 AM"},
        {"hh:mm:ss t", afternoon, "01:45:59 P"},
        {"HH:mm:ss", morning, "09:05:03"},
        {"H'h'mm", afternoon, "13h45"},
        {"'dd' dd", morning, "dd 04"},
        {"yyyy''MM", morning, "2009'07"},
        {"'it''s' d", morning, "it's 4"},
        {"'unterminated", morning, "unterminated"},
        {"", morning, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDateTimePicture(c.picture, c.when), c.expected) << c.picture;
    }
}

TEST(DateTimePicture, TheLocalesOwnMarkers)
{
    const TimeMarkers korean{"\xBF\xC0\xC0\xFC", "\xBF\xC0\xC8\xC4"};
    EXPECT_EQ(FormatDateTimePicture("tt h:mm", {2024, 1, 2, 0, 5, 0}, korean), "\xBF\xC0\xC0\xFC 12:05");
    EXPECT_EQ(FormatDateTimePicture("tt h:mm", {2024, 1, 2, 12, 0, 0}, korean), "\xBF\xC0\xC8\xC4 12:00");
    EXPECT_EQ(FormatDateTimePicture("'tt' tt", {2024, 1, 2, 23, 0, 0}, {"vorm.", "nachm."}), "tt nachm.");
}

TEST(DateTimePicture, DayOfWeek)
{
    EXPECT_EQ(DayOfWeek(2009, 7, 4), 6);    // Saturday
    EXPECT_EQ(DayOfWeek(2000, 2, 29), 2);   // Tuesday, a century leap day
    EXPECT_EQ(DayOfWeek(1601, 1, 1), 1);    // Monday
    EXPECT_EQ(DayOfWeek(2024, 3, 1), 5);    // Friday
}

}  // namespace
}  // namespace kelvara::common
