// A USI engine that misbehaves on purpose, one way per mode, taken from the end of its file name
// ("fake_engine-flood"); "normal" analyses until told to stop. FAKE_PV sets the line it prints.
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string mode, buffer;
bool goteToMove = false;

bool is(const char *name) { return mode == name; }

void say(std::string out) {
    out += '\n';
    for (std::size_t at = 0; at < out.size();) {
        const ssize_t written = write(1, out.data() + at, out.size() - at);
        if (written <= 0) std::exit(0);
        at += static_cast<std::size_t>(written);
    }
}

// The next command within `waitMs` (-1: for ever); ends the program at the end of its input.
bool command(std::string &line, int waitMs) {
    for (std::size_t end; (end = buffer.find('\n')) == std::string::npos;) {
        pollfd input{0, POLLIN, 0};
        char chunk[4096];
        if (poll(&input, 1, waitMs) <= 0) return false;
        const ssize_t got = read(0, chunk, sizeof chunk);
        if (got <= 0) std::exit(0);
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    line = buffer.substr(0, buffer.find('\n'));
    buffer.erase(0, line.size() + 1);
    return true;
}

// Prints analysis until "stop" arrives (or never, when it ignores stop), then the best move. On a
// game's clock (`timed`) it answers after its first line, as a player does.
void search(bool timed) {
    if (is("exit-mid-search")) say("info depth 1 score cp 10 pv 7g7f"), std::exit(1);
    if (is("crash-mid-search")) std::abort();
    static const char garbage[] = "info string \xFF\xFE\x01\x80 binary\0tail\n\xC3\x28\xA0\xA1";
    if (is("garbage")) say(std::string(garbage, sizeof garbage - 1));
    if (is("huge-line")) say("info string " + std::string(1 << 20, 'x'));
    if (is("overflow")) say("info depth 99999999999999999999 nodes 123456789012345678901234567890 pv 7g7f");
    const char *given = std::getenv("FAKE_PV");
    const std::string pv = is("illegal") ? "5e5d 7g7f"
                           : given       ? given
                           : goteToMove  ? "3c3d 7g7f"
                                         : "7g7f 3c3d";
    std::string line;
    const auto start = std::chrono::steady_clock::now();
    for (int depth = 1;; ++depth) {
        if (command(line, is("flood") ? 0 : 20)) {
            if (is("ignore-stop")) continue;
            if (line == "quit") std::exit(0);
            if (line == "stop") break;
        }
        if (timed && depth > 1 && !is("ignore-stop")) break;
        say("info depth " + std::to_string(depth % 60) + " seldepth 9 multipv 1 score cp " +
            std::to_string(depth % 200) + " nodes " + std::to_string(depth * 1000) + " nps 250000 pv " + pv);
        // 10,000 lines a second when flooding, paced by the clock rather than by sleeps.
        while (is("flood") &&
               std::chrono::steady_clock::now() < start + std::chrono::microseconds(100 * depth))
            std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    say(is("illegal") ? "bestmove 5e5d" : "bestmove " + pv.substr(0, 4));
}

}  // namespace

int main(int, char **argv) {
    const char *tag = std::strstr(argv[0], "fake_engine-");
    mode = tag != nullptr ? tag + std::strlen("fake_engine-") : "normal";
    if (is("exit-at-start")) return 3;
    if (is("crash-at-start")) std::abort();
    for (std::string line;;) {
        command(line, -1);
        if (line == "usi" && !is("no-usiok"))
            say("Fake engine banner\nid name Fake Engine " + mode +
                "\nid author tests\noption name Skill Level type spin default 20 min 0 max 20\n"
                "option name Style type combo default Normal var Normal var Risky Play\n"
                "option name Ponder type check default false\noption name Clear Hash type button\n"
                "option name Book File type filename default book.bin\noption name Comment type string "
                "default <empty>\n"
                "option name MultiPV type spin default 1 min 1 max 5\nusiok");
        if (line == "isready" && !is("no-readyok")) say("readyok");
        if (line.rfind("position", 0) == 0) {
            // The side of the SFEN, turned once for every move after "moves".
            const std::size_t moves = line.find(" moves ");
            goteToMove = line.substr(0, moves).find(" w ") != std::string::npos;
            if (moves != std::string::npos)
                for (std::size_t at = moves + 6; at < line.size(); ++at) goteToMove ^= line[at] == ' ';
        }
        if (line.rfind("go", 0) == 0) search(line.find(" btime ") != std::string::npos);
        if (line == "quit" && !is("ignore-quit")) return 0;
    }
}
