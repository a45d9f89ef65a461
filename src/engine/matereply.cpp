#include "engine/matereply.h"

#include <sstream>

#include "engine/pv.h"

std::string goMateCommand(std::int64_t milliseconds) {
    return milliseconds > 0 ? "go mate " + std::to_string(milliseconds) : "go mate infinite";
}

bool isMateReply(std::string_view line) {
    return line.starts_with("checkmate") && (line.size() == 9 || line[9] == ' ' || line[9] == '\t');
}

EngineMate readMateReply(const ZnBan &game, std::string_view line) {
    EngineMate mate;
    std::istringstream words{std::string(line)};
    std::string word;
    if (!(words >> word) || word != "checkmate") return mate;
    std::vector<std::string> rest;
    while (words >> word) rest.push_back(word);
    if (rest.size() == 1 && rest[0] == "nomate") {
        mate.answer = MateAnswer::NoMate;
        return mate;
    }
    if (rest.empty() || (rest.size() == 1 && (rest[0] == "timeout" || rest[0] == "notimplemented"))) return mate;
    for (const std::string &moveWord : rest) {
        const std::optional<Move> move = readUsiMoveWord(moveWord);
        if (!move) {
            mate.fault = "エンジンの詰み手順に読めない手があります: " + moveWord;
            return mate;
        }
        mate.line.push_back(*move);
    }
    if (const std::string fault = mateLineFault(game, mate.line); !fault.empty()) {
        mate.fault = "エンジンの詰み手順が正しくありません（" + fault + "）";
        mate.line.clear();
        return mate;
    }
    mate.answer = MateAnswer::Mate;
    return mate;
}
