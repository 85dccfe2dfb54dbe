// The date, time and number conventions of the installation's users, as its default user's
// settings name them (Control Panel\International in the DEFAULT hive): what GetDateFormat,
// GetTimeFormat and GetLocaleInfo give a program on that Windows. United States English, the
// locale Windows installs by default, stands in for each value the hive does not hold.
#pragma once

#include <filesystem>
#include <string>

#include "common/date_time_picture.h"
#include "platform/system.h"

namespace kelvara::platform::offline {

struct UserLocale {
    std::string shortDate = "M/d/yyyy";    // sShortDate
    std::string longTime = "h:mm:ss tt";   // sTimeFormat
    common::TimeMarkers markers;           // s1159 and s2359: "AM" and "PM"
    char decimalSeparator = '.';           // sDecimal
};

// Reads the settings from the DEFAULT hive at `defaultHive`; a missing or unreadable hive, key or
// value leaves the United States English one in its place.
UserLocale ReadUserLocale(const std::filesystem::path& defaultHive);

// The short date, as GetDateFormat with DATE_SHORTDATE gives it.
std::string FormatShortDate(const UserLocale& locale, const LocalTime& time);
// The short date, a blank, and the long time, as GetDateFormat and GetTimeFormat give them.
std::string FormatShortDateLongTime(const UserLocale& locale, const LocalTime& time);

}  // namespace kelvara::platform::offline
