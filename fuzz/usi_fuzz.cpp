// Whatever an engine prints: cut into lines, read, fed to a session in every state and its PVs
// played on the board. Nothing may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/pv.h"
#include "engine/session.h"
#include "record/sfen.h"

namespace {

struct QuietHost : EngineSessionHost {
    void sendLine(const std::string &) override {}
    void killProcess() override {}
    void searchInfo(const UsiInfo &info) override { pvs.push_back(info.pv); }
    void searchEnded(const UsiBestMove &best) override { pvs.push_back({best.move, best.ponder}); }
    void engineFault(const std::string &) override {}
    void stateChanged(EngineState) override {}
    std::vector<std::vector<std::string>> pvs;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static ZnBan start;
    static const bool ready = [] {
        RecordNotes notes;
        return readSfen(start, notes, "startpos").ok;
    }();
    if (!ready) return 0;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    QuietHost host;
    EngineSession session(profileFor(size % 2 ? "/usr/games/gpsusi" : "fake"), host);
    session.start(0);
    UsiLineSplitter splitter;
    std::int64_t now = 0;
    // Two chunks, so that a line may be cut anywhere.
    for (std::string_view chunk : {bytes.substr(0, size / 3), bytes.substr(size / 3)})
        splitter.feed(chunk, [&](std::string &&line) {
            session.lineReceived(line, ++now);
            if (session.state() == EngineState::Idle)
                session.analyse("position startpos", UsiGo::infinite(), now);
            session.tick(now * 1000);
        });
    ZnBan scratch;
    for (const auto &pv : host.pvs) translatePv(start, pv, scratch);
    return 0;
}
