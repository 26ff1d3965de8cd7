// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

class QLocalServer;
class QLocalSocket;

namespace quillo {

class OpenQuestions;

// The monitor's end of the recorders' questions socket: each connection brings
// one question, which goes to `questions` while the connection stays open;
// the answer goes back on it. A connection that closes, or says "withdrawn",
// withdraws its question. Only processes of this user are heard. When
// `answering` says no (the user switched answering off), every question gets
// "no answer" at once, and the recorder leaves the decision to the terminal.
class QuestionServer : public QObject {
    Q_OBJECT

public:
    // Connections still sending their question; more are closed at once.
    static constexpr int maxPending = 32;

    QuestionServer(OpenQuestions& questions, std::filesystem::path socketPath,
                   std::function<bool()> answering, QObject* parent = nullptr);
    ~QuestionServer() override;

    // Starts listening; the reason on failure. A socket file left by a monitor
    // that died is replaced (only one monitor runs per data directory).
    std::optional<QString> listen();

private:
    void accept();
    void read(QLocalSocket* socket);
    void handleLine(QLocalSocket* socket, std::string_view line);

    OpenQuestions& questions_;
    std::filesystem::path socketPath_;
    std::function<bool()> answering_;
    QLocalServer* server_;
    int pending_ = 0;
};

} // namespace quillo
