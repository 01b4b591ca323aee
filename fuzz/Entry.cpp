// The libFuzzer entry of one harness; the build compiles it once per harness.
#include "fuzz/Harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunFuzzCase(fuzz::Harness::NULLBURN_FUZZ_HARNESS, data, size);
    return 0;
}
