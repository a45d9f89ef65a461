#pragma once
// What a game by the rules asks of the position, in the shape the referee needs: whether a move is
// legal, whether the side to move has any move, repetition after the last move and the declaration.

#include <string>

#include "core/znban.h"
#include "record/play.h"

enum class DeclarationRule { None, Points27, Points24 };
enum class DeclarationVerdict { Win, Draw, Loss };
enum class RepetitionVerdict { None, Draw, SenteLoses, GoteLoses };

// Why `move` is not legal for the side to move under the rules, in Japanese; empty when it is.
std::string ruleRefusal(ZnBan &game, const MoveSpec &move);
// Whether the side to move has a legal move.
bool hasLegalMove(ZnBan &game);
// Whether the position after the last move is the fourth of a repetition, and who loses by it.
RepetitionVerdict repetitionAfterLastMove(ZnBan &game);
// What the side to move's declaration comes to under `rule`.
DeclarationVerdict declarationVerdict(ZnBan &game, DeclarationRule rule);
