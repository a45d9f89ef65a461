#pragma once
// The sequential probability ratio test of a series, as engine authors run it in chess (fastchess,
// fishtest): does the first engine stand elo1 above the second rather than elo0? The generalised
// SPRT on the score, with logistic Elo bounds: the log-likelihood ratio of the most likely result
// distributions whose expected scores are those of elo1 and elo0, given the counts seen so far.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SprtSettings {
    double elo0 = 0.0;
    double elo1 = 10.0;
    double alpha = 0.05;
    double beta = 0.05;
    bool operator==(const SprtSettings &) const = default;
};

// Reads "elo0=E0,elo1=E1,alpha=A,beta=B" (alpha and beta may be left out: 0.05 each). Empty when it
// reads, else why not in Japanese: E1 must exceed E0, alpha and beta lie in (0, 0.5).
std::string readSprt(std::string_view text, SprtSettings &settings);
// Why `settings` cannot be tested ("elo1 は elo0 より大きくしてください"), in Japanese; empty when
// they can.
std::string sprtProblem(const SprtSettings &settings);

// log(beta / (1 - alpha)) and log((1 - beta) / alpha): below the first H0 is accepted, above the
// second H1.
double sprtLowerBound(const SprtSettings &settings);
double sprtUpperBound(const SprtSettings &settings);

// The log-likelihood ratio of H1 to H0 for `counts`, ordered by score from the first engine's view:
// three (losses, draws, wins) for games, five (0, ½, 1, 1½, 2 points) for game pairs. A count of
// zero is taken as 0.001, as fishtest does, so that results all alike give a finite ratio.
double sprtLlr(const std::vector<int> &counts, const SprtSettings &settings);

enum class SprtVerdict { Continue, H0, H1 };
SprtVerdict sprtVerdict(double llr, const SprtSettings &settings);

// "LLR: 1.71 (-2.94, 2.94) [0.00, 10.00]".
std::string sprtLine(double llr, const SprtSettings &settings);
// "H1 accepted", "H0 accepted", or empty while the test goes on.
std::string sprtVerdictText(SprtVerdict verdict);
