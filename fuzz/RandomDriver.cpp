// Feeds a fuzz target with seeded random inputs for a given number of seconds, where libFuzzer
// is not available.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  std::mt19937 random(1);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    std::vector<uint8_t> input(random() % 1024);
    for (auto& byte : input)
      byte = static_cast<uint8_t>(random() % 4 == 0 ? "0123456789,- \t"[random() % 14] : random());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++runs;
  }
  std::printf("%ld inputs\n", runs);
  return 0;
}
