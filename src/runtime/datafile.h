// The data file's reading rules, over the file's bytes. READ takes one value at a time:
//
// 1. A value ends at a "," (consumed with it), at a CR, or at the end of the file.
//    A Ctrl+Z byte is the end of the file.
// 2. Every byte of code 32 or less is dropped wherever it stands, so "1 000" reads as
//    1000, and a bare LF joins the values of two lines into one number.
// 3. A value that stopped at a CR consumes that CR; its LF is then dropped by the next
//    read like any other blank. So "1,<CR><LF>2" gives 1 and 2 (a comma at a line end
//    makes no empty value), but an empty line between two values makes one, and so does
//    reading past the last value.
//
// The text of a value is then converted as a decimal number; see parseNumber. A value
// longer than kLongestValue is cut there (the rest of it is still skipped), so a file of
// one endless number is read in one pass and refused by its first characters.
#pragma once

#include <string>
#include <string_view>

namespace tov::runtime {

// Far more characters than any number needs, even written out to the last digit of a
// double's precision.
inline constexpr size_t kLongestValue = 400;

class DataReader {
public:
    explicit DataReader(std::string_view bytes);

    // The text of the next value (possibly empty), at most kLongestValue + 1 characters.
    std::string nextValueText();
    // Starts again at the first value.
    void rewind() { pos_ = 0; }
    bool atEnd() const { return pos_ >= bytes_.size(); }

private:
    std::string bytes_; //: the file up to its first Ctrl+Z
    size_t pos_ = 0;    //: the next byte to read
};

// An optional sign, digits with an optional full stop as the decimal point (whatever the
// locale), and an optional exponent. Anything else, the empty text included, throws
// TovError "'<text>' is not a valid floating point value", the text cut to a short
// excerpt; a text longer than kLongestValue throws "... is too long to be a number".
double parseNumber(std::string_view text);

} // namespace tov::runtime
