#include "record/positioneditor.h"

#include "core/rules.h"
#include "pieces/komafukuro.h"
#include "record/formats.h"
#include "record/sfen.h"
#include "support/names.h"

namespace {

// An undo list longer than this forgets its oldest steps; a position is a few hundred bytes.
constexpr std::size_t MAX_UNDO = 2000;
constexpr std::size_t MAX_PASTE_BYTES = 1024 * 1024;

const char *const SIDE_NAMES[2] = {"先手", "後手"};

std::string kindName(PieceKind kind) { return std::string(kifPieceName(kind)); }

bool canPromoteKind(PieceKind kind) { return kind != KING && kind != GOLD; }

std::string fileName(int column) { return squareName(static_cast<Square>(squareAt(0, column))).substr(0, 3); }

}  // namespace

std::array<int, KIND_COUNT> piecesHeld(const PositionSpec &position) {
    std::array<int, KIND_COUNT> held{};
    for (std::int8_t code : position.code)
        if (code >= 0) ++held[baseKindOf(static_cast<PieceCode>(code))];
    for (Side side : {SENTE, GOTE})
        for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) held[kind] += position.hands[side][kind];
    return held;
}

namespace {

// Whether the position holds only real pieces, no more of a kind than the set, and no king in hand.
std::string withinTheSet(const PositionSpec &position) {
    for (std::int8_t code : position.code) {
        if (code == PositionSpec::EMPTY) continue;
        const auto pieceCode = static_cast<PieceCode>(code);
        if (code < 0 || code >= CODE_COUNT || (isPromotedCode(pieceCode) && !canPromoteKind(baseKindOf(pieceCode))))
            return "存在しない駒があります";
    }
    for (Side side : {SENTE, GOTE}) {
        if (position.hands[side][KING] != 0) return "玉は持ち駒にできません";
        for (int count : position.hands[side])
            if (count < 0) return "持ち駒の数が不正です";
    }
    const std::array<int, KIND_COUNT> held = piecesHeld(position);
    for (PieceKind kind = 0; kind < KIND_COUNT; ++kind)
        if (held[kind] > PositionEditor::SET_COUNTS[kind])
            return kindName(kind) + "が多すぎます（駒一式は" + std::to_string(PositionEditor::SET_COUNTS[kind]) +
                   "枚です）";
    return {};
}

}  // namespace

PositionEditor::PositionEditor(const PositionSpec &start) {
    if (withinTheSet(start).empty()) current_ = start;
}

int PositionEditor::inBox(PieceKind kind) const {
    if (kind >= KIND_COUNT) return 0;
    return SET_COUNTS[kind] - piecesHeld(current_)[kind];
}

int PositionEditor::inHand(Side side, PieceKind kind) const {
    return kind < KIND_COUNT ? current_.hands[side & 1][kind] : 0;
}

void PositionEditor::commit(const PositionSpec &before) {
    if (before == current_) return;
    undo_.push_back(before);
    if (undo_.size() > MAX_UNDO) undo_.erase(undo_.begin());
    redo_.clear();
}

bool PositionEditor::lift(const EditPlace &from, Lifted &piece, std::string &reason) {
    switch (from.where) {
        case EditPlace::Where::OnBoard: {
            if (from.square >= SQUARE_COUNT || current_.code[from.square] == PositionSpec::EMPTY) {
                reason = "そこに駒はありません";
                return false;
            }
            piece = {static_cast<PieceCode>(current_.code[from.square]), current_.side[from.square]};
            current_.code[from.square] = PositionSpec::EMPTY;
            return true;
        }
        case EditPlace::Where::InHand: {
            if (inHand(from.side, from.kind) <= 0) {
                reason = "駒台にその駒はありません";
                return false;
            }
            --current_.hands[from.side & 1][from.kind];
            piece = {from.kind, static_cast<Side>(from.side & 1)};
            return true;
        }
        case EditPlace::Where::InBox: {
            if (inBox(from.kind) <= 0) {
                reason = from.kind < KIND_COUNT ? "駒箱に" + kindName(from.kind) + "はありません" : "駒箱にその駒はありません";
                return false;
            }
            piece = {from.kind, SENTE};
            return true;
        }
    }
    return false;
}

void PositionEditor::putInHand(Side side, PieceCode code) {
    const PieceKind kind = baseKindOf(code);
    if (kind != KING) ++current_.hands[side & 1][kind];
}

