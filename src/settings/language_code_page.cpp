#include "settings/language_code_page.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "regf/regf.h"

#ifndef _WIN32
#include <iconv.h>

#include <memory>
#endif

namespace kelvara::settings {

namespace {

constexpr int kDefaultCodePage = 1252;

}  // namespace

int InstallationCodePage(const std::string& systemHiveFile) {
    auto hive = regf::HiveFile::Open(systemHiveFile);
    if (!hive.ok()) return kDefaultCodePage;
    // CurrentControlSet is a link the running system makes; in the file it is the control set
    // that Select\Current names.
    std::uint32_t current = 1;
    auto select = hive->FindKey("Select");
    if (select.ok() && select.value()) {
        auto value = (*select.value()).Value("Current");
        if (value.ok() && value.value() && value.value()->type == 4 && value.value()->data.size() >= 4) {
            const auto& d = value.value()->data;
            current = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
        }
    }
    char controlSet[32];
    std::snprintf(controlSet, sizeof controlSet, "ControlSet%03u", current);
    auto key = hive->FindKey(std::string(controlSet) + "\\Control\\Nls\\CodePage");
    if (!key.ok() || !key.value()) return kDefaultCodePage;
    auto acp = (*key.value()).Value("ACP");
    if (!acp.ok() || !acp.value()) return kDefaultCodePage;
    const std::string text = regf::FromUtf16(acp.value()->data);
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return kDefaultCodePage;
    const int codePage = std::atoi(text.c_str());
    return codePage > 0 ? codePage : kDefaultCodePage;
}

#ifdef _WIN32
LanguageTextDecoder CodePageDecoder(int) { return nullptr; }
#else
LanguageTextDecoder CodePageDecoder(int codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return nullptr;
    iconv_close(probe);
    return [name](std::string_view bytes) {
        // One converter per text: texts are few and short, and no state is shared between calls.
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        std::string out;
        std::string in(bytes);
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                // A byte the code page does not define (or a lead byte cut off at the end).
                out += '?';
                ++inPtr;
                --inLeft;
            }
        }
        iconv_close(cd);
        return out;
    };
}
#endif

}  // namespace kelvara::settings
