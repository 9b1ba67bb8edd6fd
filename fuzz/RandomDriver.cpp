// Feeds the fuzz target seeded random inputs for a given number of seconds where libFuzzer is missing.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(argc > 1 ? std::atof(argv[1]) : 10);
  std::mt19937 random(1);
  long runs = 0;
  for (; std::chrono::steady_clock::now() < end; ++runs) {
    std::vector<uint8_t> input(random() % 1024);
    for (auto& byte : input) byte = static_cast<uint8_t>(random() % 4 ? random() : "0123456789,-= \t"[random() % 15]);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%ld inputs\n", runs);
  return 0;
}
