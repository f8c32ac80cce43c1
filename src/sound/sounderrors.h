// The sound library's error texts, in one place so that every layer words a failure the
// same way. Each names what failed on this platform, so the text tells a user the truth
// ("OpenAL cannot be initialized" on a machine without a sound server).
#pragma once

#include "common/tov_error.h"

#include <string>
#include <string_view>

namespace tov::sound {

inline constexpr const char* kPlatformName = "OpenAL";
inline constexpr const char* kContextName = "OpenAL context";
inline constexpr const char* kDeviceInterfaceName = "OpenAL device";
inline constexpr const char* kSourceInterfaceName = "OpenAL source";
inline constexpr const char* kSoundBufferName = "Sound Buffer";

inline TovError notLoaded(std::string_view what)
{
    return TovError(std::string(what) + " not loaded");
}
inline TovError cannotBeInitialized(std::string_view what)
{
    return TovError(std::string(what) + " cannot be initialized");
}
inline TovError cannotBeMade(std::string_view what)
{
    return TovError(std::string(what) + " cannot be made");
}
inline TovError cannotBeLocked(std::string_view what)
{
    return TovError(std::string(what) + " cannot be locked");
}
inline TovError notMade(std::string_view what)
{
    return TovError(std::string(what) + " not made");
}
inline TovError waveNotFound(std::string_view name)
{
    return TovError("Wave '" + std::string(name) + "' not found");
}
inline TovError waveIsInvalid()
{
    return TovError("Wave is invalid");
}
inline TovError invalidStreamFormat()
{
    return TovError("Invalid stream format");
}
inline TovError streamReadError()
{
    return TovError("Stream read error");
}
inline TovError invalidPropertyValue()
{
    return TovError("Invalid property value");
}

} // namespace tov::sound
