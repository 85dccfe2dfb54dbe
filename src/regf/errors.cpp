#include "regf/errors.h"

#include <cstdio>

namespace kelvara::regf {

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string Error::ToString() const { return message + " at offset " + Hex(offset); }

Error MakeError(std::uint64_t fileOffset, std::string message) {
    return Error{std::move(message), fileOffset};
}

Error CellError(const char* structure, std::uint32_t cellOffset, const std::string& problem) {
    return MakeError(FileOffsetOf(cellOffset),
                     std::string(structure) + " (cell " + Hex(cellOffset) + "): " + problem);
}

}  // namespace kelvara::regf
