#include "engine/usiline.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <limits>

#include "support/text.h"

namespace {

// The words of a line and where each starts, so that a field may take the rest of the line as
// written.
class Words {
public:
    explicit Words(std::string_view line) : line_(line) {}

    bool atEnd() {
        skipSpace();
        return at_ >= line_.size();
    }
    std::string_view peek() {
        skipSpace();
        std::size_t end = at_;
        while (end < line_.size() && !isSpace(line_[end])) ++end;
        return line_.substr(at_, end - at_);
    }
    std::string_view next() {
        const std::string_view word = peek();
        at_ += word.size();
        return word;
    }
    // Everything left, without the spaces around it.
    std::string_view rest() {
        skipSpace();
        std::string_view left = line_.substr(at_);
        while (!left.empty() && isSpace(left.back())) left.remove_suffix(1);
        at_ = line_.size();
        return left;
    }
    // The words up to (not including) the next one in `stops`, as written with their inner spaces.
    std::string_view until(std::initializer_list<std::string_view> stops) {
        skipSpace();
        const std::size_t start = at_;
        std::size_t end = at_;
        while (!atEnd()) {
            const std::string_view word = peek();
            if (std::find(stops.begin(), stops.end(), word) != stops.end()) break;
            next();
            end = at_;
        }
        return line_.substr(start, end - start);
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t'; }
    void skipSpace() {
        while (at_ < line_.size() && isSpace(line_[at_])) ++at_;
    }

    std::string_view line_;
    std::size_t at_ = 0;
};

OptionType optionTypeOf(std::string_view word) {
    if (word == "check") return OptionType::Check;
    if (word == "spin") return OptionType::Spin;
    if (word == "combo") return OptionType::Combo;
    if (word == "button") return OptionType::Button;
    if (word == "string") return OptionType::String;
    if (word == "filename") return OptionType::Filename;
    return OptionType::Unknown;
}

// The protocol writes an empty string value as "<empty>".
std::string optionValue(std::string_view text) {
    return text == "<empty>" ? std::string() : std::string(text);
}

UsiOption readOption(Words &words) {
    UsiOption option;
    while (!words.atEnd()) {
        const std::string_view key = words.next();
        const std::string_view value = words.until({"name", "type", "default", "min", "max", "var"});
        if (key == "name")
            option.name = value;
        else if (key == "type")
            option.type = optionTypeOf(value);
        else if (key == "default")
            option.defaultValue = optionValue(value);
        else if (key == "min")
            option.min = parseInteger(value);
        else if (key == "max")
            option.max = parseInteger(value);
        else if (key == "var")
            option.vars.emplace_back(value);
    }
    return option;
}

// Reads the next word as a number that must fit `Number`; marks the info when it does not.
template <typename Number>
void readNumber(Words &words, std::optional<Number> &field, UsiInfo &info) {
    const std::string_view word = words.next();
    const std::optional<std::int64_t> value = parseInteger(word);
    if (value && *value >= std::numeric_limits<Number>::min() &&
        *value <= std::numeric_limits<Number>::max()) {
        field = static_cast<Number>(*value);
        return;
    }
    field.reset();
    // A word that is all digits but too long is an overflow; anything else is just unreadable.
    const bool digits = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '+';
    });
    info.overflow = info.overflow || digits;
}

void readScore(Words &words, UsiInfo &info) {
    UsiScore score;
    const std::string_view kind = words.next();
    const std::string_view word = words.next();
    if (kind == "mate") {
        score.mate = true;
        if (word == "+" || word == "-") {
            score.mateKnown = false;
            score.value = word == "+" ? 1 : -1;
        } else if (std::optional<std::int64_t> value = parseInteger(word)) {
            // "-0" reads as 0 like "0": the side to move is mated now.
            score.value = *value;
        } else {
            info.overflow = info.overflow || !word.empty();
            return;
        }
    } else if (kind == "cp") {
        const std::optional<std::int64_t> value = parseInteger(word);
        if (!value) {
            info.overflow = info.overflow || !word.empty();
            return;
        }
        score.value = *value;
    } else {
        return;
    }
    const std::string_view bound = words.peek();
    if (bound == "lowerbound" || bound == "upperbound") {
        score.bound = bound == "lowerbound" ? ScoreBound::Lower : ScoreBound::Upper;
        words.next();
    }
    info.score = score;
}

