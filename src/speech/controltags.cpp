// Reading control tags.
#include "speech/controltags.h"

#include "common/text.h"

#include <array>
#include <limits>
#include <optional>

namespace tov::speech {
namespace {

struct TagName {
    std::string_view name;
    TagKind kind;
};

constexpr std::array<TagName, 3> kTagNames{{
    {"spd", TagKind::Speed},
    {"pit", TagKind::Pitch},
    {"vol", TagKind::Volume},
}};

std::optional<uint32_t> decimal(std::string_view digits)
{
    if (digits.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > std::numeric_limits<uint32_t>::max()) {
            value = std::numeric_limits<uint32_t>::max(); // the rest cannot lower it again
        }
    }
    return static_cast<uint32_t>(value);
}

// One tag's body, the text between its backslashes ("Spd=200").
std::optional<ControlTag> tagOf(std::string_view body)
{
    const size_t equals = body.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = body.substr(0, equals);
    for (const TagName& known : kTagNames) {
        if (text::equalsIgnoringAsciiCase(name, known.name)) {
            if (const auto value = decimal(body.substr(equals + 1))) {
                return ControlTag{known.kind, *value};
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<ControlTag> parseControlTags(std::string_view text)
{
    std::vector<ControlTag> tags;
    size_t at = text.find('\\');
    while (at != std::string_view::npos) {
        const size_t end = text.find('\\', at + 1);
        if (end == std::string_view::npos) {
            break; // an unclosed tag is text
        }
        if (const auto tag = tagOf(text.substr(at + 1, end - at - 1))) {
            tags.push_back(*tag);
            at = text.find('\\', end + 1);
        } else {
            // "\x\Spd=5\": the closing backslash may open the next tag
            at = end;
        }
    }
    return tags;
}

} // namespace tov::speech
