#include "ui/access_key.h"

#include "common/ascii_text.h"

namespace kelvara::ui {

std::string StripAccessKey(std::string_view caption, int* underlined) {
    std::string out;
    int mark = -1;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
            continue;
        }
        if (i + 1 >= caption.size()) break;  // a trailing '&' marks nothing
        if (caption[i + 1] == '&') {
            out += '&';
            ++i;
            continue;
        }
        if (mark < 0) mark = static_cast<int>(out.size());
    }
    if (underlined) *underlined = mark;
    return out;
}

char AccessKeyOf(std::string_view caption) {
    int mark = -1;
    std::string plain = StripAccessKey(caption, &mark);
    if (mark < 0) return 0;
    return common::AsciiLower(plain[static_cast<std::size_t>(mark)]);
}

bool MatchesAccessKey(std::string_view caption, char typed) {
    const char key = AccessKeyOf(caption);
    return key != 0 && common::AsciiLower(typed) == key;
}

}  // namespace kelvara::ui
