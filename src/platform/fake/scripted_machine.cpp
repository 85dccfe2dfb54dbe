// The scripted machine: privileges, the Windows version, WOW64, the tick counter, the local
// time and the locale's formats.
#include "platform/fake/scripted_system.h"

#include "common/date_time_picture.h"
#include "platform/fake/scripted_call_text.h"
#include "platform/status_text.h"

namespace kelvara::platform::fake {

using calltext::Hex;

void ScriptedSystem::SetPrivilegeResult(const std::string& privilegeName, bool enabled)
{
    std::lock_guard lock(mutex_);
    privilegeResults_[privilegeName] = enabled;
}

void ScriptedSystem::SetVersion(const OsVersion& version)
{
    std::lock_guard lock(mutex_);
    version_ = version;
}

void ScriptedSystem::SetWow64(Wow64Function function, bool isWow64)
{
    std::lock_guard lock(mutex_);
    wow64Function_ = function;
    isWow64_ = isWow64;
}

void ScriptedSystem::SetTickCount(std::uint32_t ticks)
{
    std::lock_guard lock(mutex_);
    ticks_ = ticks;
}

void ScriptedSystem::AdvanceTicks(std::uint32_t milliseconds)
{
    std::lock_guard lock(mutex_);
    ticks_ += milliseconds;   // wraps after 49.7 days, as the real counter does
}

void ScriptedSystem::SetTickStep(std::uint32_t millisecondsPerCall)
{
    std::lock_guard lock(mutex_);
    tickStep_ = millisecondsPerCall;
}

void ScriptedSystem::SetLocalTime(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    localTime_ = time;
}

void ScriptedSystem::SetDecimalSeparator(char separator)
{
    std::lock_guard lock(mutex_);
    decimalSeparator_ = separator;
}

void ScriptedSystem::SetDateTimeFormats(const std::string& shortDate, const std::string& longTime)
{
    std::lock_guard lock(mutex_);
    shortDateFormat_ = shortDate;
    longTimeFormat_ = longTime;
}

void ScriptedSystem::SetTimeMarkers(const std::string& am, const std::string& pm)
{
    std::lock_guard lock(mutex_);
    timeMarkers_ = {am, pm};
}

bool ScriptedSystem::EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess)
{
    std::lock_guard lock(mutex_);
    Log("EnablePrivilege " + privilegeName + " " + Hex(tokenAccess));
    auto it = privilegeResults_.find(privilegeName);
    return it == privilegeResults_.end() ? true : it->second;
}

OsVersion ScriptedSystem::GetVersionEx()
{
    std::lock_guard lock(mutex_);
    return version_;
}

bool ScriptedSystem::IsWow64Process(bool& isWow64)
{
    std::lock_guard lock(mutex_);
    if (wow64Function_ != Wow64Function::Present) return false;
    isWow64 = isWow64_;
    return true;
}

std::uint32_t ScriptedSystem::GetTickCount()
{
    std::lock_guard lock(mutex_);
    const std::uint32_t now = ticks_;
    ticks_ += tickStep_;
    return now;
}

LocalTime ScriptedSystem::GetLocalTime()
{
    std::lock_guard lock(mutex_);
    return localTime_;
}

char ScriptedSystem::DecimalSeparator()
{
    std::lock_guard lock(mutex_);
    return decimalSeparator_;
}

std::string ScriptedSystem::FormatShortDateLongTime(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    const common::DateTimeParts parts{time.year, time.month, time.day,
                                      time.hour, time.minute, time.second};
    return common::FormatDateTimePicture(shortDateFormat_, parts, timeMarkers_) + " " +
           common::FormatDateTimePicture(longTimeFormat_, parts, timeMarkers_);
}

std::string ScriptedSystem::FormatShortDate(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    const common::DateTimeParts parts{time.year, time.month, time.day, time.hour, time.minute, time.second};
    return common::FormatDateTimePicture(shortDateFormat_, parts, timeMarkers_);
}

std::string ScriptedSystem::ErrorText(long status)
{
    return StatusText(status);
}

}  // namespace kelvara::platform::fake

namespace kelvara::platform::fake {

void ScriptedSystem::SetUtcNow(std::int64_t utcSeconds)
{
    std::lock_guard lock(mutex_);
    utcNow_ = utcSeconds;
}

void ScriptedSystem::SetSystemStartTime(std::optional<std::int64_t> utcSeconds)
{
    std::lock_guard lock(mutex_);
    systemStartTime_ = utcSeconds;
}

void ScriptedSystem::Restart()
{
    std::lock_guard lock(mutex_);
    Log("Restart");
    for (auto& [name, file] : files_) file.locked = false;
    utcNow_ += 120;
    systemStartTime_ = utcNow_ - 60;
}

std::int64_t ScriptedSystem::UtcNow()
{
    std::lock_guard lock(mutex_);
    return utcNow_;
}

bool ScriptedSystem::SystemStartTime(std::int64_t& utcSeconds)
{
    std::lock_guard lock(mutex_);
    if (!systemStartTime_) return false;
    utcSeconds = *systemStartTime_;
    return true;
}

}  // namespace kelvara::platform::fake
