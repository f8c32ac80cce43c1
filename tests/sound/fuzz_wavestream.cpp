// RIFF WAVE reader: any bytes as a wave image. It fails with "Wave is invalid" or gives a
// format block and samples that lie inside the image; the format's fields are read too.
#include "common/tov_error.h"
#include "sound/wave.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const tov::sound::TWave wave = tov::sound::TWaveStream::read(std::span(data, size));
        if (wave.format.size() + wave.data.size() + 12 > size) {
            __builtin_trap();
        }
        tov::sound::parseWaveFormat(wave.format);
    } catch (const tov::TovError&) {
    }
    return 0;
}
