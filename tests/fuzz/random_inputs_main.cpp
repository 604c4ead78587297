// Where libFuzzer is missing: the fuzz target over seeded random inputs for a bounded time.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// Pieces that reach the reader's branches more often than plain noise does.
const char* const kPieces[] = {
    "\xEF\xBB\xBF", "\r\n", "\r", "\n", "[", "]", "=", ";", " ", "\t", "[Messages]", "[Misc]",
    "Error", "AppRunning", " = ", "Language", "\xC3", "\xA9", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "\xFF", "\0",
};

std::string RandomInput(std::mt19937& random) {
    std::string input;
    const int parts = static_cast<int>(random() % 64);
    for (int i = 0; i < parts; ++i) {
        if (random() % 3 == 0) {
            input += static_cast<char>(random() & 0xFF);
        } else {
            const std::size_t pick = random() % (sizeof(kPieces) / sizeof(kPieces[0]));
            input += pick + 1 == sizeof(kPieces) / sizeof(kPieces[0]) ? std::string(1, '\0') : kPieces[pick];
        }
    }
    if (random() % 50 == 0) input += std::string(100000, 'x');  // an enormous line
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::mt19937 random(20261207u);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        const std::string input = RandomInput(random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        ++runs;
    }
    std::printf("%ld inputs\n", runs);
    return 0;
}
