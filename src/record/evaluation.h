#pragma once
// Evaluations kept in a record's comments: the lines an analysis writes for a position, the words
// for who stands better, and the forms other programs write that the evaluation graph reads back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/types.h"

// An evaluation from sente's view: centipawns, or a forced mate for one side.
struct Evaluation {
    bool mate = false;
    // Positive when sente stands better; meaningless for a mate.
    int centipawns = 0;
    // The side that mates; meaningless unless `mate`.
    Side winner = SENTE;
    // Plies to the mate; 0 when not known.
    int plies = 0;

    bool operator==(const Evaluation &) const = default;
    static Evaluation score(int centipawns) { return {false, centipawns, SENTE, 0}; }
    static Evaluation mateFor(Side winner, int plies) { return {true, 0, winner, plies}; }
};

// The one conversion of an engine's score, which is from the side to move's view, to sente's
// view. A mate value counts plies and is positive when the side to move mates; "mate 0" means the
// side to move is mated already. Centipawns beyond ±100000 are clamped.
Evaluation senteView(Side toMove, bool mate, long long value);

// The word for the evaluation: 互角 within ±299, then 有利 up to 799, 優勢 up to 1999 and 勝勢
// from 2000 or for a mate, each after 先手 or 後手.
std::string_view situationWord(const Evaluation &evaluation);

// The lines an analysis writes for one position, in this order: "#評価値=-123" (or
// "#詰み=先手勝ち:7手" for a mate), "#" and the situation word, "#読み筋=" with `pvText` when it is
// not empty, "#深さ=N" when depth is positive and "#エンジン=NAME" when the name is not empty.
std::vector<std::string> evaluationLines(const Evaluation &evaluation, std::string_view pvText, int depth,
                                         std::string_view engineName);

// The first line of a move the analysis labels: "【" + label + "】".
std::string labelLine(std::string_view label);

// Whether `line` is one an analysis writes for a position (evaluation, mate, situation word,
// reading, depth, engine), whichever program wrote it.
bool isEvaluationLine(std::string_view line);

// Replaces the lines of an earlier analysis in `comments` by `analysis`: the label line and the
// reason after it go first, the other comment lines follow unchanged, then the evaluation lines.
// Merging the same analysis twice gives the same lines as merging it once.
void mergeAnalysisLines(std::vector<std::string> &comments, const std::vector<std::string> &analysis);

// A position's comment lines taken apart: what an analysis wrote (its label line and reason, and
// its evaluation lines) and every other line, each kept as written and in its order.
struct CommentParts {
    // "【悪手】" and the reason after it; empty when the move has no label.
    std::string labelLine;
    std::string reason;
    std::vector<std::string> evaluation;
    std::vector<std::string> other;
};
CommentParts splitComments(const std::vector<std::string> &comments);

// The comment lines again, from `parts` with `other` replaced: the analysis's lines stay where
// mergeAnalysisLines puts them, so editing the other lines never disturbs them.
std::vector<std::string> joinComments(const CommentParts &parts, const std::vector<std::string> &other);

// The evaluation of a position's comment lines as one line a player reads:
// "評価値 +123（先手有利）　深さ 18　▲７六歩△３四歩…", "詰み 7手で先手勝ち（先手勝勢）"; empty when the
// lines hold no evaluation.
std::string readableEvaluation(const std::vector<std::string> &comments);

// The evaluation one position's comment lines hold, read from the first of "#評価値=N",
// "*評価値=N", "#詰み=..." (as written above) or a Floodgate "** N ..." line; none when no line
// holds a number that fits an int.
std::optional<Evaluation> evaluationInComments(const std::vector<std::string> &comments);
