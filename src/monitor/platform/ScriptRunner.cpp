// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptRunner.h"

namespace quillo {

ScriptRun UnavailableScriptRunner::run(std::string_view) {
    return ScriptRun{.created = false, .stringResult = std::nullopt, .error = std::nullopt};
}

ScriptRun FakeScriptRunner::run(std::string_view source) {
    std::size_t index = sources.size();
    sources.emplace_back(source);
    if (answers_.empty()) {
        return {};
    }
    return answers_[std::min(index, answers_.size() - 1)];
}

} // namespace quillo
