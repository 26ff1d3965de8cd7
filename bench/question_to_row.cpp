// SPDX-License-Identifier: GPL-3.0-or-later
// A permission question on the dashboard: from a question written on the
// questions socket (as the recorder writes it) to the open dashboard's row
// painting it; then the same from starting a real recorder with a
// PermissionRequest (it records the event first, then asks), and from a click
// on the row's "Allow" to the recorder printing Claude Code's decision.
// Runs offscreen in a private home.
#include "AppPaths.h"
#include "BenchFigures.h"
#include "BenchHome.h"
#include "PaintCounter.h"
#include "PermissionQuestion.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "dashboard/QuestionLine.h"
#include "questions/OpenQuestions.h"
#include "questions/QuestionServer.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>
#include <QProcess>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using quillo::bench::PaintCounter;
using quillo::bench::percentile;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the event loop until `done` holds, at most 10 s.
template <typename Done> bool waitFor(Done done) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (Clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH_TO_QuilloHook [ROUNDS]\n", argv[0]);
        return 2;
    }
    const QString recorder = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;

    // The recorders inherit it, so both sides meet in the private home.
    const auto privateHome = quillo::bench::enterPrivateHome();
    if (!privateHome) {
        return 1;
    }
    const std::filesystem::path home = *privateHome;
    ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    quillo::applyDarkPalette(app);
    quillo::Symbols::loadFont();
    std::filesystem::create_directories(quillo::AppPaths::appSupportDirectory());

    quillo::OpenQuestions questions;
    quillo::QuestionServer server(
        questions, quillo::PermissionQuestion::socketPath(quillo::AppPaths::appSupportDirectory()),
        [] { return true; });
    if (auto failure = server.listen()) {
        std::fprintf(stderr, "cannot listen: %s\n", failure->toLocal8Bit().constData());
        return 1;
    }

    quillo::ClaudeProcess session;
    session.id = "bench-session";
    session.name = "bench";
    session.state = quillo::ProcessState::waitingPermission;
    session.terminal = quillo::TerminalLocation{quillo::TerminalKind::kitty, 1, 2, "/dev/pts/1"};
    quillo::DashboardModel model;
    model.setProcesses({session});
    model.followQuestions(questions);
    quillo::DashboardServices services;
    services.answer = [&questions](std::uint64_t id, bool allow) {
        return questions.answer(id, quillo::allowOrDeny(allow), "dashboard");
    };
    quillo::DashboardView view(model, false, quillo::DashboardActions{}, services);
    view.show();
    quillo::MacProcessRow* row = view.rowFor(session.id);
    // The row makes its question line for its first question: one question
    // answered before the figures start, as a row that asked before.
    {
        quillo::PermissionQuestion::Question first;
        first.sessionId = session.id;
        first.claudePID = static_cast<std::int32_t>(::getpid());
        first.toolName = "Bash";
        auto id = questions.open(first, {}, quillo::now());
        if (!id || !row->questionLine()) {
            std::fprintf(stderr, "the row made no question line\n");
            return 1;
        }
        questions.answer(*id, quillo::allowOrDeny(true), "bench");
        session.stateChangedAt = quillo::now();
        model.setProcesses({session});
    }
    quillo::QuestionLine* line = row->questionLine();
    PaintCounter painted;
    line->installEventFilter(&painted);
    waitFor([] { return true; });

    // The question as the recorder sends it, from a client of our own: the
    // figure starts when the line is written.
    const std::filesystem::path socketPath =
        quillo::PermissionQuestion::socketPath(quillo::AppPaths::appSupportDirectory());
    std::vector<double> socketToRow;
    for (int i = 0; i < rounds; ++i) {
        quillo::PermissionQuestion::Question question;
        question.sessionId = session.id;
        question.claudePID = static_cast<std::int32_t>(::getpid());
        question.toolName = "Bash";
        question.toolInput = {{"command", "make check-" + std::to_string(i)}};
        const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
        if (client < 0 ||
            ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("connect");
            return 1;
        }
        const std::string encoded = quillo::PermissionQuestion::encodeQuestion(question);
        const int paintsBefore = painted.paints;
        const auto written = Clock::now();
        if (::write(client, encoded.data(), encoded.size()) !=
            static_cast<ssize_t>(encoded.size())) {
            std::perror("write");
            return 1;
        }
        const QString expected = QStringLiteral("Bash: make check-") + QString::number(i);
        if (!waitFor([&] {
                return line->isVisible() && line->text() == expected &&
                       painted.paints > paintsBefore;
            })) {
            std::fprintf(stderr,
                         "socket round %d: the row never showed the question (%s, %zu open)\n", i,
                         line->text().toLocal8Bit().constData(), questions.questions().size());
            return 1;
        }
        socketToRow.push_back(millisecondsSince(written));
        emit line->allowButton()->clicked();
        pollfd answer{client, POLLIN, 0};
        waitFor([&] { return ::poll(&answer, 1, 0) > 0; });
        ::close(client);
        session.stateChangedAt = quillo::now();
        model.setProcesses({session});
    }

    std::vector<double> toRow;
    std::vector<double> toDecision;
    for (int i = 0; i < rounds; ++i) {
        const std::string command = "npm test -- --round " + std::to_string(i);
        const std::string payload =
            R"({"hook_event_name":"PermissionRequest","session_id":"bench-session",)"
            R"("cwd":"/tmp/p","tool_name":"Bash","tool_input":{"command":")" +
            command + R"("}})";
        QProcess hook;
        hook.setProgram(recorder);
        const int paintsBefore = painted.paints;
        const auto started = Clock::now();
        hook.start();
        hook.write(payload.data(), static_cast<qint64>(payload.size()));
        hook.closeWriteChannel();
        const QString expected = QStringLiteral("Bash: ") + QString::fromStdString(command);
        if (!waitFor([&] {
                return line->isVisible() && line->text() == expected &&
                       painted.paints > paintsBefore;
            })) {
            std::fprintf(stderr, "round %d: the row never showed the question\n", i);
            return 1;
        }
        toRow.push_back(millisecondsSince(started));

        QByteArray printed;
        const auto clicked = Clock::now();
        emit line->allowButton()->clicked();
        if (!waitFor([&] {
                printed += hook.readAllStandardOutput();
                return printed.contains("\"allow\"");
            })) {
            std::fprintf(stderr, "round %d: the recorder printed no decision\n", i);
            return 1;
        }
        toDecision.push_back(millisecondsSince(clicked));
        hook.waitForFinished(5000);
        // The session moves on, as Claude Code's next event would make it.
        session.stateChangedAt = quillo::now();
        model.setProcesses({session});
    }
    std::printf("question written on the socket to the row painting it (%d questions): median "
                "%.2f ms, p90 %.2f ms, max %.2f ms (goal: median <= 20 ms)\n",
                rounds, percentile(socketToRow, 0.5), percentile(socketToRow, 0.9),
                *std::max_element(socketToRow.begin(), socketToRow.end()));
    std::printf("recorder start to the row's question painted (%d questions): median %.2f ms, "
                "p90 %.2f ms, max %.2f ms\n",
                rounds, percentile(toRow, 0.5), percentile(toRow, 0.9),
                *std::max_element(toRow.begin(), toRow.end()));
    std::printf("Allow on the row to the recorder's decision on its output: median %.2f ms, "
                "p90 %.2f ms, max %.2f ms\n",
                percentile(toDecision, 0.5), percentile(toDecision, 0.9),
                *std::max_element(toDecision.begin(), toDecision.end()));
    std::filesystem::remove_all(home);
    return 0;
}
