// The compactor's input: the bytes of the file as opened, and a reliable "changed" when another
// process shrinks, grows or rewrites the file meanwhile, without the process dying of a read
// from a page that was cut away.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <numeric>

#include "hive_fixtures.h"
#include "regf/input_file.h"

namespace kelvara::regf {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    return bytes;
}

struct ChangeCase {
    const char* label;
    std::function<void(const std::string& path)> change;   // empty: the file stays as it was
    std::size_t readableBytes;   // how much of the original still reads back unchanged
};

constexpr std::size_t kFileSize = 64 * 4096;

const ChangeCase kChanges[] = {
    {"untouched", nullptr, kFileSize},
    {"shrunk", [](const std::string& path) { fs::resize_file(path, 4096); }, 4096},
    {"emptied", [](const std::string& path) { fs::resize_file(path, 0); }, 0},
    {"grown", [](const std::string& path) { fs::resize_file(path, kFileSize + 4096); }, kFileSize},
    {"touched",
     [](const std::string& path) { fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5)); },
     kFileSize},
};

class InputFileChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(InputFileChanges, AreNoticedAndNeverKillTheReader) {
    const auto& c = GetParam();
    testing::TempDir dir;
    const std::string path = dir.File("hive");
    const auto original = Pattern(kFileSize);
    testing::WriteFileBytes(path, original);

    auto opened = InputFile::Open(path);
    ASSERT_TRUE(opened.ok()) << opened.error().ToString();
    const InputFile& file = **opened;
    ASSERT_EQ(file.Bytes().size(), kFileSize);
    bool changed = c.change != nullptr;
    std::size_t readable = c.readableBytes;
#if defined(_WIN32)
    // Windows maps the file, and refuses to cut a file while a view of it is mapped.
    EXPECT_TRUE(file.Mapped());
    if (c.readableBytes < kFileSize) {
        EXPECT_THROW(c.change(path), fs::filesystem_error);
        changed = false;
        readable = kFileSize;
    } else if (c.change) {
        c.change(path);
    }
#else
    if (c.change) c.change(path);
#endif

    // Every byte is read, including those of pages that may have been cut away.
    const auto bytes = file.Bytes();
    const std::vector<std::uint8_t> seen(bytes.begin(), bytes.end());
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(readable), seen.begin()));
    if (file.Mapped() && readable < kFileSize) {
        // What was cut away reads as zeros.
        EXPECT_EQ(std::accumulate(seen.begin() + static_cast<std::ptrdiff_t>(readable), seen.end(), 0u), 0u);
    }
    EXPECT_EQ(file.Changed(), changed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, InputFileChanges, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(InputFile, RefusesWhatIsNotAHiveFileToRead) {
    testing::TempDir dir;
    auto missing = InputFile::Open(dir.File("missing"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("cannot open hive file"), std::string::npos);
    auto folder = InputFile::Open(dir.Path().string());
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().message.find("is a folder"), std::string::npos);

    testing::WriteFileBytes(dir.File("empty"), {});
    auto empty = InputFile::Open(dir.File("empty"));
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE((*empty)->Bytes().empty());
    EXPECT_FALSE((*empty)->Changed());
}

TEST(InputFile, ManyOpenAtOnceAllReadTheirOwnFile) {
    // More files than the guarded mappings there are: the rest are read into memory.
    testing::TempDir dir;
    std::vector<std::shared_ptr<InputFile>> open;
    for (int i = 0; i < 40; ++i) {
        const std::string path = dir.File("hive" + std::to_string(i));
        testing::WriteFileBytes(path, std::vector<std::uint8_t>(4096, static_cast<std::uint8_t>(i)));
        auto file = InputFile::Open(path);
        ASSERT_TRUE(file.ok());
        open.push_back(*file);
    }
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(open[i]->Bytes().size(), 4096u);
        EXPECT_EQ(open[i]->Bytes()[100], static_cast<std::uint8_t>(i));
        EXPECT_FALSE(open[i]->Changed());
    }
}

}  // namespace
}  // namespace kelvara::regf
