// The SAPI 4 control tags that the voice dialog hands the engine through Inject:
// "\Spd=200\" (speed), "\Pit=50\" (pitch) and "\Vol=32768\" (volume of both channels).
// A string may hold several tags; text between them, tags of other kinds and tags without
// a usable number are passed over, as engines ignore what they do not understand.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tov::speech {

enum class TagKind : uint8_t { Speed, Pitch, Volume };

struct ControlTag {
    TagKind kind;
    uint32_t value; //: decimal digits, saturated at 0xFFFFFFFF
    bool operator==(const ControlTag&) const = default;
};

// The tags of `text` in order. Names match without regard to case ("\spd=" too).
std::vector<ControlTag> parseControlTags(std::string_view text);

} // namespace tov::speech
