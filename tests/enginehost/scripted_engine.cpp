// A USI engine that answers each "go" with the next line of a script, so that an analysis gets the
// scores a test chose. The script is the file NAGI_ENGINE_SCRIPT names, one line per search:
//   cp N [pv...]     a score in centipawns from the side to move's view, then bestmove
//   mate N [pv...]   a mate in N plies (negative: the side to move is mated)
//   best MOVE        a bestmove with no info line
//   exit             the process ends in the middle of the search
// Past the script's end every search reads "cp 0". Every command received is appended to the file
// NAGI_ENGINE_LOG names, when set. NAGI_ENGINE_NAME replaces the name it gives, and
// NAGI_ENGINE_USI_DELAY_MS holds back its "usiok" that long, as a slow engine on a busy machine.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

int main() {
    std::vector<std::string> script;
    if (const char *path = std::getenv("NAGI_ENGINE_SCRIPT")) {
        std::ifstream file(path);
        for (std::string line; std::getline(file, line);) script.push_back(line);
    }
    std::ofstream log;
    if (const char *path = std::getenv("NAGI_ENGINE_LOG")) log.open(path, std::ios::app);
    std::size_t searches = 0;
    for (std::string line; std::getline(std::cin, line);) {
        if (log.is_open()) log << line << std::endl;
        if (line == "usi") {
            const char *name = std::getenv("NAGI_ENGINE_NAME");
            std::cout << "id name " << (name != nullptr ? name : "Scripted") << std::endl;
            if (const char *delay = std::getenv("NAGI_ENGINE_USI_DELAY_MS"))
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
            std::cout << "option name MultiPV type spin default 1 min 1 max 5\nusiok" << std::endl;
        } else if (line == "isready") {
            std::cout << "readyok" << std::endl;
        } else if (line == "quit") {
            return 0;
        } else if (line.rfind("go", 0) == 0) {
            std::istringstream words(searches < script.size() ? script[searches] : "cp 0");
            ++searches;
            std::string kind, value, move;
            words >> kind >> value;
            if (kind == "exit") return 1;
            if (kind == "best") {
                std::cout << "bestmove " << value << std::endl;
                continue;
            }
            std::string pv, first;
            while (words >> move) {
                if (first.empty()) first = move;
                pv += " " + move;
            }
            // A second reading with another score, which the analysis must not take for the first.
            std::cout << "info depth 3 multipv 2 score cp -9999 pv" << (pv.empty() ? " 1a1b" : pv) << "\n"
                      << "info depth 12 multipv 1 score " << kind << ' ' << value << (pv.empty() ? "" : " pv")
                      << pv << "\nbestmove " << (first.empty() ? "resign" : first) << std::endl;
        }
    }
}
