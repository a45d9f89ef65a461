// The attack balance around a move: the squares it changes and each side's share.
#include "review/balance.h"

#include <gtest/gtest.h>

#include "common/records.h"
#include "engine/pv.h"
#include "record/sfen.h"

namespace {

using Words = std::vector<std::string>;
const char *const kMateInOne = "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1";

TEST(AttackBalance, ChangedSquaresAndEachSidesShare) {
    ZnBan game, after;
    ASSERT_EQ(translatePv(loadSfen(game, kMateInOne), {"G*5b"}, after).moves.size(), 1u);
    Words texts;
    for (const BalanceChange &change : changedBalances(game, after))
        texts.push_back(balanceChangeText(change));
    // The gold evens the squares beside gote's king and takes the king's own square and the one
    // behind it; its own square stays even (the pawn against the king).
    EXPECT_EQ(texts, (Words{"４一 0対1 → 1対1", "５一 0対0 → 1対0", "６一 0対1 → 1対1", "４二 0対1 → 1対1",
                            "６二 0対1 → 1対1", "５三 0対0 → 1対0"}));
    const SideBalance gote = sideBalance(after, GOTE);
    EXPECT_EQ(std::make_pair(gote.kingZoneSquaresAttacked, gote.kingZoneAttacks), std::make_pair(5, 5));
    EXPECT_TRUE(gote.losing.empty());
    ZnBan hanging;
    const SideBalance sente = sideBalance(loadSfen(hanging, "sfen 4k4/9/4p4/4+P4/9/9/9/9/4K4 b - 1"), SENTE);
    EXPECT_EQ(sente.losing, std::vector<Square>{static_cast<Square>(squareAt(3, 4))});
    // It says what it counts, and names the piece as players do.
    const std::string text = sideBalanceText(hanging, SENTE, sente);
    EXPECT_TRUE(text.starts_with("先手 利き " + std::to_string(sente.squaresAhead) + "マス多い・")) << text;
    EXPECT_NE(text.find("・取られる駒 ５四と金・"), std::string::npos) << text;
}

}  // namespace
