// Formats a date and time by a Windows date or time picture, the syntax of the user's
// locale settings ("M/d/yyyy", "dd.MM.yyyy", "dddd, MMMM d, yyyy", "h:mm:ss tt", "HH:mm:ss"):
// d dd ddd dddd, M MM MMM MMMM, y yy yyyy, h hh H HH, m mm, s ss, t tt, text in single quotes
// ('' is a quote). Names are English, as the neutral locale gives them. Any other character
// is copied.
#pragma once

#include <string>
#include <string_view>

namespace kelvara::common {

struct DateTimeParts {
    int year = 1601, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

// What "t" and "tt" give before and after noon; the neutral locale's unless told otherwise.
struct TimeMarkers {
    std::string am = "AM";
    std::string pm = "PM";
};

std::string FormatDateTimePicture(std::string_view picture, const DateTimeParts& when,
                                  const TimeMarkers& markers = {});

// 0 = Sunday ... 6 = Saturday, proleptic Gregorian calendar.
int DayOfWeek(int year, int month, int day);

}  // namespace kelvara::common
