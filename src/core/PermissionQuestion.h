// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillo::PermissionQuestion {

// A permission question travels from the recorder that Claude Code started for
// a PermissionRequest event to the running monitor, over a local stream
// socket, one JSON object a line:
//
//   recorder -> monitor  {"type":"question", ...the fields of Question...}
//   monitor  -> recorder {"type":"answer","behavior":"allow"}
//                        {"type":"answer","behavior":"deny","message":"..."}
//                        {"type":"no_answer"}
//   recorder -> monitor  {"type":"withdrawn"}   (Claude Code ended the wait)
//
// The recorder only ever prints a decision it received; any failure on the
// way means no decision, and Claude Code's own dialog decides.

struct Question {
    std::string sessionId;
    std::int32_t claudePID = 0;
    std::string toolName;
    nlohmann::json toolInput = nlohmann::json::object();
    std::optional<std::string> cwd;
    nlohmann::json permissionSuggestions = nlohmann::json::array();

    bool operator==(const Question&) const = default;
};

enum class Behavior { allow, deny };

struct Answer {
    Behavior behavior = Behavior::allow;
    std::string message; // for deny: what Claude Code tells the model

    bool operator==(const Answer&) const = default;
};

// A line longer than this is refused by both ends: a question carries a tool's
// input, which can be a whole file being written, and the monitor must bound
// what a local client can make it hold.
inline constexpr std::size_t maxLineBytes = 1 << 20;

// The time limit the installer writes into the recorder's PermissionRequest
// entry ("timeout", in seconds). It is Claude Code's default too, but written
// out so that a change of that default cannot cut a question short; the
// recorder gives up a little before it.
inline constexpr std::chrono::seconds hookTimeLimit{600};

// The question of a PermissionRequest payload, or nothing for any other event
// or a payload without a session.
std::optional<Question> fromPayload(const nlohmann::json& payload, std::int32_t claudePID);

// Each encoder returns one line, ending in a line feed.
std::string encodeQuestion(const Question& question);
std::string encodeAnswer(const std::optional<Answer>& answer); // nothing: "no_answer"
std::string encodeWithdrawn();

// Decoders take a line without its line feed. A line that is not what the
// reader expects decodes to nothing.
std::optional<Question> decodeQuestion(std::string_view line);
// The outer optional is empty for a line that is no answer; the inner one is
// empty for "no_answer".
std::optional<std::optional<Answer>> decodeAnswer(std::string_view line);
bool isWithdrawn(std::string_view line);

// What the recorder prints for Claude Code: its hook decision.
std::string decisionOutput(const Answer& answer);

// The monitor's socket for questions: in $XDG_RUNTIME_DIR (else the
// application-support directory), named after the application-support
// directory, so that a second Quillo with its own data directory (a test, or
// another profile) never answers this one's questions.
std::filesystem::path socketPath(const std::filesystem::path& appSupport);

} // namespace quillo::PermissionQuestion
