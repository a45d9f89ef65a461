#include "record/evaluation.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

constexpr long long kMaxCentipawns = 100000;

constexpr std::string_view kScoreKey = "#評価値=";
constexpr std::string_view kOtherScoreKey = "*評価値=";
constexpr std::string_view kMateKey = "#詰み=";
constexpr std::string_view kReadingKey = "#読み筋=";
constexpr std::string_view kDepthKey = "#深さ=";
constexpr std::string_view kFloodgateMark = "* ";
constexpr std::array<std::string_view, 5> kKeys = {"#評価値=", "#詰み=", "#読み筋=", "#深さ=", "#エンジン="};
constexpr std::array<std::string_view, 3> kLabels = {"【疑問手】", "【悪手】", "【大悪手】"};
constexpr std::string_view kSenteWins = "先手勝ち";
constexpr std::string_view kGoteWins = "後手勝ち";

bool isLabelLine(std::string_view line) {
    return std::find(kLabels.begin(), kLabels.end(), line) != kLabels.end();
}

bool isSituationLine(std::string_view line) {
    if (!line.starts_with('#')) return false;
    line.remove_prefix(1);
    if (line == "互角") return true;
    if (!line.starts_with("先手") && !line.starts_with("後手")) return false;
    line.remove_prefix(std::string_view("先手").size());
    return line == "有利" || line == "優勢" || line == "勝勢";
}

// A whole signed integer that fits an int; a leading plus sign is allowed.
std::optional<int> parseInt(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "先手勝ち:7手", "後手勝ち" or "先手勝ち:?手".
std::optional<Evaluation> parseMate(std::string_view text) {
    Evaluation evaluation = Evaluation::mateFor(SENTE, 0);
    if (text.starts_with(kGoteWins)) {
        evaluation.winner = GOTE;
    } else if (!text.starts_with(kSenteWins)) {
        return std::nullopt;
    }
    text.remove_prefix(kSenteWins.size());
    if (text.starts_with(':') && text.ends_with("手")) {
        text = text.substr(1, text.size() - 1 - std::string_view("手").size());
        const std::optional<int> plies = parseInt(text);
        if (plies && *plies >= 0) evaluation.plies = *plies;
    }
    return evaluation;
}

std::optional<Evaluation> scoreAfter(std::string_view line, std::string_view key) {
    if (!line.starts_with(key)) return std::nullopt;
    const std::optional<int> value = parseInt(line.substr(key.size()));
    if (!value) return std::nullopt;
    return Evaluation::score(*value);
}

// Floodgate's players write "'** 123 PV..." after each move, from sente's view; the CSA reader
// takes "'*" for the comment mark and keeps "* 123 PV...", which KIF writes "** 123", where
// ShogiHome's graph reads it. Records kept by older readers hold the whole "** 123".
std::optional<Evaluation> floodgateScore(std::string_view line) {
    if (line.starts_with('*') && line.substr(1).starts_with(kFloodgateMark)) line.remove_prefix(1);
    if (!line.starts_with(kFloodgateMark)) return std::nullopt;
    line.remove_prefix(kFloodgateMark.size());
    const std::optional<int> value = parseInt(line.substr(0, line.find(' ')));
    if (!value) return std::nullopt;
    return Evaluation::score(*value);
}

// What follows `key` on the first line that starts with it; empty when none does.
std::string_view valueAfter(const std::vector<std::string> &lines, std::string_view key) {
    for (const std::string &line : lines)
        if (line.starts_with(key)) return std::string_view(line).substr(key.size());
    return {};
}

std::string keyed(std::string_view key, std::string_view value) {
    std::string line(key);
    line += value;
    return line;
}

}  // namespace

Evaluation senteView(Side toMove, bool mate, long long value) {
    // Clamped first, so that negating the most negative value cannot overflow.
    const long long clamped = std::clamp(value, -kMaxCentipawns, kMaxCentipawns);
    if (mate) {
        return Evaluation::mateFor(clamped > 0 ? toMove : otherSide(toMove),
                                   static_cast<int>(clamped < 0 ? -clamped : clamped));
    }
    return Evaluation::score(static_cast<int>(toMove == SENTE ? clamped : -clamped));
}

std::string_view situationWord(const Evaluation &evaluation) {
    if (evaluation.mate) return evaluation.winner == SENTE ? "先手勝勢" : "後手勝勢";
    const int score = evaluation.centipawns;
    const int size = score < 0 ? -score : score;
    if (size < 300) return "互角";
    const bool sente = score > 0;
    if (size < 800) return sente ? "先手有利" : "後手有利";
    if (size < 2000) return sente ? "先手優勢" : "後手優勢";
    return sente ? "先手勝勢" : "後手勝勢";
}

