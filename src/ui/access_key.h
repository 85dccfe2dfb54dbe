#pragma once
// Access keys, as Windows reads them from a caption: the character after a single '&' is the
// key and is shown underlined; "&&" is a literal ampersand and marks nothing; a trailing '&'
// marks nothing; only the first mark counts. A typed character matches the key without regard
// to letter case (ASCII letters are folded; other bytes must be equal).
#include <string>
#include <string_view>

namespace kelvara::ui {

// Strips the access-key marks of a caption: "&Help" -> "Help", "A&&B" -> "A&B". Sets
// *underlined to the index of the access-key character in the result, or -1.
std::string StripAccessKey(std::string_view caption, int* underlined = nullptr);
// The access-key character of a caption (lower case), or 0.
char AccessKeyOf(std::string_view caption);
// True when the typed character is the caption's access key.
bool MatchesAccessKey(std::string_view caption, char typed);

}  // namespace kelvara::ui
