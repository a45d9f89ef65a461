#include "engine/gamerules.h"

// Until the rules of shogi are in the core, a game is refereed by the free board's rules alone:
// the record refuses what the board refuses, and no position ends the game by itself.

std::string ruleRefusal(ZnBan &, const MoveSpec &) { return {}; }

bool hasLegalMove(ZnBan &) { return true; }

RepetitionVerdict repetitionAfterLastMove(ZnBan &) { return RepetitionVerdict::None; }

DeclarationVerdict declarationVerdict(ZnBan &, DeclarationRule) { return DeclarationVerdict::Loss; }
