// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogSource.h"

#include <fstream>
#include <memory>

namespace quillo {

namespace {

std::uintmax_t sizeOf(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    return ec ? 0 : size;
}

// The older part first, so the copy reads in the order it was written.
bool exportSystemLog(const std::filesystem::path& destination) {
    const std::filesystem::path parts[] = {DiagnosticLogger::previousFile(),
                                           DiagnosticLogger::fileURL()};
    std::ofstream output;
    bool any = false;
    for (const auto& part : parts) {
        std::ifstream input(part, std::ios::binary);
        if (!input) {
            continue;
        }
        if (!output.is_open()) {
            output.open(destination, std::ios::binary | std::ios::trunc);
            if (!output) {
                return false;
            }
        }
        if (input.peek() != std::ifstream::traits_type::eof()) {
            output << input.rdbuf();
        }
        any = true;
    }
    output.close();
    return any && !output.fail();
}

} // namespace

DiagnosticLogSource systemDiagnosticLog() {
    return {
        .load = [] { return DiagnosticLogger::recentEntries(); },
        .bytesToRead =
            [] {
                return sizeOf(DiagnosticLogger::fileURL()) +
                       sizeOf(DiagnosticLogger::previousFile());
            },
        .clear = [] { DiagnosticLogger::clear(); },
        .exportTo = exportSystemLog,
        .file = DiagnosticLogger::fileURL(),
    };
}

DiagnosticLogSource memoryDiagnosticLog(std::vector<DiagnosticLogger::Entry> entries,
                                        std::filesystem::path file) {
    auto held = std::make_shared<std::vector<DiagnosticLogger::Entry>>(std::move(entries));
    return {
        .load = [held] { return *held; },
        .bytesToRead = [] { return std::uintmax_t{0}; },
        .clear = [held] { held->clear(); },
        .exportTo =
            [held](const std::filesystem::path& destination) {
                std::ofstream output(destination, std::ios::binary | std::ios::trunc);
                for (const auto& entry : *held) {
                    if (auto line = DiagnosticLogger::encodeEntry(entry)) {
                        output << *line << '\n';
                    }
                }
                output.close();
                return !output.fail();
            },
        .file = std::move(file),
    };
}

} // namespace quillo