EditResult PositionEditor::move(const EditPlace &from, const EditPlace &to) {
    if (to.where == EditPlace::Where::OnBoard && to.square >= SQUARE_COUNT) return {false, "盤の外には置けません"};
    if (from.where == EditPlace::Where::OnBoard && to.where == EditPlace::Where::OnBoard && from.square == to.square)
        return {};
    if (from.where == EditPlace::Where::InHand && to.where == EditPlace::Where::InHand && (from.side & 1) == (to.side & 1))
        return {};
    if (from.where == EditPlace::Where::InBox && to.where == EditPlace::Where::InBox) return {};

    const PositionSpec before = current_;
    Lifted piece;
    std::string reason;
    if (!lift(from, piece, reason)) return {false, reason};
    switch (to.where) {
        case EditPlace::Where::OnBoard: {
            if (current_.code[to.square] != PositionSpec::EMPTY)
                putInHand(piece.owner, static_cast<PieceCode>(current_.code[to.square]));
            // A piece leaving a hand or the box stands unpromoted; only a board piece keeps its face.
            const PieceCode code = from.where == EditPlace::Where::OnBoard ? piece.code : baseKindOf(piece.code);
            current_.put(to.square, code, piece.owner);
            break;
        }
        case EditPlace::Where::InHand: putInHand(to.side, piece.code); break;
        case EditPlace::Where::InBox: break;
    }
    commit(before);
    return {};
}

EditResult PositionEditor::cycle(Square square) {
    if (square >= SQUARE_COUNT || current_.code[square] == PositionSpec::EMPTY) return {false, "そこに駒はありません"};
    const PositionSpec before = current_;
    const auto code = static_cast<PieceCode>(current_.code[square]);
    const PieceKind kind = baseKindOf(code);
    const Side owner = current_.side[square];
    if (!canPromoteKind(kind)) {
        current_.put(square, kind, otherSide(owner));
    } else if (!isPromotedCode(code)) {
        current_.put(square, static_cast<PieceCode>(kind + PROMOTED_OFFSET), owner);
    } else {
        // The promoted face turns over to the other side's unpromoted one, so that after gote's
        // promoted face the cycle is back at sente's plain one.
        current_.put(square, kind, otherSide(owner));
    }
    commit(before);
    return {};
}

EditResult PositionEditor::putKind(Square square, PieceKind kind, Side owner) {
    if (square >= SQUARE_COUNT) return {false, "盤の外には置けません"};
    if (kind >= KIND_COUNT) return {false, "その駒はありません"};
    const PositionSpec before = current_;
    current_.code[square] = PositionSpec::EMPTY;  // back to the box first: it may be the very piece wanted
    if (inBox(kind) <= 0) {
        Side spare = GOTE;
        if (current_.hands[GOTE][kind] <= 0) spare = SENTE;
        if (current_.hands[spare][kind] <= 0) {
            current_ = before;
            return {false, kindName(kind) + "が残っていません（駒一式は" + std::to_string(SET_COUNTS[kind]) + "枚です）"};
        }
        --current_.hands[spare][kind];
    }
    current_.put(square, kind, owner);
    commit(before);
    return {};
}

EditResult PositionEditor::togglePromotion(Square square) {
    if (square >= SQUARE_COUNT || current_.code[square] == PositionSpec::EMPTY) return {false, "そこに駒はありません"};
    const auto code = static_cast<PieceCode>(current_.code[square]);
    const PieceKind kind = baseKindOf(code);
    if (!canPromoteKind(kind)) return {false, kindName(kind) + "は成れません"};
    const PositionSpec before = current_;
    current_.put(square, isPromotedCode(code) ? kind : static_cast<PieceCode>(kind + PROMOTED_OFFSET),
                 current_.side[square]);
    commit(before);
    return {};
}

EditResult PositionEditor::toBox(Square square) { return move(EditPlace::board(square), EditPlace::box()); }

EditResult PositionEditor::addToHand(Side side, PieceKind kind) {
    if (kind >= KIND_COUNT) return {false, "その駒はありません"};
    if (kind == KING) return {false, "玉は持ち駒にできません"};
    if (inBox(kind) > 0) return move(EditPlace::box(kind), EditPlace::hand(side));
    if (inHand(otherSide(side & 1), kind) > 0) return move(EditPlace::hand(otherSide(side & 1), kind), EditPlace::hand(side));
    return {false, kindName(kind) + "が残っていません（駒一式は" + std::to_string(SET_COUNTS[kind]) + "枚です）"};
}

EditResult PositionEditor::takeFromHand(Side side, PieceKind kind) {
    return move(EditPlace::hand(side, kind), EditPlace::box());
}

