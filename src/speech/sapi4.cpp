// Result codes and the mode record's text fields.
#include "speech/sapi4.h"

#include "common/tov_error.h"

#include <cstdio>

namespace tov::speech::sapi4 {

std::string fieldText(std::span<const char> field)
{
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

std::string errorText(HRESULT hr)
{
    switch (hr) {
    case E_NOTIMPL:
        return "Not implemented";
    case E_NOINTERFACE:
        return "No such interface supported";
    case E_FAIL:
        return "Unspecified error";
    case E_OUTOFMEMORY:
        return "Not enough storage is available to complete this operation";
    case E_INVALIDARG:
        return "The parameter is incorrect";
    case TTSERR_INVALIDMODE:
        return "The voice is not installed";
    case TTSERR_NOAUDIO:
        return "The voice has no audio output";
    case TTSERR_NOTREGISTERED:
        return "No notification sink is registered under that key";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "OLE error %.8x", static_cast<unsigned>(hr));
    return text;
}

void olecheck(HRESULT hr)
{
    if (FAILED(hr)) {
        throw TovError(errorText(hr));
    }
}

} // namespace tov::speech::sapi4
