#include "platform/offline/installation_paths.h"

#include <algorithm>
#include <system_error>

#include "common/ascii_text.h"
#include "regf/native_path.h"

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The entry of `folder` named `name` ignoring case, in the case stored on the disk: the exact
// name when it exists, otherwise the first case-insensitive match in name order (a Linux
// folder may hold several). Windows' own lookup already ignores case, so there the folder is
// always listed to learn the stored spelling.
std::optional<std::string> FindEntry(const fs::path& folder, const std::string& name) {
    std::error_code ec;
#ifndef _WIN32
    if (fs::exists(folder / regf::NativePath(name), ec)) return name;
#endif
    std::optional<std::string> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = regf::NarrowPath(it->path().filename());
        if (entry == name) return entry;
        if (common::AsciiEqualNoCase(entry, name) && (!found || entry < *found)) found = entry;
    }
    return found;
}

}  // namespace

std::vector<std::string> SplitWindowsPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && IsSeparator(path[i])) ++i;
        std::size_t start = i;
        while (i < path.size() && !IsSeparator(path[i])) ++i;
        std::string_view part = path.substr(start, i - start);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.emplace_back(part);
    }
    return parts;
}

InstallationPaths::InstallationPaths(fs::path root) : root_(std::move(root)) {
    std::error_code ec;
    fs::path absolute = fs::absolute(root_, ec);
    if (!ec) root_ = absolute.lexically_normal();
    // A trailing separator would leave an empty last component and spoil comparisons.
    if (root_.has_relative_path() && root_.filename().empty()) root_ = root_.parent_path();
    realRoot_ = fs::weakly_canonical(root_, ec);
    if (ec) realRoot_ = root_;
}

std::optional<char> InstallationPaths::DriveLetterOf(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    char letter = common::AsciiUpper(path[0]);
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return letter;
}

std::optional<fs::path> InstallationPaths::ToNative(std::string_view path) const {
    std::optional<char> letter = DriveLetterOf(path);
    if (letter == 'C') {
        fs::path native = Resolve(path.substr(2));
        if (!LeadsInside(native)) return std::nullopt;
        return native;
    }
#ifdef _WIN32
    return regf::NativePath(std::string(path));
#else
    if (letter) return std::nullopt;
    return regf::NativePath(std::string(path));
#endif
}

fs::path InstallationPaths::Resolve(std::string_view pathOnDriveC) const {
    fs::path native = root_;
    bool existing = true;
    for (const std::string& part : SplitWindowsPath(pathOnDriveC)) {
        std::optional<std::string> entry;
        if (existing) entry = FindEntry(native, part);
        existing = entry.has_value();
        native /= regf::NativePath(existing ? *entry : part);
    }
    return native;
}

bool InstallationPaths::LeadsInside(const fs::path& native) const {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(native, ec);
    if (ec) return false;
    const fs::path relative = real.lexically_relative(realRoot_);
    return !relative.empty() && *relative.begin() != "..";
}

bool InstallationPaths::WithoutLinks(const fs::path& native) const {
    const fs::path relative = native.lexically_normal().lexically_relative(root_);
    if (relative.empty() || *relative.begin() == "..") {
        // A path of the host that the user named: only the file itself is looked at.
        std::error_code ec;
        return !fs::is_symlink(fs::symlink_status(native, ec));
    }
    fs::path at = root_;
    for (const fs::path& part : relative) {
        if (part == ".") continue;
        at /= part;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(at, ec);
        if (ec || !fs::exists(status)) return true;   // nothing below a missing component
        if (fs::is_symlink(status)) return false;
    }
    return true;
}

std::optional<std::string> InstallationPaths::PathOnDriveC(const fs::path& native) const {
    fs::path relative = native.lexically_normal().lexically_relative(root_);
    if (relative.empty()) return std::nullopt;
    std::string text;
    for (const fs::path& part : relative) {
        std::string name = regf::NarrowPath(part);
        if (name == "..") return std::nullopt;
        if (name == "." || name.empty()) continue;
        if (!text.empty()) text += '\\';
        text += name;
    }
    return text;
}

std::string InstallationPaths::ExpandFileName(std::string_view path) const {
    if (path.empty()) return {};
    if (DriveLetterOf(path) == 'C') {
        std::string full = std::string(1, path[0]) + ":\\";
        bool first = true;
        for (const std::string& part : SplitWindowsPath(path.substr(2))) {
            if (!first) full += '\\';
            full += part;
            first = false;
        }
        // GetFullPathName keeps a trailing separator of a folder path.
        if (!first && IsSeparator(path.back())) full += '\\';
        return full;
    }
    std::error_code ec;
    fs::path absolute = fs::absolute(regf::NativePath(std::string(path)), ec);
    if (ec) return std::string(path);
    return regf::NarrowPath(absolute.lexically_normal());
}

}  // namespace kelvara::platform::offline
