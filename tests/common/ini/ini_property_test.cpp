// The INI properties over many generated texts built from the pieces that make parsing hard:
// brackets, quotes, blanks, line endings of every kind, a byte-order mark, high bytes.
#include <gtest/gtest.h>

#include <random>

#include "common/ini/ini_invariants.h"

namespace kelvara::testing {
namespace {

const std::vector<std::string> Pieces = {
    "[", "]", "[a]", "[A]", "[ b ]", "[Scan Result]", "=", "k", "K", "key", " ", "\t", "\r", "\n",
    "\r\n", "\"", "'", ";", "x", "value", "\xEF\xBB\xBF", "\xE9", std::string(1, '\0'), "[a",
    "k=1", "k = \"q\" ", "==", "\v"};

std::string RandomText(std::mt19937& random, std::size_t pieces) {
    std::uniform_int_distribution<std::size_t> pick(0, Pieces.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i) text += Pieces[pick(random)];
    return text;
}

TEST(IniProperties, HoldForGeneratedTexts) {
    std::mt19937 random(20240305);
    const std::vector<std::string> values = {"1", "", " padded ", "\"q\"", "'", "a=b", std::string(2100, 'v')};
    const std::vector<std::string> sections = {"a", "b", "Scan Result", "new"};
    const std::vector<std::string> keys = {"k", "K", "key", "new key"};
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random, 1 + round % 40);
        SCOPED_TRACE(::testing::PrintToString(text));
        ASSERT_EQ(CheckRoundTrip(text), "");
        const std::string& section = sections[random() % sections.size()];
        ASSERT_EQ(CheckSetString(text, section, keys[random() % keys.size()], values[random() % values.size()]), "");
        ASSERT_EQ(CheckRemoveSection(text, section), "");
    }
}

}  // namespace
}  // namespace kelvara::testing
