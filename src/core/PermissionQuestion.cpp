// SPDX-License-Identifier: GPL-3.0-or-later
#include "PermissionQuestion.h"

#include "JsonLimits.h"
#include "JsonReader.h"
#include "JsonWriter.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quillo::PermissionQuestion {

using nlohmann::json;

namespace {

std::string line(const json& value) {
    // Every value here comes from parsed JSON or from this file, so it can be
    // written; an empty object stands in should that ever not hold.
    return JsonWriter::compact(value).value_or("{}") + "\n";
}

// The object on a line of at most maxLineBytes, whose "type" is `type`.
std::optional<json> objectOfType(std::string_view text, std::string_view type) {
    if (text.size() > maxLineBytes) {
        return std::nullopt;
    }
    auto value = JsonReader::parse(text, JsonLimits::maxDepth);
    if (!value || !value->is_object()) {
        return std::nullopt;
    }
    auto found = value->find("type");
    if (found == value->end() || !found->is_string() ||
        found->get_ref<const std::string&>() != type) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> stringMember(const json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

} // namespace

std::optional<Question> fromPayload(const json& payload, std::int32_t claudePID) {
    if (!payload.is_object() || stringMember(payload, "hook_event_name") !=
                                    std::optional<std::string>("PermissionRequest")) {
        return std::nullopt;
    }
    Question question;
    auto session = stringMember(payload, "session_id");
    if (!session || session->empty()) {
        return std::nullopt;
    }
    question.sessionId = std::move(*session);
    question.claudePID = claudePID;
    question.toolName = stringMember(payload, "tool_name").value_or("");
    if (auto input = payload.find("tool_input"); input != payload.end()) {
        question.toolInput = *input;
    }
    question.cwd = stringMember(payload, "cwd");
    if (auto suggestions = payload.find("permission_suggestions");
        suggestions != payload.end() && suggestions->is_array()) {
        question.permissionSuggestions = *suggestions;
    }
    return question;
}

std::string encodeQuestion(const Question& question) {
    json value = {{"type", "question"},
                  {"session_id", question.sessionId},
                  {"claude_pid", question.claudePID},
                  {"tool_name", question.toolName},
                  {"tool_input", question.toolInput},
                  {"permission_suggestions", question.permissionSuggestions}};
    if (question.cwd) {
        value["cwd"] = *question.cwd;
    }
    return line(value);
}

std::string encodeAnswer(const std::optional<Answer>& answer) {
    if (!answer) {
        return line({{"type", "no_answer"}});
    }
    json value = {{"type", "answer"},
                  {"behavior", answer->behavior == Behavior::allow ? "allow" : "deny"}};
    if (answer->behavior == Behavior::deny) {
        value["message"] = answer->message;
    }
    return line(value);
}

std::string encodeWithdrawn() {
    return line({{"type", "withdrawn"}});
}

std::optional<Question> decodeQuestion(std::string_view text) {
    auto value = objectOfType(text, "question");
    if (!value) {
        return std::nullopt;
    }
    auto session = stringMember(*value, "session_id");
    auto pid = value->find("claude_pid");
    if (!session || session->empty() || pid == value->end() || !pid->is_number_integer()) {
        return std::nullopt;
    }
    const auto pidValue = pid->get<std::int64_t>();
    if (pidValue <= 0 || pidValue > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    Question question;
    question.sessionId = std::move(*session);
    question.claudePID = static_cast<std::int32_t>(pidValue);
    question.toolName = stringMember(*value, "tool_name").value_or("");
    if (auto input = value->find("tool_input"); input != value->end()) {
        question.toolInput = *input;
    }
    question.cwd = stringMember(*value, "cwd");
    if (auto suggestions = value->find("permission_suggestions");
        suggestions != value->end() && suggestions->is_array()) {
        question.permissionSuggestions = *suggestions;
    }
    return question;
}

std::optional<std::optional<Answer>> decodeAnswer(std::string_view text) {
    if (objectOfType(text, "no_answer")) {
        return std::optional<Answer>();
    }
    auto value = objectOfType(text, "answer");
    if (!value) {
        return std::nullopt;
    }
    auto behavior = stringMember(*value, "behavior");
    if (behavior == std::optional<std::string>("allow")) {
        return std::optional<Answer>(Answer{Behavior::allow, {}});
    }
    if (behavior == std::optional<std::string>("deny")) {
        return std::optional<Answer>(
            Answer{Behavior::deny, stringMember(*value, "message").value_or("")});
    }
    return std::nullopt;
}

bool isWithdrawn(std::string_view text) {
    return objectOfType(text, "withdrawn").has_value();
}

std::string decisionOutput(const Answer& answer) {
    json decision = {{"behavior", answer.behavior == Behavior::allow ? "allow" : "deny"}};
    if (answer.behavior == Behavior::deny) {
        decision["message"] = answer.message;
    }
    return line({{"hookSpecificOutput",
                  {{"hookEventName", "PermissionRequest"}, {"decision", std::move(decision)}}}});
}

std::filesystem::path socketPath(const std::filesystem::path& appSupport) {
    // FNV-1a: the recorder links no hashing library, and the name only has to
    // tell data directories apart, not resist anyone.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : appSupport.lexically_normal().string()) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "quillo-questions-%016llx.sock",
                  static_cast<unsigned long long>(hash));
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path directory =
        runtime && runtime[0] == '/' ? std::filesystem::path(runtime) : appSupport;
    return directory / name;
}

} // namespace quillo::PermissionQuestion
