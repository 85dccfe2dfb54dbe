// The error raised when a value cannot be written to an INI file (the settings file, the /Scan
// result file). Nothing in the program catches it: the application's error handler shows its
// text, and the command that was running ends there.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvara::settings {

class WriteError : public std::runtime_error {
public:
    explicit WriteError(const std::string& path)
        : std::runtime_error("Unable to write to " + path), path_(path) {}
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

// WriteIniString that raises WriteError with the file's path when the value cannot be written.
void WriteIniStringOrRaise(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view value);

}  // namespace kelvara::settings
