// The scripted drives: scripting them, and the drive calls as they answer.
#include "platform/fake/scripted_system.h"

#include "platform/fake/scripted_call_text.h"

namespace kelvara::platform::fake {

using calltext::DriveLetterOf;
using common::AsciiUpper;

void ScriptedSystem::AddDrive(char letter, std::uint32_t driveType, const std::string& deviceName)
{
    std::lock_guard lock(mutex_);
    Drive& drive = drives_[AsciiUpper(letter)];
    drive.type = driveType;
    drive.deviceName = deviceName;
    drive.listed = true;
}

void ScriptedSystem::AddUnlistedDevice(char letter, const std::string& deviceName)
{
    std::lock_guard lock(mutex_);
    Drive& drive = drives_[AsciiUpper(letter)];
    drive.type = drivetype::NoRootDir;
    drive.deviceName = deviceName;
    drive.listed = false;
}

void ScriptedSystem::SetDosDeviceFails(char letter)
{
    std::lock_guard lock(mutex_);
    drives_[AsciiUpper(letter)].dosDeviceFails = true;
}

void ScriptedSystem::OverrideLogicalDriveStrings(std::string characters, std::uint32_t returned)
{
    std::lock_guard lock(mutex_);
    driveStringsOverride_ = std::make_pair(std::move(characters), returned);
}

std::uint32_t ScriptedSystem::GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer)
{
    std::lock_guard lock(mutex_);
    if (driveStringsOverride_) {
        const auto& [characters, returned] = *driveStringsOverride_;
        buffer = characters.substr(0, bufferChars);
        return returned;
    }
    std::string all;
    for (const auto& [letter, drive] : drives_) {
        if (!drive.listed) continue;
        all += letter;
        all += ":\\";
        all += '\0';
    }
    all += '\0';
    // Too small a buffer: nothing is written and the size needed comes back.
    if (all.size() > bufferChars) return static_cast<std::uint32_t>(all.size());
    buffer = all;
    return static_cast<std::uint32_t>(all.size() - 1);
}

std::uint32_t ScriptedSystem::GetDriveType(const std::string& rootPath)
{
    std::lock_guard lock(mutex_);
    const char letter = DriveLetterOf(rootPath);
    auto it = drives_.find(letter);
    if (letter == 0 || it == drives_.end() || !it->second.listed) return drivetype::NoRootDir;
    return it->second.type;
}

bool ScriptedSystem::QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                                    std::string& target)
{
    std::lock_guard lock(mutex_);
    // Only the bare "X:" form names a DOS device; "X:\\" does not.
    if (deviceName.size() != 2) return false;
    const char letter = DriveLetterOf(deviceName);
    auto it = drives_.find(letter);
    if (letter == 0 || it == drives_.end() || it->second.dosDeviceFails) return false;
    // The answer is a list of strings: the name, its zero, and the list's closing zero.
    if (it->second.deviceName.size() + 2 > bufferChars) return false;
    target = it->second.deviceName;
    return true;
}

}  // namespace kelvara::platform::fake
