#include "platform/offline/crash/crash_states.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stdexcept>

namespace kelvara::crash {
namespace fs = std::filesystem;
using Kind = common::FileOperation::Kind;
using How = Replay::How;

const char* Name(Persistence model) {
    return model == Persistence::OrderedMetadata ? "ordered metadata" : "nothing ordered between flushes";
}

namespace {

std::string HowText(How how) {
    switch (how) {
    case How::Whole: return "";
    case How::ZeroedData: return " (data lost)";
    case How::BothNames: return " (both names)";
    case How::DestinationGone: return " (destination gone)";
    }
    return "";
}

// Which writes before `end` were not flushed yet: a flush of a file covers the writes made to
// it under any of its names, so writes are traced to files across renames.
std::vector<bool> UnflushedWrites(const std::vector<RecordedOperation>& operations, std::size_t end) {
    std::map<std::string, int> fileOfName;
    std::map<int, std::vector<std::size_t>> pending;
    std::vector<bool> unflushed(operations.size(), false);
    int next = 0;
    auto fileOf = [&](const std::string& name) {
        auto [it, added] = fileOfName.try_emplace(name, next);
        if (added) ++next;
        return it->second;
    };
    for (std::size_t i = 0; i < end; ++i) {
        const RecordedOperation& op = operations[i];
        switch (op.kind) {
        case Kind::Create: fileOfName[op.file] = next++; break;
        case Kind::Write: pending[fileOf(op.file)].push_back(i); break;
        case Kind::Rename:
            fileOfName[op.target] = fileOf(op.file);
            fileOfName.erase(op.file);
            break;
        case Kind::Remove: fileOfName.erase(op.file); break;
        case Kind::Flush: pending.erase(fileOf(op.file)); break;
        default: break;
        }
    }
    for (const auto& [file, writes] : pending)
        for (std::size_t write : writes) unflushed[write] = true;
    return unflushed;
}

std::string Label(const std::vector<RecordedOperation>& operations, std::size_t cut) {
    if (cut == 0) return "before the first operation";
    if (cut == operations.size()) return "after the last operation";
    return "after " + Describe(operations[cut - 1]) + " (operation " + std::to_string(cut) + ")";
}

void OrderedStates(const std::vector<RecordedOperation>& operations, std::vector<CrashState>& states) {
    for (std::size_t cut = 0; cut <= operations.size(); ++cut) {
        CrashState kept{"cut " + Label(operations, cut), {}};
        CrashState zeroed{"cut " + Label(operations, cut) + ", unflushed data lost", {}};
        const std::vector<bool> unflushed = UnflushedWrites(operations, cut);
        for (std::size_t i = 0; i < cut; ++i) {
            if (IsFlush(operations[i])) continue;
            kept.replays.push_back({i, How::Whole});
            zeroed.replays.push_back({i, unflushed[i] ? How::ZeroedData : How::Whole});
        }
        const bool anyUnflushed = std::find(unflushed.begin(), unflushed.end(), true) != unflushed.end();
        states.push_back(std::move(kept));
        if (anyUnflushed) states.push_back(std::move(zeroed));
    }
}

// The ways one operation of a window may have reached the disk: not at all (-1 in a choice),
// whole, or for a rename one of its steps.
std::vector<How> WaysOf(const RecordedOperation& operation) {
    if (operation.kind == Kind::Rename) return {How::Whole, How::BothNames, How::DestinationGone};
    return {How::Whole};
}

void WindowStates(const std::vector<RecordedOperation>& operations, std::size_t begin, std::size_t end,
                  const StateBounds& bounds, std::vector<CrashState>& states) {
    std::vector<std::size_t> window;
    for (std::size_t i = begin; i < end; ++i)
        if (!IsFlush(operations[i])) window.push_back(i);
    // choice[k]: -1 lost, otherwise an index into WaysOf(window[k]).
    using Choice = std::vector<int>;
    std::set<Choice> chosen;
    auto add = [&](const Choice& choice, const std::string& how) {
        if (!chosen.insert(choice).second) return;
        CrashState state{"lost or kept since the flush before operation " + std::to_string(begin + 1) + ": " + how, {}};
        for (std::size_t i = 0; i < begin; ++i)
            if (!IsFlush(operations[i])) state.replays.push_back({i, How::Whole});
        for (std::size_t k = 0; k < window.size(); ++k) {
            if (choice[k] < 0) continue;
            const How way = WaysOf(operations[window[k]])[static_cast<std::size_t>(choice[k])];
            state.replays.push_back({window[k], way});
        }
        states.push_back(std::move(state));
    };
    auto describe = [&](const Choice& choice) {
        std::string text;
        for (std::size_t k = 0; k < window.size(); ++k) {
            if (choice[k] == 0) continue;
            if (!text.empty()) text += "; ";
            const How way = choice[k] < 0 ? How::Whole : WaysOf(operations[window[k]])[choice[k]];
            text += (choice[k] < 0 ? "lost " : "kept ") + Describe(operations[window[k]]) + HowText(way);
        }
        return text.empty() ? std::string("all kept") : text;
    };
    auto ways = [&](std::size_t k) { return static_cast<int>(WaysOf(operations[window[k]]).size()); };

    double combinations = 1;
    for (std::size_t k = 0; k < window.size(); ++k) combinations *= ways(k) + 1;
    if (combinations <= static_cast<double>(bounds.allCombinationsUpTo)) {
        Choice choice(window.size(), -1);
        for (;;) {
            add(choice, describe(choice));
            std::size_t k = 0;
            while (k < window.size() && ++choice[k] == ways(k)) choice[k++] = -1;
            if (k == window.size()) return;
        }
    }
    // Too many: every state that differs from the whole window in one or two operations, every
    // first part of the window, and a seeded sample of the rest.
    const Choice all(window.size(), 0);
    add(all, "all kept");
    for (std::size_t k = 0; k < window.size(); ++k)
        for (int a = -1; a < ways(k); ++a) {
            Choice one = all;
            one[k] = a;
            add(one, describe(one));
            for (std::size_t m = k + 1; m < window.size(); ++m)
                for (int b = -1; b < ways(m); ++b) {
                    Choice two = one;
                    two[m] = b;
                    add(two, describe(two));
                }
        }
    for (std::size_t first = 0; first < window.size(); ++first) {
        Choice part(window.size(), -1);
        std::fill(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(first), 0);
        add(part, "only the first " + std::to_string(first) + " kept");
    }
    std::mt19937_64 random(bounds.seed ^ begin);
    for (std::size_t n = 0; n < bounds.sampled; ++n) {
        Choice choice(window.size());
        for (std::size_t k = 0; k < window.size(); ++k)
            choice[k] = static_cast<int>(random() % static_cast<std::uint64_t>(ways(k) + 1)) - 1;
        add(choice, "sampled: " + describe(choice));
    }
}

void UnorderedStates(const std::vector<RecordedOperation>& operations, const StateBounds& bounds,
                     std::vector<CrashState>& states) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= operations.size(); ++i) {
        if (i < operations.size() && !IsFlush(operations[i])) continue;
        WindowStates(operations, begin, i, bounds, states);
        begin = i + 1;
    }
}

