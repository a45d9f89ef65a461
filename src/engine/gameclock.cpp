#include "engine/gameclock.h"

#include <algorithm>
#include <string_view>

namespace {

// Ten days: more than any game, little enough that no sum overflows.
constexpr std::int64_t kLongestMs = std::int64_t(10) * 24 * 3600 * 1000;

std::string durationText(std::int64_t ms) {
    const std::int64_t seconds = ms / 1000;
    std::string text;
    if (seconds >= 3600) text += std::to_string(seconds / 3600) + "時間";
    if (seconds % 3600 >= 60) text += std::to_string(seconds % 3600 / 60) + "分";
    if (ms == 0) return "0分";
    if (seconds % 60 != 0 || ms % 1000 != 0) {
        text += std::to_string(seconds % 60);
        if (ms % 1000 != 0) {
            // Milliseconds with their trailing zeros dropped: 0.3, 1.25, 2.125.
            std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
            while (fraction.back() == '0') fraction.pop_back();
            text += "." + fraction;
        }
        text += "秒";
    }
    return text;
}

}  // namespace

std::string timeControlText(const TimeControl &control) {
    std::string text;
    const auto add = [&text](std::string_view label, std::int64_t ms) {
        if (ms <= 0) return;
        if (!text.empty()) text += ' ';
        text += label;
        text += durationText(ms);
    };
    // The 持ち時間 is always named, 0 too, so that the text never begins with 秒読み.
    text = durationText(control.mainMs);
    add("秒読み", control.byoyomiMs);
    add("加算", control.incrementMs);
    return text;
}

bool readSecondsAsMs(std::string_view text, std::int64_t &ms) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (whole.empty() && fraction.empty()) return false;
    if (!digits(whole) || !digits(fraction) || (point != std::string_view::npos && fraction.empty())) return false;
    std::int64_t value = 0;
    for (char c : whole) {
        value = value * 10 + (c - '0');
        if (value > kLongestMs / 1000) return false;
    }
    value *= 1000;
    // The first three places are milliseconds; the fourth rounds them.
    std::int64_t scale = 100;
    for (std::size_t i = 0; i < fraction.size() && i < 3; ++i, scale /= 10) value += (fraction[i] - '0') * scale;
    if (fraction.size() > 3 && fraction[3] >= '5') ++value;
    if (value > kLongestMs) return false;
    ms = value;
    return true;
}

std::string timeControlProblem(const TimeControl &control) {
    if (control.mainMs < 0 || control.byoyomiMs < 0 || control.incrementMs < 0)
        return "時間に負の値があります";
    if (control.mainMs > kLongestMs || control.byoyomiMs > kLongestMs || control.incrementMs > kLongestMs)
        return "時間が長すぎます";
    if (control.byoyomiMs > 0 && control.incrementMs > 0) return "秒読みと加算は一緒に使えません";
    if (control.mainMs == 0 && control.byoyomiMs == 0 && control.incrementMs == 0)
        return "持ち時間・秒読み・加算のどれかを決めてください";
    return {};
}

GameClock::GameClock(const std::array<TimeControl, 2> &controls, const std::array<std::int64_t, 2> &marginMs)
    : controls_(controls), margins_(marginMs), remaining_{controls[0].mainMs, controls[1].mainMs} {}

void GameClock::startTurn(Side side, std::int64_t now) {
    side_ = side & 1;
    remaining_[side_] += controls_[side_].incrementMs;
    turnStart_ = now;
    running_ = true;
}

std::int64_t GameClock::stopTurn(std::int64_t now) {
    if (!running_) return 0;
    const std::int64_t spent = std::max<std::int64_t>(0, now - turnStart_);
    // 秒読み never eats into the 持ち時間 of the next move: once it is gone it stays gone.
    remaining_[side_] = std::max<std::int64_t>(0, remaining_[side_] - spent);
    running_ = false;
    return spent;
}

void GameClock::cancelTurn() {
    if (!running_) return;
    remaining_[side_] -= controls_[side_].incrementMs;
    running_ = false;
}

std::int64_t GameClock::remainingMs(Side side, std::int64_t now) const {
    side &= 1;
    if (!running_ || side != side_) return remaining_[side];
    return std::max<std::int64_t>(0, remaining_[side] - spentMs(now));
}

std::int64_t GameClock::byoyomiLeftMs(Side side, std::int64_t now) const {
    side &= 1;
    const std::int64_t byoyomi = controls_[side].byoyomiMs;
    if (!running_ || side != side_) return byoyomi;
    const std::int64_t over = spentMs(now) - remaining_[side];
    return over <= 0 ? byoyomi : std::max<std::int64_t>(0, byoyomi - over);
}

std::optional<std::int64_t> GameClock::flagTime() const {
    if (!running_) return std::nullopt;
    return turnStart_ + remaining_[side_] + controls_[side_].byoyomiMs + margins_[side_];
}

bool GameClock::flagFell(std::int64_t now) const {
    const std::optional<std::int64_t> flag = flagTime();
    return flag && now > *flag;
}

GameClock::Reading GameClock::reading() const {
    std::array<std::int64_t, 2> before = remaining_;
    if (running_) before[side_] -= controls_[side_].incrementMs;
    Reading reading{before[SENTE], before[GOTE], controls_[side_].byoyomiMs, 0, 0};
    if (controls_[SENTE].incrementMs > 0 || controls_[GOTE].incrementMs > 0) {
        reading.byoyomiMs = 0;
        reading.senteIncMs = controls_[SENTE].incrementMs;
        reading.goteIncMs = controls_[GOTE].incrementMs;
    }
    return reading;
}