EditResult PositionEditor::setTurn(Side side) {
    const PositionSpec before = current_;
    current_.turn = side & 1;
    commit(before);
    return {};
}

EditResult PositionEditor::setPosition(const PositionSpec &position) {
    if (std::string reason = withinTheSet(position); !reason.empty()) return {false, reason};
    const PositionSpec before = current_;
    current_ = position;
    commit(before);
    return {};
}

EditResult PositionEditor::paste(std::string_view text) {
    // A position is a line or a diagram of a few hundred bytes; a record of a whole game is a few
    // kilobytes. Anything far larger is not what the player meant to paste.
    if (text.size() > MAX_PASTE_BYTES) return {false, "貼り付けた文字が長すぎます（局面として読めません）"};
    ZnBan game;
    RecordNotes notes;
    const RecordResult read = readRecordBytes(game, notes, text);
    if (!read.ok) return {false, "局面として読めません：" + read.reason};
    return setPosition(positionOf(game));
}

std::string PositionEditor::sfen() const {
    ZnBan game;
    buildGame(game, current_);
    return positionSfen(game);
}

bool PositionEditor::undo() {
    if (undo_.empty()) return false;
    redo_.push_back(current_);
    current_ = undo_.back();
    undo_.pop_back();
    return true;
}

bool PositionEditor::redo() {
    if (redo_.empty()) return false;
    undo_.push_back(current_);
    current_ = redo_.back();
    redo_.pop_back();
    return true;
}

EditCheck PositionEditor::check() const {
    const PositionSpec &p = current_;
    for (Side side : {SENTE, GOTE}) {
        int kings = 0;
        for (Square square = 0; square < SQUARE_COUNT; ++square)
            if (p.code[square] == KING && p.side[square] == side) ++kings;
        if (kings > 1) return {EditProblem::ManyKings, std::string(SIDE_NAMES[side]) + "の玉が二枚あります"};
    }
    for (Side side : {SENTE, GOTE}) {
        for (int column = 0; column < 9; ++column) {
            int pawns = 0;
            for (int row = 0; row < 9; ++row) {
                const auto square = static_cast<Square>(squareAt(row, column));
                if (p.code[square] == PAWN && p.side[square] == side) ++pawns;
            }
            if (pawns > 1)
                return {EditProblem::TwoPawns, "二歩です（" + fileName(column) + "筋の" + SIDE_NAMES[side] + "の歩）"};
        }
    }
    ZnBan game;
    if (std::string reason = buildGame(game, p); !reason.empty()) return {EditProblem::None, reason};
    for (Square square = 0; square < SQUARE_COUNT; ++square) {
        const Koma *piece = game.pieceAt(square);
        if (piece != nullptr && !piece->promoted() && !piece->canMoveOn(square))
            return {EditProblem::DeadEnd, "行き所のない駒があります（" + squareName(square) + "の" +
                                              SIDE_NAMES[piece->side()] + "の" + kindName(piece->kind()) + "）"};
    }
    if (kingInCheck(game, otherSide(p.turn)))
        return {EditProblem::OpponentInCheck,
                std::string("手番でない") + SIDE_NAMES[otherSide(p.turn)] + "の玉に王手がかかっています"};
    return {};
}

std::string PositionEditor::build(ZnBan &game) const {
    const EditCheck verdict = check();
    if (!verdict.reason.empty()) return verdict.reason;
    ZnBan built;
    if (std::string reason = buildGame(built, current_); !reason.empty()) return reason;
    game.swap(built);
    return {};
}

const std::vector<std::string_view> &editorPresetNames() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> list = handicapNames();
        list.insert(list.end(), {"詰将棋", "双玉詰将棋", "全て駒箱へ"});
        return list;
    }();
    return names;
}

bool editorPreset(std::string_view name, PositionSpec &position, Side turn) {
    if (handicapStart(name, position)) return true;
    const bool tsume = name == "詰将棋", twoKings = name == "双玉詰将棋";
    if (!tsume && !twoKings && name != "全て駒箱へ") return false;
    position = PositionSpec{};
    position.turn = turn & 1;
    if (!tsume && !twoKings) return true;
    position.turn = SENTE;
    position.put(static_cast<Square>(squareAt(0, 4)), KING, GOTE);
    if (twoKings) position.put(static_cast<Square>(squareAt(8, 4)), KING, SENTE);
    for (PieceKind kind = ROOK; kind < KIND_COUNT; ++kind) position.hands[GOTE][kind] = PositionEditor::SET_COUNTS[kind];
    return true;
}