void WriteAt(const fs::path& file, std::uint64_t offset, const std::string& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return;   // its creation did not reach the disk
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + file.string());
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

using Origins = std::map<std::string, std::string>;

void Apply(const fs::path& folder, const RecordedOperation& op, std::size_t index, How how, Origins& origins) {
    const fs::path file = folder / op.file;
    std::error_code ec;
    switch (op.kind) {
    case Kind::Create: {
        origins[op.file] = "created:" + std::to_string(index);
        fs::create_directories(file.parent_path(), ec);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error("cannot create " + file.string());
        ::close(fd);
        break;
    }
    case Kind::Write:
        WriteAt(file, op.offset, how == How::ZeroedData ? std::string(op.bytes.size(), '\0') : op.bytes);
        break;
    case Kind::Truncate:
        if (!fs::exists(file)) break;
        fs::resize_file(file, op.offset);
        break;
    case Kind::Rename: {
        const fs::path target = folder / op.target;
        if (!fs::exists(fs::symlink_status(file))) break;
        fs::create_directories(target.parent_path(), ec);
        const std::string origin = origins[op.file];
        if (how == How::Whole) fs::rename(file, target);
        if (how == How::BothNames || how == How::DestinationGone) fs::remove(target, ec);
        if (how == How::BothNames) fs::create_hard_link(file, target);
        origins.erase(op.target);
        if (how != How::DestinationGone) origins[op.target] = origin;
        if (how == How::Whole) origins.erase(op.file);
        break;
    }
    case Kind::Remove:
        fs::remove(file, ec);
        origins.erase(op.file);
        break;
    case Kind::MakeFolder: fs::create_directories(file, ec); break;
    case Kind::Flush:
    case Kind::FlushFolder: break;
    }
}

}  // namespace

std::vector<CrashState> CrashStates(const std::vector<RecordedOperation>& operations, Persistence model,
                                    const StateBounds& bounds) {
    std::vector<CrashState> all;
    if (model == Persistence::OrderedMetadata) OrderedStates(operations, all);
    else UnorderedStates(operations, bounds, all);
    // The same replays make the same state, however they were reached.
    std::vector<CrashState> distinct;
    std::set<std::vector<std::pair<std::size_t, How>>> seen;
    for (CrashState& state : all) {
        std::vector<std::pair<std::size_t, How>> key;
        for (const Replay& replay : state.replays) key.emplace_back(replay.operation, replay.how);
        if (seen.insert(std::move(key)).second) distinct.push_back(std::move(state));
    }
    return distinct;
}

std::map<std::string, std::string> BuildState(const fs::path& before, const std::vector<RecordedOperation>& operations,
                                              const CrashState& state, const fs::path& folder) {
    fs::copy(before, folder, fs::copy_options::recursive);
    Origins origins;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_regular_file()) origins[name] = "before:" + name;
    }
    for (const Replay& replay : state.replays)
        Apply(folder, operations[replay.operation], replay.operation, replay.how, origins);
    return origins;
}

}  // namespace kelvara::crash
