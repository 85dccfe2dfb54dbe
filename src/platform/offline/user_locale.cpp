#include "platform/offline/user_locale.h"

#include "platform/offline/hive_as_loaded.h"

namespace kelvara::platform::offline {

namespace {

constexpr const char* kInternationalKey = "Control Panel\\International";

common::DateTimeParts PartsOf(const LocalTime& time) {
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

}  // namespace

UserLocale ReadUserLocale(const std::filesystem::path& defaultHive) {
    UserLocale locale;
    auto hive = OpenHiveAsLoaded(defaultHive);
    if (!hive.ok()) return locale;
    auto key = hive->FindKey(kInternationalKey);
    if (!key.ok() || !key.value()) return locale;
    const regf::KeyView& international = *key.value();
    // An empty picture would format every date as nothing; Windows then falls back to the
    // locale's own, for which the default stands in here.
    if (auto picture = StringValue(international, "sShortDate"); picture && !picture->empty())
        locale.shortDate = *picture;
    if (auto picture = StringValue(international, "sTimeFormat"); picture && !picture->empty())
        locale.longTime = *picture;
    // Empty markers are real: a 24-hour locale has none.
    if (auto am = StringValue(international, "s1159")) locale.markers.am = *am;
    if (auto pm = StringValue(international, "s2359")) locale.markers.pm = *pm;
    // A separator of more than one byte (or none) cannot be a char: the default stays.
    if (auto decimal = StringValue(international, "sDecimal"); decimal && decimal->size() == 1)
        locale.decimalSeparator = (*decimal)[0];
    return locale;
}

std::string FormatShortDate(const UserLocale& locale, const LocalTime& time) {
    return common::FormatDateTimePicture(locale.shortDate, PartsOf(time), locale.markers);
}

std::string FormatShortDateLongTime(const UserLocale& locale, const LocalTime& time) {
    return FormatShortDate(locale, time) + " " +
           common::FormatDateTimePicture(locale.longTime, PartsOf(time), locale.markers);
}

}  // namespace kelvara::platform::offline
