#include "engine/sprt.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "support/text.h"

namespace {

// The expected score of a side that stands `elo` above its opponent (logistic Elo).
double scoreOfElo(double elo) { return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0)); }

// The most likely distribution over `scores` with expectation `s`, given the empirical `p` (every
// entry positive): p_i / (1 + θ (a_i − s)), θ the root of Σ p_i (a_i − s) / (1 + θ (a_i − s)) = 0
// (M. Van den Bergh, "Comments on Normalized Elo", proposition 1.1). The sum falls strictly with
// θ over its domain, so halving the interval finds the root.
std::vector<double> likeliest(const std::vector<double> &scores, const std::vector<double> &p, double s) {
    const auto sum = [&](double theta) {
        double total = 0.0;
        for (std::size_t i = 0; i < scores.size(); ++i)
            total += p[i] * (scores[i] - s) / (1.0 + theta * (scores[i] - s));
        return total;
    };
    double low = -1.0 / (scores.back() - s), high = -1.0 / (scores.front() - s);
    for (int step = 0; step < 200; ++step) {
        const double middle = (low + high) / 2.0;
        if (middle <= low || middle >= high) break;
        (sum(middle) > 0.0 ? low : high) = middle;
    }
    const double theta = (low + high) / 2.0;
    std::vector<double> result(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) result[i] = p[i] / (1.0 + theta * (scores[i] - s));
    return result;
}

bool readNumber(std::string_view text, double &value) {
    const std::string copy(text);
    if (copy.empty()) return false;
    char *end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

}  // namespace

std::string readSprt(std::string_view text, SprtSettings &settings) {
    SprtSettings read;
    bool elo0 = false, elo1 = false;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const std::size_t equals = item.find('=');
        double value = 0.0;
        if (equals == std::string_view::npos || !readNumber(trimmed(item.substr(equals + 1)), value))
            return "--sprt の項目が読めません: " + std::string(item);
        const std::string_view key = trimmed(item.substr(0, equals));
        if (key == "elo0") read.elo0 = value, elo0 = true;
        else if (key == "elo1") read.elo1 = value, elo1 = true;
        else if (key == "alpha") read.alpha = value;
        else if (key == "beta") read.beta = value;
        else return "--sprt の知らない項目です: " + std::string(key);
    }
    if (!elo0 || !elo1) return "--sprt には elo0 と elo1 が要ります";
    if (std::string problem = sprtProblem(read); !problem.empty()) return "--sprt の " + problem;
    settings = read;
    return {};
}

std::string sprtProblem(const SprtSettings &settings) {
    if (std::abs(settings.elo0) > 1000 || std::abs(settings.elo1) > 1000) return "Elo が大きすぎます";
    if (!(settings.elo1 > settings.elo0)) return "elo1 は elo0 より大きくしてください";
    if (!(settings.alpha > 0.0 && settings.alpha < 0.5) || !(settings.beta > 0.0 && settings.beta < 0.5))
        return "alpha と beta は 0 と 0.5 の間にしてください";
    return {};
}

double sprtLowerBound(const SprtSettings &settings) {
    return std::log(settings.beta / (1.0 - settings.alpha));
}

double sprtUpperBound(const SprtSettings &settings) {
    return std::log((1.0 - settings.beta) / settings.alpha);
}

double sprtLlr(const std::vector<int> &counts, const SprtSettings &settings) {
    if (counts.size() < 2) return 0.0;
    bool any = false;
    for (int count : counts) any = any || count > 0;
    if (!any) return 0.0;
    std::vector<double> scores, p;
    double total = 0.0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        scores.push_back(static_cast<double>(i) / static_cast<double>(counts.size() - 1));
        p.push_back(counts[i] > 0 ? counts[i] : 1e-3);
        total += p.back();
    }
    for (double &value : p) value /= total;
    const std::vector<double> p0 = likeliest(scores, p, scoreOfElo(settings.elo0));
    const std::vector<double> p1 = likeliest(scores, p, scoreOfElo(settings.elo1));
    double llr = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) llr += p[i] * (std::log(p1[i]) - std::log(p0[i]));
    return total * llr;
}

SprtVerdict sprtVerdict(double llr, const SprtSettings &settings) {
    if (llr >= sprtUpperBound(settings)) return SprtVerdict::H1;
    if (llr <= sprtLowerBound(settings)) return SprtVerdict::H0;
    return SprtVerdict::Continue;
}

std::string sprtLine(double llr, const SprtSettings &settings) {
    char text[128];
    // -0.00 reads as a sign where there is none.
    const auto clean = [](double value) { return std::abs(value) < 0.005 ? 0.0 : value; };
    std::snprintf(text, sizeof text, "LLR: %.2f (%.2f, %.2f) [%.2f, %.2f]", clean(llr),
                  sprtLowerBound(settings), sprtUpperBound(settings), clean(settings.elo0), clean(settings.elo1));
    return text;
}

std::string sprtVerdictText(SprtVerdict verdict) {
    switch (verdict) {
        case SprtVerdict::H0: return "H0 accepted";
        case SprtVerdict::H1: return "H1 accepted";
        case SprtVerdict::Continue: break;
    }
    return {};
}
