#include "engine/matchscore.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

double eloDifference(double ratio) { return -400.0 * std::log10(1.0 / ratio - 1.0); }

// The inverse of the error function, by Winitzki's approximation refined with two Newton steps.
double inverseErf(double x) {
    const double a = 0.147;
    const double ln = std::log(1.0 - x * x);
    const double first = 2.0 / (M_PI * a) + ln / 2.0;
    double y = std::copysign(std::sqrt(std::sqrt(first * first - ln / a) - first), x);
    for (int i = 0; i < 2; ++i) y -= (std::erf(y) - x) / (2.0 / std::sqrt(M_PI) * std::exp(-y * y));
    return y;
}

// The standard normal quantile.
double phiInverse(double p) { return std::sqrt(2.0) * inverseErf(2.0 * p - 1.0); }

}  // namespace

double MatchScore::ratio() const {
    return games() == 0 ? 0.0 : (wins + 0.5 * draws) / static_cast<double>(games());
}

namespace {

// The estimate from `counts` of outcomes worth 0 to 1 in equal steps.
template <std::size_t N>
EloEstimate eloOfCounts(const std::array<int, N> &counts) {
    EloEstimate elo;
    int n = 0;
    double points = 0.0;
    for (std::size_t i = 0; i < N; ++i) {
        n += counts[i];
        points += counts[i] * static_cast<double>(i) / (N - 1);
    }
    if (n == 0) return elo;
    const double mu = points / n;
    if (mu <= 0.0 || mu >= 1.0) return elo;
    elo.difference = eloDifference(mu);
    double variance = 0.0;
    for (std::size_t i = 0; i < N; ++i) {
        const double away = static_cast<double>(i) / (N - 1) - mu;
        variance += counts[i] / static_cast<double>(n) * away * away;
    }
    const double deviation = std::sqrt(variance) / std::sqrt(static_cast<double>(n));
    const double z = phiInverse(0.975);
    const double low = mu - z * deviation, high = mu + z * deviation;
    if (low > 0.0 && high < 1.0) elo.margin = (eloDifference(high) - eloDifference(low)) / 2.0;
    return elo;
}

}  // namespace

EloEstimate eloOf(const MatchScore &score) {
    return eloOfCounts(std::array<int, 3>{score.losses, score.draws, score.wins});
}

EloEstimate eloOf(const Pentanomial &pentanomial) { return eloOfCounts(pentanomial.pairs); }

double losOf(const MatchScore &score) {
    const int decisive = score.wins + score.losses;
    if (decisive == 0) return 0.5;
    return 0.5 * (1.0 + std::erf((score.wins - score.losses) / std::sqrt(2.0 * decisive)));
}

std::string eloText(const EloEstimate &elo, const MatchScore &score) {
    if (score.games() == 0) return "-";
    if (!elo.difference) return score.ratio() >= 1.0 ? "+inf" : "-inf";
    char text[64];
    // An even score is +0.0, not the -0.0 the logarithm gives.
    const double difference = *elo.difference == 0.0 ? 0.0 : *elo.difference;
    if (elo.margin)
        std::snprintf(text, sizeof text, "%+.1f ± %.1f", difference, *elo.margin);
    else
        std::snprintf(text, sizeof text, "%+.1f ± inf", difference);
    return text;
}
