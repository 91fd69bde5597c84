#include "fetch/ConnectRace.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// 'C' connects, 'R' refuses, 'F' fails, ' ' never answers; after ms from its start (0: at once).
struct Answer {
    char kind;
    uint32_t after;
};
const Answer Silent{' ', 0};

// The platform of a race under a clock that moves only when the race waits.
struct ScriptedRace {
    std::vector<Answer> answers;
    uint32_t now = 1000;
    std::vector<uint32_t> starts; // ms after the race began
    std::string closed;           // addresses whose sockets were closed, as digits

    uint32_t Now() { return now; }
    static int32_t ErrorOf(char kind) {
        return kind == 'C' ? 0 : kind == 'R' ? ConnectionRefusedError() : InvalidArgumentError();
    }
    bool Start(int address, SocketHandle& socket, int32_t& error) {
        starts.push_back(now - 1000);
        const Answer& answer = answers[address];
        bool answersNow = answer.kind != ' ' && answer.after == 0;
        if (answersNow) error = ErrorOf(answer.kind);
        // Only a connection hands out a socket once its attempt has ended.
        if (!answersNow || error == 0) socket = SocketHandle(address);
        return !answersNow;
    }
    uint32_t AnswerTime(SocketHandle socket) const {
        const Answer& answer = answers[socket];
        return answer.kind == ' ' ? UINT32_MAX : 1000 + starts[socket] + answer.after;
    }
    int WaitForAnswer(const SocketHandle* sockets, int count, uint32_t milliseconds,
                      int32_t& error) {
        int first = -1;
        for (int i = 0; i < count; ++i)
            if (first < 0 || AnswerTime(sockets[i]) < AnswerTime(sockets[first])) first = i;
        if (AnswerTime(sockets[first]) > now + milliseconds) {
            now += milliseconds;
            return -1;
        }
        now = AnswerTime(sockets[first]);
        error = ErrorOf(answers[sockets[first]].kind);
        return first;
    }
    void Close(SocketHandle socket) { closed += char('0' + socket); }
};

// What each address started did: W waiting (timed out), C, R, F.
std::string Outcomes(const ConnectAttempt (&attempts)[AddressLimit], int started) {
    std::string shown;
    for (int i = 0; i < started; ++i)
        shown += "WCRF"[int(attempts[i].outcome)];
    return shown;
}

} // namespace

// Each row: answers; winner (-1: none), each start, each outcome, the end, the sockets closed.
TEST(RaceConnections, StaggersAddressesAndTheFirstConnectionWins) {
    // clang-format off
    const std::tuple<std::vector<Answer>, int, std::vector<uint32_t>, std::string, uint32_t,
                     std::string> cases[] = {
        {{{'C', 40}}, 0, {0}, "C", 40, ""}, {{{'C', 0}, {'C', 5}}, 0, {0}, "C", 0, ""},
        // A refusal hands over at once, also one that comes with the start.
        {{{'R', 30}, {'C', 10}}, 1, {0, 30}, "RC", 40, "0"},
        {{{'R', 0}, {'F', 0}, {'C', 20}}, 2, {0, 0, 0}, "RFC", 20, ""},
        // Silent for 250 ms: the next begins while the first may still answer.
        {{Silent, {'C', 20}}, 1, {0, 250}, "WC", 270, "0"},
        {{{'C', 249}, {'C', 1}}, 0, {0}, "C", 249, ""},
        {{{'C', 300}, {'C', 100}}, 0, {0, 250}, "CW", 300, "1"},
        {{Silent, {'R', 100}, {'C', 10}}, 2, {0, 250, 350}, "WRC", 360, "10"},
        {{Silent, Silent, {'C', 5}}, 2, {0, 250, 500}, "WWC", 505, "10"},
        // One limit of 21 s for the whole; a connection at the limit still counts.
        {{Silent, {'C', 20750}}, 1, {0, 250}, "WC", 21000, "0"},
        {{Silent, {'C', 20751}}, -1, {0, 250}, "WW", 21000, "10"},
        {{Silent, Silent, Silent}, -1, {0, 250, 500}, "WWW", 21000, "210"},
        {{{'R', 0}, {'F', 7}}, -1, {0, 0}, "RF", 7, "1"}, {{{'F', 0}}, -1, {0}, "F", 0, ""}};
    // clang-format on
    for (const auto& [answers, winner, starts, outcomes, took, closed] : cases) {
        SCOPED_TRACE(testing::Message() << outcomes << " in " << took << " ms");
        ScriptedRace race;
        race.answers = answers;
        ConnectAttempt attempts[AddressLimit];
        int started = -1;
        SocketHandle connected = NoSocket;
        const int won = RaceConnections(race, int(answers.size()), attempts, started, connected);
        EXPECT_EQ(std::tie(won, race.starts, race.closed), std::tie(winner, starts, closed));
        EXPECT_EQ(race.now - 1000, took);
        EXPECT_EQ(Outcomes(attempts, started), outcomes); // one letter for each start
        EXPECT_EQ(connected, won < 0 ? NoSocket : SocketHandle(won));
    }
}
