// The word at a text position, as the input line and the review window speak it after
// Ctrl+Left and Ctrl+Right: the characters from the position on, up to the first space,
// comma or carriage return. In "abc,def ghi" the word at 0 is "abc".
#pragma once

#include <string>
#include <string_view>

namespace tov::input {

constexpr bool isWordDelimiter(char c)
{
    return c == ' ' || c == ',' || c == '\r';
}

// Empty when the position stands on a delimiter or at (or past) the end.
inline std::string wordAt(std::string_view text, size_t offset)
{
    std::string word;
    for (size_t i = offset; i < text.size() && !isWordDelimiter(text[i]); ++i) {
        word.push_back(text[i]);
    }
    return word;
}

// The one character at the position, or nothing at (or past) the end.
inline std::string characterAt(std::string_view text, size_t offset)
{
    return offset < text.size() ? std::string(1, text[offset]) : std::string();
}

} // namespace tov::input
