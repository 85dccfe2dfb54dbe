// How paths of the presented Windows reach the folder that holds the installation.
//
// The folder is drive C:. A path on C: ("C:\Windows\...", "c:/users/...") is resolved inside
// the folder one component at a time, ignoring letter case as Windows does, so
// "C:\WINDOWS\system32" finds a folder stored as "Windows/System32". Any other path is a path
// of the machine the program runs on and is used as it is (the program's own folder and its
// settings file live there).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::platform::offline {

class InstallationPaths {
public:
    explicit InstallationPaths(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }

    // The drive letter when the path begins with "<letter>:", upper-cased.
    static std::optional<char> DriveLetterOf(std::string_view path);

    // The native file or folder a path names; nullopt for a drive letter that this machine
    // does not have (every letter but C: in the Linux build), and for a path on C: that a
    // symbolic link leads out of the folder.
    std::optional<std::filesystem::path> ToNative(std::string_view path) const;

    // An installation may come from any machine, and the program runs as root: a symbolic link
    // in it must never take a read, a write, a rename or a deletion elsewhere.
    // True when the path, followed through every link, still lies inside the folder.
    bool LeadsInside(const std::filesystem::path& native) const;
    // True when no existing component of the path below the folder is a symbolic link (for a
    // path outside the folder: when the file itself is none): what the program writes, renames
    // or replaces is never reached through a link at all.
    bool WithoutLinks(const std::filesystem::path& native) const;

    // A path relative to drive C:'s root ("Windows\System32\config"), resolved inside the
    // folder. Components that do not exist are kept as given, so new files can be named.
    std::filesystem::path Resolve(std::string_view pathOnDriveC) const;

    // The part after "C:\" of the Windows name of a native path inside the folder
    // ("Windows\System32\config\SOFTWARE"), in the case stored on the disk; nullopt for a
    // path outside the folder.
    std::optional<std::string> PathOnDriveC(const std::filesystem::path& native) const;

    // GetFullPathName: "." and ".." resolved, separators made uniform. A path on C: keeps its
    // Windows form ("C:\Windows\x"); any other is made absolute natively.
    std::string ExpandFileName(std::string_view path) const;

private:
    std::filesystem::path root_;
    std::filesystem::path realRoot_;   // the folder with every link on its way followed
};

// The components of a Windows path below its drive, "." dropped and ".." applied; ".." at the
// top stays at the top, as on Windows.
std::vector<std::string> SplitWindowsPath(std::string_view pathBelowDrive);

}  // namespace kelvara::platform::offline
