#include "defrag/set_aside.h"

namespace kelvara::defrag {
namespace {

std::string Aside(const std::string& name) { return name + ".old"; }

}  // namespace

void DeleteWithLogs(platform::System& system, const std::string& file) {
    for (const char* suffix : {"", ".LOG", ".LOG1", ".LOG2"})
        if (system.FileExists(file + suffix)) system.DeleteFile(file + suffix);
}

bool FreeName(platform::System& system, const std::string& name, std::string& reason) {
    const std::string aside = Aside(name);
    if (system.FileExists(aside)) {
        // A run killed around its call: before it, the name is free and the file comes back;
        // after it, the name holds the later file and the one aside is the older.
        if (!system.FileExists(name))
            system.MoveFile(aside, name);
        else
            DeleteWithLogs(system, aside);
    }
    if (!system.FileExists(name)) return true;
    if (system.FileExists(aside) || !system.MoveFile(name, aside)) {
        reason = "its old backup " + name + " could not be set aside: " +
                 system.ErrorText(platform::status::AccessDenied);
        return false;
    }
    return true;
}

void SettleAside(platform::System& system, const std::string& name, bool accepted) {
    const std::string aside = Aside(name);
    if (!system.FileExists(aside)) return;
    if (accepted)
        DeleteWithLogs(system, aside);
    else if (!system.FileExists(name))
        system.MoveFile(aside, name);
}

}  // namespace kelvara::defrag
