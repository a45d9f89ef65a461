#include "engine/series.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>

namespace {

// The points (in halves) A took from a game that counts.
int halvesOfA(const SeriesEntry &entry) {
    const Side sideOfA = entry.index % 2 == 0 ? SENTE : GOTE;
    if (!entry.result.winner) return 1;
    return *entry.result.winner == sideOfA ? 2 : 0;
}

std::string percent(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100.0 * ratio);
    return text;
}

const char *endName(SeriesEnd end) {
    switch (end) {
        case SeriesEnd::Running: return "running";
        case SeriesEnd::Done: return "done";
        case SeriesEnd::H0: return "H0";
        case SeriesEnd::H1: return "H1";
        case SeriesEnd::Stopped: return "stopped";
        case SeriesEnd::Failed: return "failed";
    }
    return "";
}

}  // namespace

Series::Series(SeriesSettings settings) : settings_(std::move(settings)) {
    openings_ = settings_.openings;
    if (openings_.empty()) openings_.push_back({"startpos", "position startpos"});
    paired_ = settings_.paired || openings_.size() > 1;
    settings_.concurrency = std::max(1, settings_.concurrency);
    for (int i = 0; i < static_cast<int>(openings_.size()); ++i) order_.push_back(i);
    if (settings_.randomOrder) {
        // Fisher–Yates on the generator's own numbers, so that a seed gives the same order with
        // every standard library.
        std::mt19937_64 random(settings_.seed);
        for (std::size_t i = order_.size(); i > 1; --i) std::swap(order_[i - 1], order_[random() % i]);
    }
}

std::optional<SeriesGame> Series::next() {
    if (stopping_ || running() >= settings_.concurrency) return std::nullopt;
    int index = 0;
    if (!retry_.empty()) {
        index = retry_.front();
        retry_.erase(retry_.begin());
    } else if (next_ < settings_.games) {
        index = next_++;
    } else {
        return std::nullopt;
    }
    running_.push_back(index);
    const std::size_t pair = static_cast<std::size_t>(index / 2);
    return SeriesGame{index, order_[pair % order_.size()], index % 2 == 0 ? SENTE : GOTE};
}

void Series::finished(const SeriesEntry &entry) {
    std::erase(running_, entry.index);
    entries_.push_back(entry);
    if (entry.result.end == GameEnd::Stopped || entry.result.end == GameEnd::None) return;
    const int halves = halvesOfA(entry);
    ++(halves == 2 ? score_.wins : halves == 0 ? score_.losses : score_.draws);
    bool judge = !paired_;
    if (paired_) {
        const int pair = entry.index / 2;
        if (const auto other = halfPair_.find(pair); other != halfPair_.end()) {
            ++pentanomial_.pairs[static_cast<std::size_t>(other->second + halves)];
            halfPair_.erase(other);
            judge = true;
        } else {
            halfPair_[pair] = halves;
        }
    }
    if (judge && settings_.sprt && verdict_ == SprtVerdict::Continue) {
        verdict_ = sprtVerdict(llr(), *settings_.sprt);
        if (verdict_ != SprtVerdict::Continue) stopping_ = true;
    }
}

bool Series::notStarted(int index) {
    std::erase(running_, index);
    if (!entries_.empty() && ++retries_[index] <= 3 && !stopping_) {
        retry_.push_back(index);
        return true;
    }
    failed_ = true;
    stopping_ = true;
    return false;
}

void Series::abandoned(int index) { std::erase(running_, index); }

void Series::stop() { stopping_ = true; }

SeriesEnd Series::end() const {
    if (!running_.empty()) return SeriesEnd::Running;
    if (failed_) return SeriesEnd::Failed;
    if (verdict_ == SprtVerdict::H0) return SeriesEnd::H0;
    if (verdict_ == SprtVerdict::H1) return SeriesEnd::H1;
    if (stopping_) return SeriesEnd::Stopped;
    if (next_ >= settings_.games && retry_.empty()) return SeriesEnd::Done;
    return SeriesEnd::Running;
}

double Series::llr() const {
    if (!settings_.sprt) return 0.0;
    if (paired_) return sprtLlr({pentanomial_.pairs.begin(), pentanomial_.pairs.end()}, *settings_.sprt);
    return sprtLlr({score_.losses, score_.draws, score_.wins}, *settings_.sprt);
}

