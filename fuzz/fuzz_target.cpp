// One fuzzer: KESTRUM_FUZZ_TARGET names the checks it runs (fuzz/checks.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrum::fuzz::Check(kestrum::fuzz::Target::KESTRUM_FUZZ_TARGET, data, size);
  return 0;
}
