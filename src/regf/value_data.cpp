// Encoding and decoding the common value types for built trees and callers.
#include "regf/names.h"
#include "regf/regf.h"

namespace kelvara::regf {

namespace {

void AppendUtf16(std::vector<std::uint8_t>& out, const std::string& utf8) {
    for (char16_t c : Utf8ToUtf16(utf8)) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> Utf16z(const std::string& utf8) {
    std::vector<std::uint8_t> data;
    AppendUtf16(data, utf8);
    return data;
}

std::vector<std::uint8_t> MultiSz(const std::vector<std::string>& utf8) {
    std::vector<std::uint8_t> data;
    for (const auto& s : utf8) AppendUtf16(data, s);
    // The list ends with an empty string.
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    std::vector<std::uint8_t> data(4);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<std::uint8_t>(v >> (8 * i));
    return data;
}

std::vector<std::uint8_t> Qword(std::uint64_t v) {
    std::vector<std::uint8_t> data(8);
    for (int i = 0; i < 8; ++i) data[i] = static_cast<std::uint8_t>(v >> (8 * i));
    return data;
}

std::string FromUtf16(const std::vector<std::uint8_t>& data) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        text += c;
    }
    return Utf16ToUtf8(text);
}

}  // namespace kelvara::regf