std::vector<std::string> evaluationLines(const Evaluation &evaluation, std::string_view pvText, int depth,
                                         std::string_view engineName) {
    std::vector<std::string> lines;
    if (evaluation.mate) {
        std::string line(kMateKey);
        line += evaluation.winner == SENTE ? kSenteWins : kGoteWins;
        if (evaluation.plies > 0) line.append(":").append(std::to_string(evaluation.plies)).append("手");
        lines.push_back(std::move(line));
    } else {
        lines.push_back(keyed(kScoreKey, std::to_string(evaluation.centipawns)));
    }
    lines.push_back(keyed("#", situationWord(evaluation)));
    if (!pvText.empty()) lines.push_back(keyed(kReadingKey, pvText));
    if (depth > 0) lines.push_back(keyed(kDepthKey, std::to_string(depth)));
    if (!engineName.empty()) lines.push_back(keyed("#エンジン=", engineName));
    return lines;
}

std::string labelLine(std::string_view label) { return "【" + std::string(label) + "】"; }

bool isEvaluationLine(std::string_view line) {
    for (std::string_view key : kKeys)
        if (line.starts_with(key)) return true;
    return isSituationLine(line);
}

void mergeAnalysisLines(std::vector<std::string> &comments, const std::vector<std::string> &analysis) {
    // The label and its reason lead; every other line of the new analysis is an evaluation line.
    std::vector<std::string> merged, trailing;
    for (std::size_t i = 0; i < analysis.size(); ++i) {
        if (!isLabelLine(analysis[i])) {
            trailing.push_back(analysis[i]);
            continue;
        }
        merged.push_back(analysis[i]);
        if (i + 1 < analysis.size() && !isEvaluationLine(analysis[i + 1])) merged.push_back(analysis[++i]);
    }
    for (std::size_t i = 0; i < comments.size(); ++i) {
        if (isEvaluationLine(comments[i])) continue;
        if (isLabelLine(comments[i])) {
            // The reason written with an earlier label goes with it.
            if (i + 1 < comments.size() && !isEvaluationLine(comments[i + 1]) &&
                !isLabelLine(comments[i + 1]))
                ++i;
            continue;
        }
        merged.push_back(comments[i]);
    }
    merged.insert(merged.end(), trailing.begin(), trailing.end());
    comments = std::move(merged);
}

std::optional<Evaluation> evaluationInComments(const std::vector<std::string> &comments) {
    // This program's own lines win over what another program left beside them.
    for (const std::string &line : comments) {
        if (std::optional<Evaluation> score = scoreAfter(line, kScoreKey)) return score;
        if (line.starts_with(kMateKey)) {
            if (std::optional<Evaluation> mate = parseMate(std::string_view(line).substr(kMateKey.size())))
                return mate;
        }
    }
    for (const std::string &line : comments)
        if (std::optional<Evaluation> score = scoreAfter(line, kOtherScoreKey)) return score;
    for (const std::string &line : comments)
        if (std::optional<Evaluation> score = floodgateScore(line)) return score;
    return std::nullopt;
}

CommentParts splitComments(const std::vector<std::string> &comments) {
    CommentParts parts;
    for (std::size_t i = 0; i < comments.size(); ++i) {
        if (isEvaluationLine(comments[i])) {
            parts.evaluation.push_back(comments[i]);
        } else if (isLabelLine(comments[i]) && parts.labelLine.empty()) {
            parts.labelLine = comments[i];
            if (i + 1 < comments.size() && !isEvaluationLine(comments[i + 1]) &&
                !isLabelLine(comments[i + 1]))
                parts.reason = comments[++i];
        } else {
            parts.other.push_back(comments[i]);
        }
    }
    return parts;
}

std::vector<std::string> joinComments(const CommentParts &parts, const std::vector<std::string> &other) {
    std::vector<std::string> analysis;
    if (!parts.labelLine.empty()) {
        analysis.push_back(parts.labelLine);
        if (!parts.reason.empty()) analysis.push_back(parts.reason);
    }
    analysis.insert(analysis.end(), parts.evaluation.begin(), parts.evaluation.end());
    std::vector<std::string> comments = other;
    mergeAnalysisLines(comments, analysis);
    return comments;
}

std::string readableEvaluation(const std::vector<std::string> &comments) {
    const std::optional<Evaluation> evaluation = evaluationInComments(comments);
    if (!evaluation) return {};
    std::string line;
    if (evaluation->mate) {
        line = "詰み ";
        if (evaluation->plies > 0) line.append(std::to_string(evaluation->plies)).append("手で");
        line += evaluation->winner == SENTE ? kSenteWins : kGoteWins;
    } else {
        line = "評価値 ";
        if (evaluation->centipawns > 0) line += '+';
        line += std::to_string(evaluation->centipawns);
    }
    line.append("（").append(situationWord(*evaluation)).append("）");
    if (const std::string_view depth = valueAfter(comments, kDepthKey); !depth.empty())
        line.append("　深さ ").append(depth);
    if (const std::string_view reading = valueAfter(comments, kReadingKey); !reading.empty())
        line.append("　").append(reading);
    return line;
}
