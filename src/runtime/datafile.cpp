// Data file values and their conversion.
#include "runtime/datafile.h"

#include "common/tov_error.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tov::runtime {
namespace {

constexpr char kEndOfFile = 26; // Ctrl+Z
constexpr char kCarriageReturn = '\r';

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipDigits(std::string_view s, size_t pos)
{
    while (pos < s.size() && isDigit(s[pos])) {
        ++pos;
    }
    return pos;
}

// Whether the whole text is [+-] digits [. digits] [(e|E) [+-] digits] with at least one
// digit in the mantissa.
bool isDecimalNumber(std::string_view s)
{
    size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        ++pos;
    }
    const size_t integerStart = pos;
    pos = skipDigits(s, pos);
    size_t mantissaDigits = pos - integerStart;
    if (pos < s.size() && s[pos] == '.') {
        const size_t fractionStart = ++pos;
        pos = skipDigits(s, pos);
        mantissaDigits += pos - fractionStart;
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        ++pos;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
            ++pos;
        }
        const size_t exponentStart = pos;
        pos = skipDigits(s, pos);
        if (pos == exponentStart) {
            return false;
        }
    }
    return pos == s.size();
}

// A number out of the double's range is tiny (it rounds to zero) when its exponent is
// negative, or, without an exponent, when it has no non-zero digit before the point.
// Otherwise it is too large to hold.
bool isTiny(std::string_view s)
{
    const size_t exponent = s.find_first_of("eE");
    if (exponent != std::string_view::npos) {
        return exponent + 1 < s.size() && s[exponent + 1] == '-';
    }
    return s.find_first_of("123456789") > s.find('.');
}

// What a message shows of a value: enough to find it in the file, never a wall of it.
std::string excerpt(std::string_view text)
{
    constexpr size_t kShown = 40;
    return text.size() <= kShown ? std::string(text) : std::string(text.substr(0, kShown)) + "...";
}

[[noreturn]] void notANumber(std::string_view text)
{
    throw TovError("'" + excerpt(text) + "' is not a valid floating point value");
}

} // namespace

DataReader::DataReader(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find(kEndOfFile))) {}

std::string DataReader::nextValueText()
{
    std::string text;
    char last = 0;
    while (pos_ < bytes_.size() && bytes_[pos_] != kCarriageReturn && last != ',') {
        last = bytes_[pos_++];
        if (last != ',' && static_cast<unsigned char>(last) > ' ' && text.size() <= kLongestValue) {
            text += last;
        }
    }
    if (pos_ < bytes_.size() && bytes_[pos_] == kCarriageReturn) {
        ++pos_;
    }
    return text;
}

namespace {

// from_chars for a double; the browser build's C++ library has it for integers only, and
// there strtod, whose C library knows no locale but "C", reads the same text the same way.
std::from_chars_result readDouble(std::string_view digits, double& value)
{
#if defined(__EMSCRIPTEN__)
    const std::string copy(digits);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    const auto consumed = static_cast<size_t>(end - copy.c_str());
    std::errc error = std::errc();
    if (consumed == 0) {
        error = std::errc::invalid_argument;
    } else if (errno == ERANGE) {
        error = std::errc::result_out_of_range;
    }
    return {digits.data() + consumed, error};
#else
    return std::from_chars(digits.data(), digits.data() + digits.size(), value);
#endif
}

} // namespace

double parseNumber(std::string_view text)
{
    if (text.size() > kLongestValue) {
        throw TovError("'" + excerpt(text) + "' is too long to be a number");
    }
    if (!isDecimalNumber(text)) {
        notANumber(text);
    }
    // from_chars takes no '+' and always reads '.' as the decimal point.
    const std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
    double value = 0;
    const auto [end, error] = readDouble(digits, value);
    if (error == std::errc::result_out_of_range && isTiny(digits)) {
        return digits.starts_with('-') ? -0.0 : 0.0; // below the smallest double
    }
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        notANumber(text);
    }
    return value;
}

} // namespace tov::runtime
