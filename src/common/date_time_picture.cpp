#include "common/date_time_picture.h"

#include <array>
#include <cstdio>

namespace kelvara::common {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March", "April",
                                                     "May", "June", "July", "August",
                                                     "September", "October", "November",
                                                     "December"};

std::string Number(int value, int minDigits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", minDigits, value);
    return text;
}

std::string DayName(const DateTimeParts& when, bool full)
{
    const std::string name = kDayNames[static_cast<std::size_t>(DayOfWeek(when.year, when.month, when.day))];
    return full ? name : name.substr(0, 3);
}

std::string MonthName(int month, bool full)
{
    if (month < 1 || month > 12) return Number(month, 1);
    const std::string name = kMonthNames[static_cast<std::size_t>(month - 1)];
    return full ? name : name.substr(0, 3);
}

// One run of the same picture letter, e.g. "dd" or "tt".
std::string FormatRun(char letter, std::size_t count, const DateTimeParts& when, const TimeMarkers& markers)
{
    const int hour12 = (when.hour % 12 == 0) ? 12 : when.hour % 12;
    const int width = count >= 2 ? 2 : 1;
    switch (letter) {
    case 'd':
        if (count >= 4) return DayName(when, true);
        if (count == 3) return DayName(when, false);
        return Number(when.day, width);
    case 'M':
        if (count >= 4) return MonthName(when.month, true);
        if (count == 3) return MonthName(when.month, false);
        return Number(when.month, width);
    case 'y':
        if (count >= 3) return Number(when.year, 4);
        if (count == 2) return Number(when.year % 100, 2);
        return Number(when.year % 100, 1);
    case 'h': return Number(hour12, width);
    case 'H': return Number(when.hour, width);
    case 'm': return Number(when.minute, width);
    case 's': return Number(when.second, width);
    case 't': {
        const std::string& marker = when.hour < 12 ? markers.am : markers.pm;
        return count >= 2 ? marker : marker.substr(0, 1);
    }
    default: return std::string(count, letter);
    }
}

bool IsPictureLetter(char c)
{
    return c == 'd' || c == 'M' || c == 'y' || c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't';
}

}  // namespace

int DayOfWeek(int year, int month, int day)
{
    // Sakamoto's method.
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12) return 0;
    if (month < 3) year -= 1;
    const int result = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
    return result < 0 ? result + 7 : result;
}

std::string FormatDateTimePicture(std::string_view picture, const DateTimeParts& when, const TimeMarkers& markers)
{
    std::string out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'' && i + 1 < picture.size() && picture[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
        }
        if (c == '\'') {
            // Quoted literal; '' inside it is one quote character.
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        if (!IsPictureLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        std::size_t count = 1;
        while (i + count < picture.size() && picture[i + count] == c) ++count;
        out += FormatRun(c, count, when, markers);
        i += count;
    }
    return out;
}

}  // namespace kelvara::common
