// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target once over every file of the corpus folders given on the
// command line, so that the normal build and `make test` exercise the corpus
// without libFuzzer or clang.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream input(entry.path(), std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(input)),
                                    std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++files;
        }
    }
    std::cout << "replayed " << files << " inputs\n";
    return files > 0 ? 0 : 1;
}
