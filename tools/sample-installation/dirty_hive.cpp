#include "dirty_hive.h"

#include <algorithm>
#include <cstring>

#include "key_tree.h"
#include "regf/base_block.h"

namespace kelvara::sample {
namespace {

// The sequence number of the write whose entry opens .LOG1; any number a used hive has.
constexpr std::uint32_t kFirstUnsavedWrite = 4712;

void RemoveValue(KeySpec& root, const std::string& keyPath, const std::string& name) {
    auto& values = Key(root, keyPath).values;
    values.erase(std::remove_if(values.begin(), values.end(), [&](const regf::ValueSpec& v) { return SameName(v.name, name); }),
                 values.end());
}

// Gives a built hive the sequence numbers of a write; `begun` leaves the write unfinished.
void SetSequence(std::vector<std::uint8_t>& hive, std::uint32_t sequence, bool begun) {
    regf::BaseBlockHeader header;
    std::memcpy(&header, hive.data(), sizeof header);
    header.primary_sequence_number = begun ? sequence + 1 : sequence;
    header.secondary_sequence_number = sequence;
    header.checksum = regf::BaseBlockChecksum(header);
    std::memcpy(hive.data(), &header, sizeof header);
}

}  // namespace

regf::Result<DirtyHiveFiles> MakeDirtyHive(const regf::KeySpec& content, const regf::BuildOptions& options) {
    // The user's last steps, undone one by one from the loaded content: a program added to the
    // start-up list (only in .LOG1), a new wallpaper (only in .LOG1), a variable set for the
    // user (in .LOG2 and already in the hive file).
    KeySpec beforeRun = content;
    RemoveValue(beforeRun, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Spotify");
    KeySpec beforeWallpaper = beforeRun;
    Sz(Key(beforeWallpaper, "Control Panel\\Desktop"), "Wallpaper", "C:\\Windows\\Web\\Wallpaper\\Windows\\img0.jpg");
    KeySpec beforeVariable = beforeWallpaper;
    RemoveValue(beforeVariable, "Environment", "OneDrive");

    std::vector<std::vector<std::uint8_t>> states;
    for (const KeySpec* tree : std::vector<const KeySpec*>{&beforeVariable, &beforeWallpaper, &beforeRun, &content}) {
        auto bytes = regf::BuildBytes(*tree, options);
        if (!bytes) return bytes.error();
        states.push_back(std::move(bytes.value()));
    }
    SetSequence(states[0], kFirstUnsavedWrite - 1, false);
    SetSequence(states[1], kFirstUnsavedWrite, false);
    DirtyHiveFiles files;
    files.log2 = regf::WriteLogEntries({states[0], states[1]});
    files.log1 = regf::WriteLogEntries({states[1], states[2], states[3]});
    files.hive = states[1];
    SetSequence(files.hive, kFirstUnsavedWrite, true);
    return files;
}

}  // namespace kelvara::sample
