// libFuzzer entry of fuzz_names: the input goes through the shared harness, which aborts on a broken rule.
#include <cstddef>
#include <cstdint>

#include "passes/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stratex::fuzz::RunOrAbort(stratex::fuzz::Target::Names, data, size);
    return 0;
}
