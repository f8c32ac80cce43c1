// Bank reader: any bytes as "sounds.dat". Reading fails with TovError or gives items;
// a bank that reads is loaded into a collection (no device) and every item found by its
// name in another case. Nothing else may happen.
#include "common/tov_error.h"
#include "sound/bankreader.h"
#include "sound/sounddevice.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    try {
        tov::sound::TWaveList list;
        list.Waves().loadbankimage(bytes);
        for (auto& item : list.Waves()) {
            std::string upper = item->Name;
            for (char& c : upper) {
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            }
            if (list.Waves().lookup(upper) == nullptr) {
                __builtin_trap();
            }
            item->play(tov::sound::Wait::Yes);
        }
    } catch (const tov::TovError&) {
    }
    return 0;
}
