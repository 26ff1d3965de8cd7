// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillo::SwitchMessages {

// The user-facing texts of failed switches, through the translation table.

std::string unrecognizedTerminal();
std::string scriptNotCreated(std::string_view terminal);
std::string automationNotAllowed(std::string_view terminal);
std::string scriptFailed(std::string_view terminal, std::string_view message);
std::string unknownError();

std::string commandFailed(std::string_view terminal, std::string_view detail);
std::string commandTimedOut(std::string_view terminal);
std::string commandNotRun(std::string_view terminal, std::string_view program);
std::string exitStatus(int code);
std::string dbusFailed(std::string_view terminal, std::string_view message);
std::string dbusTimedOut(std::string_view terminal);
std::string noDisplay(std::string_view terminal);
std::string noWindow(std::string_view terminal);
std::string notActivated(std::string_view terminal);
std::string sessionNotFound(std::string_view terminal);
std::string tmuxVariableMissing();
std::string tmuxNoAttachedClient();

} // namespace quillo::SwitchMessages