std::uint64_t Series::bookSeed(int index) const {
    const auto pair = static_cast<std::uint64_t>(index / 2);
    // splitmix64's finaliser: neighbouring games get unrelated seeds.
    std::uint64_t z = settings_.seed + (pair + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::string Series::recordName(int index, const std::string &extension) const {
    const std::size_t digits = std::max<std::size_t>(3, std::to_string(settings_.games).size());
    std::string number = std::to_string(index + 1);
    if (number.size() < digits) number.insert(0, digits - number.size(), '0');
    return number + "." + extension;
}

std::vector<std::string> seriesSummary(const Series &series) {
    std::vector<std::string> lines;
    const MatchScore &score = series.score();
    if (score.games() == 0) return lines;
    const bool pairs = series.paired() && series.pentanomial().count() > 0;
    const Pentanomial &penta = series.pentanomial();
    const EloEstimate elo = pairs ? eloOf(penta) : eloOf(score);
    const double drawRatio = score.draws / static_cast<double>(score.games());
    lines.push_back("Elo: " + eloText(elo, score) + " (95 %), LOS: " + percent(losOf(score)) +
                    ", DrawRatio: " + percent(drawRatio));
    if (pairs) {
        std::string ptnml = "Ptnml(0-2): [";
        for (std::size_t i = 0; i < penta.pairs.size(); ++i)
            ptnml += (i == 0 ? "" : ", ") + std::to_string(penta.pairs[i]);
        lines.push_back(ptnml + "]");
    }
    if (const auto &sprt = series.settings().sprt) {
        std::string line = sprtLine(series.llr(), *sprt);
        if (series.verdict() != SprtVerdict::Continue) line += "  " + sprtVerdictText(series.verdict());
        lines.push_back(line);
    }
    return lines;
}

std::string seriesJson(const Series &series, const std::array<std::string, 2> &engineNames) {
    using nlohmann::json;
    json games = json::array();
    std::vector<SeriesEntry> entries = series.entries();
    std::sort(entries.begin(), entries.end(),
              [](const SeriesEntry &a, const SeriesEntry &b) { return a.index < b.index; });
    for (const SeriesEntry &entry : entries) {
        const GameResult &result = entry.result;
        const char *outcome = result.end == GameEnd::Stopped ? "none"
                              : !result.winner              ? "draw"
                              : *result.winner == SENTE     ? "sente"
                                                            : "gote";
        json game{{"index", entry.index + 1},
                  {"opening", series.opening(entry.opening).usi},
                  {"opening_source", series.opening(entry.opening).source},
                  {"sente", entry.names[SENTE]},
                  {"gote", entry.names[GOTE]},
                  {"result", outcome},
                  {"reason", endReasonText(result)},
                  {"plies", result.moves},
                  {"file", entry.file}};
        game["winner"] = result.winner ? json(entry.names[*result.winner]) : json(nullptr);
        games.push_back(std::move(game));
    }
    const MatchScore &score = series.score();
    const bool pairs = series.paired() && series.pentanomial().count() > 0;
    const EloEstimate elo = pairs ? eloOf(series.pentanomial()) : eloOf(score);
    // An even score is 0, not the -0 the logarithm gives.
    const auto optional = [](const std::optional<double> &value) {
        return value ? json(*value == 0.0 ? 0.0 : *value) : json(nullptr);
    };
    json summary{{"engines", engineNames},
                 {"games", score.games()},
                 {"wins", score.wins},
                 {"losses", score.losses},
                 {"draws", score.draws},
                 {"points", score.wins + 0.5 * score.draws},
                 {"elo", optional(elo.difference)},
                 {"elo_margin", optional(elo.margin)},
                 {"los", losOf(score)},
                 {"end", endName(series.end())}};
    if (score.games() > 0) summary["draw_ratio"] = score.draws / double(score.games());
    if (series.paired()) summary["pentanomial"] = series.pentanomial().pairs;
    if (const auto &sprt = series.settings().sprt) {
        const char *state = series.verdict() == SprtVerdict::H1   ? "H1"
                            : series.verdict() == SprtVerdict::H0 ? "H0"
                                                                  : "continue";
        summary["sprt"] = json{{"elo0", sprt->elo0},
                               {"elo1", sprt->elo1},
                               {"alpha", sprt->alpha},
                               {"beta", sprt->beta},
                               {"llr", series.llr()},
                               {"lower_bound", sprtLowerBound(*sprt)},
                               {"upper_bound", sprtUpperBound(*sprt)},
                               {"state", state}};
    }
    return json{{"games", games}, {"summary", summary}}.dump(2) + "\n";
}