UsiInfo readInfo(Words &words) {
    UsiInfo info;
    while (!words.atEnd()) {
        const std::string_view key = words.next();
        if (key == "depth")
            readNumber(words, info.depth, info);
        else if (key == "seldepth")
            readNumber(words, info.seldepth, info);
        else if (key == "time")
            readNumber(words, info.time, info);
        else if (key == "nodes")
            readNumber(words, info.nodes, info);
        else if (key == "nps")
            readNumber(words, info.nps, info);
        else if (key == "hashfull")
            readNumber(words, info.hashfull, info);
        else if (key == "multipv")
            readNumber(words, info.multipv, info);
        else if (key == "score")
            readScore(words, info);
        else if (key == "currmove")
            info.currmove = words.next();
        else if (key == "string")
            info.text = words.rest();
        else if (key == "pv")
            while (!words.atEnd()) info.pv.emplace_back(words.next());
        else if (key == "currmovenumber" || key == "cpuload" || key == "tbhits")
            words.next();
        // Any other word is skipped alone, so one unknown field costs only itself.
    }
    return info;
}

UsiBestMove readBestMove(Words &words) {
    UsiBestMove best;
    best.move = words.next();
    best.resign = best.move == "resign";
    best.win = best.move == "win";
    if (words.next() == "ponder") best.ponder = words.next();
    return best;
}

}  // namespace

std::optional<std::int64_t> parseInteger(std::string_view word) {
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    if (word.empty()) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

UsiLine parseUsiLine(std::string_view text) {
    UsiLine line;
    Words words(text);
    if (words.atEnd()) return line;
    const std::string_view first = words.next();
    if (first == "info") {
        line.type = UsiLineType::Info;
        line.info = readInfo(words);
    } else if (first == "bestmove") {
        line.type = UsiLineType::BestMove;
        line.best = readBestMove(words);
    } else if (first == "option") {
        line.type = UsiLineType::Option;
        line.option = readOption(words);
    } else if (first == "id") {
        line.type = UsiLineType::Id;
        line.idKey = words.next();
        line.idValue = words.rest();
    } else if (first == "usiok") {
        line.type = UsiLineType::UsiOk;
    } else if (first == "readyok") {
        line.type = UsiLineType::ReadyOk;
    } else {
        line.type = UsiLineType::Unknown;
    }
    return line;
}

std::string repairUtf8(std::string_view text, bool &changed) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    changed = false;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = wellFormedUtf8At(text, i).length;
        const bool valid = length > 0;
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out.append(replacement);
            changed = true;
            ++i;
        }
    }
    return out;
}

void UsiLineSplitter::feed(std::string_view bytes, const std::function<void(std::string &&line)> &line) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!discarding_) {
            if (pending_.size() + part.size() > kMaxLineBytes) {
                discarding_ = true;
                pending_.clear();
                pending_.shrink_to_fit();
            } else {
                pending_.append(part);
            }
        }
        if (end == std::string_view::npos) return;
        finishLine(line);
        bytes.remove_prefix(end + 1);
    }
}

void UsiLineSplitter::finishLine(const std::function<void(std::string &&line)> &line) {
    if (discarding_) {
        discarding_ = false;
        ++dropped_;
        return;
    }
    if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
    bool changed = false;
    std::string repaired = repairUtf8(pending_, changed);
    if (changed) ++repaired_;
    pending_.clear();
    line(std::move(repaired));
}
