// File operations that survive a power cut: data is flushed before a rename makes it visible,
// and the folder is flushed after the rename so the new name itself is on the disk.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::platform::offline {

// Called before every file operation with a short description of it. Tests install one that
// throws at a chosen operation to leave the files exactly as a crash at that point would;
// the code calling it therefore cleans up nothing on the way out.
using Failpoint = std::function<void(std::string_view operation)>;

// Each operation below that changes a file asks common::InjectedFileFault first, so a test can
// make it fail as a failing disk would; on failure errno (or `error`) says why.

// The system's words for an errno value ("No space left on device").
std::string ErrnoText(int error);

// Forces a file's contents to the disk. False when the file cannot be opened or flushed.
bool FlushFile(const std::filesystem::path& file);

// Forces a folder's entries (new names, removed names) to the disk. Windows has no call for
// this; NTFS journals its metadata, so there it succeeds without doing anything.
bool FlushFolder(const std::filesystem::path& folder);

// Whether a write waits for the disk. Each flush costs: on ntfs-3g it syncs the whole volume.
enum class Flush { ToDisk, Later };

// Replaces the file at `target` with `content` so that a reader sees either the old file or
// the whole new one: write a temporary file beside it, flush, rename, flush the folder.
// On failure `error` names the file and the reason, and no temporary file is left; a failure to
// flush the folder after the rename leaves the new content in place. With Flush::Later nothing
// is flushed: a power cut may then leave the old file, the new one, or an empty one.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view content,
                         const Failpoint& failpoint, std::string& error, Flush flush = Flush::ToDisk);

// Renames `from` to `to` (which must not exist) without flushing anything: the caller flushes
// the folders of a whole batch of renames at once (FlushFolders).
bool Rename(const std::filesystem::path& from, const std::filesystem::path& to, const Failpoint& failpoint,
            std::string& error);

// Flushes each folder once, in order; false at the first that fails, with `error` naming it.
bool FlushFolders(const std::vector<std::filesystem::path>& folders, const Failpoint& failpoint, std::string& error);

// Renames `from` to `to` (which must not exist) and flushes the folders of both names.
bool RenameDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                   const Failpoint& failpoint, std::string& error);

// Removes a file without flushing its folder; a missing file counts as removed.
bool Remove(const std::filesystem::path& file, const Failpoint& failpoint, std::string& error);
// Removes a file and flushes its folder; a missing file counts as removed.
bool RemoveDurably(const std::filesystem::path& file, const Failpoint& failpoint, std::string& error);

}  // namespace kelvara::platform::offline
