// A USI engine that misbehaves on purpose, one way per mode given as its first argument. With no
// mode (or "normal") it is a well-behaved engine that analyses until told to stop.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string mode;
std::string buffer;

void say(const std::string &line) {
    std::string out = line + "\n";
    std::size_t at = 0;
    while (at < out.size()) {
        const ssize_t written = write(1, out.data() + at, out.size() - at);
        if (written <= 0) std::exit(0);
        at += static_cast<std::size_t>(written);
    }
}

// The next command, waiting up to `waitMs` (-1: for ever); false when none came in time. Ends the
// program at the end of its input.
bool command(std::string &line, int waitMs) {
    for (;;) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return true;
        }
        pollfd input{0, POLLIN, 0};
        if (poll(&input, 1, waitMs) <= 0) return false;
        char chunk[4096];
        const ssize_t got = read(0, chunk, sizeof chunk);
        if (got <= 0) std::exit(0);
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

bool is(const char *name) { return mode == name; }

// Prints analysis until "stop" (or "quit") arrives, then the best move.
void search() {
    if (is("exit-mid-search")) {
        say("info depth 1 score cp 10 pv 7g7f");
        std::exit(1);
    }
    if (is("crash-mid-search")) std::abort();
    if (is("garbage")) {
        say(std::string("info string \xFF\xFE\x01\x80 binary") + '\0' + "tail");
        say("\xC3\x28\xA0\xA1 \xF0\x28\x8C\xBC");
    }
    if (is("huge-line")) say("info string " + std::string(1 << 20, 'x'));
    if (is("overflow")) say("info depth 99999999999999999999 nodes 123456789012345678901234567890 score cp 1 pv 7g7f");
    const char *pv = is("illegal") ? "5e5d 7g7f" : "7g7f 3c3d 2g2f";
    int depth = 0;
    std::string line;
    for (;;) {
        const bool flood = is("flood");
        if (command(line, flood ? 0 : 20)) {
            if (line == "stop" && !is("ignore-stop")) break;
            if (line == "quit" && !is("ignore-stop")) std::exit(0);
            continue;
        }
        ++depth;
        say("info depth " + std::to_string(depth % 60 + 1) + " seldepth " + std::to_string(depth % 60 + 3) +
            " multipv 1 score cp " + std::to_string(depth % 200) + " nodes " + std::to_string(depth * 1000) +
            " nps 250000 pv " + pv);
        // About 10,000 lines a second when flooding.
        if (flood) std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    say(is("illegal") ? "bestmove 5e5d" : "bestmove 7g7f ponder 3c3d");
}

}  // namespace

int main(int argc, char **argv) {
    mode = argc > 1 ? argv[1] : "normal";
    const char *self = std::strrchr(argv[0], '/');
    // A copy named after the mode lets a test choose the fault by the path alone.
    if (argc <= 1 && self != nullptr && std::strncmp(self + 1, "fake_engine-", 12) == 0) mode = self + 13;
    if (is("exit-at-start")) return 3;
    if (is("crash-at-start")) std::abort();
    std::string line;
    for (;;) {
        command(line, -1);
        if (line == "usi") {
            if (is("no-usiok")) continue;
            say("Fake engine banner");
            say("id name Fake Engine " + mode);
            say("id author tests");
            say("option name Skill Level type spin default 20 min 0 max 20");
            say("option name Style type combo default Normal var Normal var Risky Play");
            say("option name Ponder type check default false");
            say("option name Clear Hash type button");
            say("option name Book File type filename default book.bin");
            say("option name Comment type string default <empty>");
            say("option name MultiPV type spin default 1 min 1 max 5");
            say("usiok");
        } else if (line == "isready") {
            if (!is("no-readyok")) say("readyok");
        } else if (line.rfind("go", 0) == 0) {
            search();
        } else if (line == "quit") {
            if (!is("ignore-quit")) return 0;
        }
    }
}
