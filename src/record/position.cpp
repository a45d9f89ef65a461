#include "record/position.h"

#include <algorithm>

void PositionSpec::put(Square square, PieceCode pieceCode, Side owner) {
    if (square >= SQUARE_COUNT) return;
    code[square] = static_cast<std::int8_t>(pieceCode);
    side[square] = owner & 1;
}

bool PositionSpec::operator==(const PositionSpec &other) const {
    for (Square square = 0; square < SQUARE_COUNT; ++square) {
        if (code[square] != other.code[square]) return false;
        if (code[square] != EMPTY && side[square] != other.side[square]) return false;
    }
    return hands == other.hands && turn == other.turn;
}

namespace {

// The back rank from file 9 to file 1, as each side sees it from sente's chair.
constexpr std::array<PieceKind, 9> BACK_RANK = {LANCE, KNIGHT, SILVER, GOLD, KING,
                                                GOLD,  SILVER, KNIGHT, LANCE};

constexpr Square at(int file, int rank) { return static_cast<Square>(squareAt(rank - 1, file - 1)); }

struct Handicap {
    std::string_view name;
    // Gote's pieces taken away, as squares of the standard start.
    std::vector<Square> removed;
};

const std::vector<Handicap> &handicaps() {
    // The giver is gote, and left and right are its own: facing sente, its left hand is on file 1.
    // So its left lance stands on 1一, its left knight on 2一, its rook on 8二 and its bishop on 2二.
    const Square leftLance = at(1, 1), rightLance = at(9, 1), leftKnight = at(2, 1), rightKnight = at(8, 1);
    const Square rook = at(8, 2), bishop = at(2, 2);
    const Square leftSilver = at(3, 1), rightSilver = at(7, 1), leftGold = at(4, 1), rightGold = at(6, 1);
    static const std::vector<Handicap> table = {
        {"平手", {}},
        {"香落ち", {leftLance}},
        {"右香落ち", {rightLance}},
        {"角落ち", {bishop}},
        {"飛車落ち", {rook}},
        {"飛香落ち", {rook, leftLance}},
        {"二枚落ち", {rook, bishop}},
        {"三枚落ち", {rook, bishop, leftLance}},
        {"四枚落ち", {rook, bishop, leftLance, rightLance}},
        {"五枚落ち", {rook, bishop, leftLance, rightLance, rightKnight}},
        {"左五枚落ち", {rook, bishop, leftLance, rightLance, leftKnight}},
        {"六枚落ち", {rook, bishop, leftLance, rightLance, leftKnight, rightKnight}},
        {"左七枚落ち", {rook, bishop, leftLance, rightLance, leftKnight, rightKnight, leftSilver}},
        {"右七枚落ち", {rook, bishop, leftLance, rightLance, leftKnight, rightKnight, rightSilver}},
        {"八枚落ち", {rook, bishop, leftLance, rightLance, leftKnight, rightKnight, leftSilver, rightSilver}},
        {"十枚落ち",
         {rook, bishop, leftLance, rightLance, leftKnight, rightKnight, leftSilver, rightSilver, leftGold,
          rightGold}},
    };
    return table;
}

PositionSpec startWithout(const Handicap &handicap) {
    PositionSpec start = standardStart();
    for (Square square : handicap.removed) start.code[square] = PositionSpec::EMPTY;
    if (!handicap.removed.empty()) start.turn = GOTE;
    return start;
}

const char *const KIND_NAMES[KIND_COUNT] = {"玉", "飛", "角", "金", "銀", "桂", "香", "歩"};

}  // namespace

PositionSpec standardStart() {
    PositionSpec start;
    for (int column = 0; column < 9; ++column) {
        const PieceKind kind = BACK_RANK[static_cast<std::size_t>(8 - column)];
        start.put(static_cast<Square>(squareAt(8, column)), kind, SENTE);
        start.put(static_cast<Square>(squareAt(0, column)), kind, GOTE);
        start.put(static_cast<Square>(squareAt(6, column)), PAWN, SENTE);
        start.put(static_cast<Square>(squareAt(2, column)), PAWN, GOTE);
    }
    start.put(at(2, 8), ROOK, SENTE);
    start.put(at(8, 8), BISHOP, SENTE);
    start.put(at(8, 2), ROOK, GOTE);
    start.put(at(2, 2), BISHOP, GOTE);
    return start;
}

const std::vector<std::string_view> &handicapNames() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> list;
        for (const Handicap &handicap : handicaps()) list.push_back(handicap.name);
        return list;
    }();
    return names;
}

bool handicapStart(std::string_view name, PositionSpec &start) {
    for (const Handicap &handicap : handicaps()) {
        if (handicap.name != name) continue;
        start = startWithout(handicap);
        return true;
    }
    return false;
}

std::string_view handicapNameOf(const PositionSpec &start) {
    for (const Handicap &handicap : handicaps())
        if (startWithout(handicap) == start) return handicap.name;
    return {};
}

PositionSpec positionOf(const ZnBan &game) {
    PositionSpec position;
    for (Square square = 0; square < SQUARE_COUNT; ++square)
        if (const Koma *piece = game.pieceAt(square)) position.put(square, piece->code(), piece->side());
    for (Side side : {SENTE, GOTE})
        for (const Koma *piece : game.hand(side)) ++position.hands[side][piece->kind()];
    position.turn = game.turn();
    return position;
}

std::string buildGame(ZnBan &game, const PositionSpec &position) {
    game.clearPieces();
    game.resetBoard();
    KomaFukuro set;
    // Takes one piece of the set; a kind the set has run out of means the position is impossible.
    auto take = [&](PieceCode code, Square square, Side owner) -> std::string {
        const PieceKind kind = baseKindOf(code);
        if (code >= CODE_COUNT || (isPromotedCode(code) && (kind == KING || kind == GOLD)))
            return "存在しない駒があります";
        const std::size_t before = set.taken().size();
        set.takePiece(code, square, owner);
        if (set.taken().size() == before)
            return std::string(KIND_NAMES[kind]) + "が多すぎます（駒一式より多くは置けません）";
        if (game.placePieces(set.taken()) != 1) return "駒を置けませんでした";
        return {};
    };
    for (Square square = 0; square < SQUARE_COUNT; ++square) {
        const std::int8_t code = position.code[square];
        if (code == PositionSpec::EMPTY) continue;
        if (code < 0) return "存在しない駒があります";
        if (std::string reason = take(static_cast<PieceCode>(code), square, position.side[square]);
            !reason.empty())
            return reason;
    }
    for (Side owner : {SENTE, GOTE}) {
        for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) {
            const int count = position.hands[owner][kind];
            if (count < 0) return "持ち駒の数が不正です";
            if (count > 18)
                return std::string(KIND_NAMES[kind]) + "が多すぎます（駒一式より多くは置けません）";
            for (int i = 0; i < count; ++i)
                if (std::string reason = take(kind, IN_HAND, owner); !reason.empty()) return reason;
        }
    }
    game.addAllAttacks();
    game.setTurn(position.turn);
    return {};
}
