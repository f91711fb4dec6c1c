// Fuzzes one sound decoder (Ogg Vorbis or WAV, chosen at build time) with arbitrary file contents:
// no crash, hang, leak or sanitizer report, and a sound that loads has a valid format and size.
#include "framework/audio/SampleLoaders.h"
#include "framework/system/Bank.h"

#include <cstring>

namespace {

// Where the samples read end up, so reading them is not optimised away.
volatile uint32_t Checksum = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto bank = TBank::Create(static_cast<int32_t>(size));
    if (size > 0) std::memcpy(bank->Buf(), data, size);
    auto stream = OpenBankStream(bank);
    KRELLIX_SOUND_LOADER loader;
    const TAudioSamplePtr sample = loader.LoadAudioSample(*stream);
    if (!sample) return 0;
    if (sample->length < 0 || sample->hertz < 1 || SampleBytesPerFrame(sample->format) == 0) __builtin_trap();
    // Every byte of the decoded sound must be there.
    uint32_t sum = 0;
    for (int32_t i = 0; i < sample->ByteSize(); ++i) sum += sample->samples[i];
    Checksum = sum;
    return 0;
}
