#include "ui/positioneditwidgets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>
#include <memory>
#include <string_view>

#include "core/rules.h"
#include "pieces/koma.h"
#include "ui/boardview.h"
#include "ui/drawing.h"
#include "ui/interaction.h"
#include "ui/paintbox.h"
#include "ui/render.h"
#include "ui/standlayout.h"
#include "ui/znflags.h"

namespace {

// The box's places: four kinds a row, king first, each a 32-pixel glyph over its count.
constexpr int kBoxColumns = 4;
constexpr int kPlaceWidth = 40;
constexpr int kPlaceHeight = 52;
constexpr int kBoxMargin = 4;
constexpr std::array<PieceKind, KIND_COUNT> kBoxOrder = {KING, ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};

// The key of each kind, as the records' letters name them.
int kindOfKey(int key) {
    switch (key) {
        case Qt::Key_K: return KING;
        case Qt::Key_R: return ROOK;
        case Qt::Key_B: return BISHOP;
        case Qt::Key_G: return GOLD;
        case Qt::Key_S: return SILVER;
        case Qt::Key_N: return KNIGHT;
        case Qt::Key_L: return LANCE;
        case Qt::Key_P: return PAWN;
        default: return -1;
    }
}

// The grid square under a press in the board's pixels, -1 outside the 9 x 9 grid.
int squareUnder(QPoint point, BoardView view) {
    if (point.x() < 20 || point.x() >= 20 + 9 * 32 || point.y() < 56 || point.y() >= 56 + 9 * 32) return -1;
    const int column = BoardColumnAt(point.x(), view), row = BoardRowAt(point.y(), view);
    return onBoard(row, column) ? squareAt(row, column) : -1;
}

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

const char *const kSideNames[2] = {"先手", "後手"};

// 駒落ち by keys: Ctrl+K, then how many pieces the stronger side takes off (1 for the lance, 0 for
// ten); Ctrl+Shift+K, then the same count for the other handicap of that count (右香, 飛香, 左五枚,
// 左七枚); Ctrl+K, then B or R for the bishop or the rook alone. Two strokes leave every single key
// to the window and the editor.
QKeySequence handicapKey(std::string_view name) {
    constexpr struct {
        std::string_view name;
        const char *key;
    } kKeys[] = {
        {"香落ち", "Ctrl+K, 1"},           {"右香落ち", "Ctrl+Shift+K, 1"}, {"角落ち", "Ctrl+K, B"},
        {"飛車落ち", "Ctrl+K, R"},         {"飛香落ち", "Ctrl+Shift+K, 2"}, {"二枚落ち", "Ctrl+K, 2"},
        {"三枚落ち", "Ctrl+K, 3"},         {"四枚落ち", "Ctrl+K, 4"},       {"五枚落ち", "Ctrl+K, 5"},
        {"左五枚落ち", "Ctrl+Shift+K, 5"}, {"六枚落ち", "Ctrl+K, 6"},       {"右七枚落ち", "Ctrl+K, 7"},
        {"左七枚落ち", "Ctrl+Shift+K, 7"}, {"八枚落ち", "Ctrl+K, 8"},       {"十枚落ち", "Ctrl+K, 0"},
    };
    for (const auto &entry : kKeys)
        if (entry.name == name)
            return QKeySequence(QString::fromLatin1(entry.key), QKeySequence::PortableText);
    return {};
}

}  // namespace

// ---- the box ----

TPieceBox::TPieceBox(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PieceBox"));
    setFixedSize(sizeHint());
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(QStringLiteral("盤にも駒台にもない駒です。押して（またはドラッグして）盤や駒台へ置きます。"));
}

QSize TPieceBox::sizeHint() const {
    return {2 * kBoxMargin + kBoxColumns * kPlaceWidth, 2 * kBoxMargin + (KIND_COUNT / kBoxColumns) * kPlaceHeight};
}

QRect TPieceBox::placeOf(PieceKind kind) const {
    int index = 0;
    while (index < KIND_COUNT && kBoxOrder[static_cast<std::size_t>(index)] != kind) ++index;
    return {kBoxMargin + (index % kBoxColumns) * kPlaceWidth, kBoxMargin + (index / kBoxColumns) * kPlaceHeight,
            kPlaceWidth, kPlaceHeight};
}

int TPieceBox::kindAt(QPoint point) const {
    for (PieceKind kind : kBoxOrder)
        if (placeOf(kind).contains(point)) return kind;
    return -1;
}

QPoint TPieceBox::placeCentre(PieceKind kind) const { return placeOf(kind).center(); }

void TPieceBox::setContents(const std::array<int, KIND_COUNT> &counts, int selectedKind) {
    if (counts == counts_ && selectedKind == selected_) return;
    counts_ = counts;
    selected_ = selectedKind;
    update();
}

void TPieceBox::paintEvent(QPaintEvent *) {
    const qreal ratio = devicePixelRatioF();
    QImage image(qCeil(width() * ratio), qCeil(height() * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    {
        Canvas canvas(image);
        canvas.setFillColour(BoardColour);
        canvas.setPen(Qt::black, 1);
        canvas.rectangle(0, 0, width(), height());
        for (PieceKind kind : kBoxOrder) {
            const QRect place = placeOf(kind);
            const std::unique_ptr<Koma> piece = makeKoma(kind, 0, SENTE);
            if (!piece) continue;
            const int count = counts_[kind];
            canvas.setFillColour(BoardColour);
            canvas.setTextColour(kind == selected_ ? QColor(Qt::white) : count > 0 ? QColor(Qt::black) : FaintGlyphColour);
            DrawPieceAt(canvas, fonts_, *piece, place.left() + 4, place.top());
            canvas.setTextColour(count > 0 ? QColor(Qt::black) : FaintGlyphColour);
            QFont digits = font();
            digits.setPixelSize(12);
            canvas.centredText(place.left(), place.top() + 34, place.right() + 1, place.top() + 48,
                               QString::number(count), digits);
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

// ---- the editor's window ----

TPositionEditWindow::TPositionEditWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("PositionEditWindow"));
    setWindowTitle(QStringLiteral("駒箱"));
    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    box_ = new TPieceBox(this);
    layout->addWidget(box_, 0, Qt::AlignHCenter);
    turn_ = new QLabel(this);
    turn_->setObjectName(QStringLiteral("PositionEditTurn"));
    layout->addWidget(turn_);
    buttons_ = new QWidget(this);
    auto grid = new QGridLayout(buttons_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    layout->addWidget(buttons_);
}

void TPositionEditWindow::addButton(QAction *action) {
    auto button = new QToolButton(buttons_);
    button->setObjectName(QStringLiteral("EditButton%1").arg(buttonCount_));
    button->setDefaultAction(action);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const QString key = action->shortcut().toString(QKeySequence::NativeText);
    button->setToolTip(key.isEmpty() ? action->text() : action->text() + QStringLiteral("（") + key + QStringLiteral("）"));
    static_cast<QGridLayout *>(buttons_->layout())->addWidget(button, buttonCount_ / 2, buttonCount_ % 2);
    ++buttonCount_;
    // Its key works while this window has the keyboard, too.
    addAction(action);
}

void TPositionEditWindow::addMenuButton(const QString &caption, QMenu *menu) {
    auto button = new QToolButton(buttons_);
    button->setObjectName(QStringLiteral("EditButton%1").arg(buttonCount_));
    button->setText(caption);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    static_cast<QGridLayout *>(buttons_->layout())->addWidget(button, buttonCount_ / 2, buttonCount_ % 2);
    ++buttonCount_;
}

void TPositionEditWindow::setTurnText(const QString &text) { turn_->setText(text); }

void TPositionEditWindow::closeEvent(QCloseEvent *event) {
    // The session decides; the window goes with it.
    event->ignore();
    emit closeRequested();
}

// ---- the session ----

PositionEditSession::PositionEditSession(const PositionEditWidgets &widgets, const PositionSpec &start, QObject *parent)
    : QObject(parent), widgets_(widgets), editor_(start) {
    buildGame(shown_, editor_.position());
    boxWindow_ = new TPositionEditWindow(widgets_.window);
    createCommands();
    connect(boxWindow_, &TPositionEditWindow::closeRequested, this, &PositionEditSession::cancelRequested);

    if (widgets_.panel != nullptr) {
        panelLabel_ = new QLabel(widgets_.panel);
        panelLabel_->setObjectName(QStringLiteral("PositionEditPanel"));
        panelLabel_->setGeometry(8, 192, widgets_.panel->width() - 16, widgets_.panel->height() - 198);
        panelLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        panelLabel_->setWordWrap(true);
        panelLabel_->show();
    }
    const std::array<TPaintBox *, 2> stands = {widgets_.rightStand.data(), widgets_.leftStand.data()};
    for (std::size_t i = 0; i < stands.size(); ++i) {
        if (stands[i] == nullptr) continue;
        tracking_[i] = stands[i]->hasMouseTracking();
        stands[i]->setMouseTracking(true);
    }
    for (QObject *watched : std::initializer_list<QObject *>{widgets_.board.data(), widgets_.rightStand.data(),
                                                              widgets_.leftStand.data(), boxWindow_->box(),
                                                              boxWindow_.data()})
        if (watched != nullptr) watched->installEventFilter(this);
    markSelection();
    refresh();
}

PositionEditSession::~PositionEditSession() {
    close();
    delete menu_;
}

void PositionEditSession::close() {
    for (QObject *watched : std::initializer_list<QObject *>{widgets_.board.data(), widgets_.rightStand.data(),
                                                              widgets_.leftStand.data()})
        if (watched != nullptr) watched->removeEventFilter(this);
    const std::array<TPaintBox *, 2> stands = {widgets_.rightStand.data(), widgets_.leftStand.data()};
    for (std::size_t i = 0; i < stands.size(); ++i)
        if (stands[i] != nullptr) stands[i]->setMouseTracking(tracking_[i]);
    delete panelLabel_.data();
    if (boxWindow_) {
        boxWindow_->hide();
        boxWindow_->deleteLater();
    }
    boxWindow_.clear();
    if (menu_ != nullptr) menu_->menuAction()->setVisible(false);
    selected_.reset();
    markSelection();
    widgets_ = {};
}

QAction *PositionEditSession::addCommand(const QString &name, const QKeySequence &key,
                                         void (PositionEditSession::*slot)()) {
    auto action = new QAction(name, this);
    action->setObjectName(QStringLiteral("Edit:") + name);
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, this, slot);
    menu_->addAction(action);
    return action;
}

void PositionEditSession::createCommands() {
    menu_ = new QMenu(QStringLiteral("局面編集(&P)"));
    menu_->setObjectName(QStringLiteral("PositionEditMenu"));
    QAction *finish = addCommand(QStringLiteral("編集終了"), QKeySequence(Qt::Key_Return),
                                 &PositionEditSession::finishRequested);
    finish->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    QAction *cancel =
        addCommand(QStringLiteral("取り消し"), QKeySequence(Qt::Key_Escape), &PositionEditSession::cancelRequested);
    menu_->addSeparator();
    QAction *undoItem = addCommand(QStringLiteral("元に戻す"), QKeySequence(Qt::CTRL | Qt::Key_Z), &PositionEditSession::undo);
    QAction *redoItem = addCommand(QStringLiteral("やり直す"), QKeySequence(Qt::CTRL | Qt::Key_Y), &PositionEditSession::redo);
    QAction *turn = addCommand(QStringLiteral("手番を変える"), QKeySequence(Qt::Key_T), &PositionEditSession::flipTurn);
    QAction *pasteItem = addCommand(QStringLiteral("貼り付け"), QKeySequence(Qt::CTRL | Qt::Key_V), &PositionEditSession::paste);
    QAction *copyItem =
        addCommand(QStringLiteral("SFENをコピー"), QKeySequence(Qt::CTRL | Qt::Key_C), &PositionEditSession::copySfen);
    menu_->addSeparator();

    // The presets: the usual ones with keys, the handicaps in a menu of their own.
    const struct {
        const char *name;
        QKeySequence key;
    } keyed[] = {
        {"平手", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)},
        {"詰将棋", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)},
        {"双玉詰将棋", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
        {"全て駒箱へ", QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
    };
    std::vector<QAction *> presets;
    for (const auto &entry : keyed) {
        const QString name = QString::fromUtf8(entry.name);
        auto action = new QAction(name, this);
        action->setObjectName(QStringLiteral("Edit:") + name);
        action->setShortcut(entry.key);
        connect(action, &QAction::triggered, this, [this, name] { applyPreset(name); });
        menu_->addAction(action);
        presets.push_back(action);
    }
    auto handicaps = menu_->addMenu(QStringLiteral("駒落ち"));
    handicaps->setObjectName(QStringLiteral("PositionEditHandicaps"));
    for (std::string_view preset : handicapNames()) {
        if (preset == "平手") continue;
        const QString name = QString::fromUtf8(preset.data(), static_cast<qsizetype>(preset.size()));
        auto action = new QAction(name, this);
        handicaps->addAction(action);
        action->setObjectName(QStringLiteral("Edit:") + name);
        action->setShortcut(handicapKey(preset));
        connect(action, &QAction::triggered, this, [this, name] { applyPreset(name); });
        // Its key works while the box's window has the keyboard, too.
        boxWindow_->addAction(action);
    }

    for (QAction *action : {presets[0], presets[1], presets[2], presets[3], turn, undoItem, redoItem, pasteItem,
                            copyItem})
        boxWindow_->addButton(action);
    boxWindow_->addMenuButton(QStringLiteral("駒落ち"), handicaps);
    boxWindow_->addButton(finish);
    boxWindow_->addButton(cancel);
    boxWindow_->adjustSize();
    boxWindow_->setFixedSize(boxWindow_->sizeHint());
}

QAction *PositionEditSession::command(const QString &name) const {
    return findChild<QAction *>(QStringLiteral("Edit:") + name);
}

void PositionEditSession::refresh() {
    std::array<int, KIND_COUNT> counts{};
    for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) counts[kind] = editor_.inBox(kind);
    const int selectedKind =
        selected_ && selected_->where == EditPlace::Where::InBox ? static_cast<int>(selected_->kind) : -1;
    if (boxWindow_) {
        boxWindow_->box()->setContents(counts, selectedKind);
        boxWindow_->setTurnText(QStringLiteral("手番：") + QString::fromUtf8(kSideNames[editor_.turn()]));
    }
    if (QAction *undoItem = command(QStringLiteral("元に戻す"))) undoItem->setEnabled(editor_.canUndo());
    if (QAction *redoItem = command(QStringLiteral("やり直す"))) redoItem->setEnabled(editor_.canRedo());
    if (panelLabel_ != nullptr)
        panelLabel_->setText(QStringLiteral("局面編集中\nEnter: 編集終了\nEsc: 取り消し\n\n") +
                             QString::fromUtf8(kSideNames[editor_.turn()]) + QStringLiteral("番\n") + positionLine());
}

QString PositionEditSession::positionLine() {
    const Judgement verdict = judge(shown_);
    if (!verdict.problem.empty()) return QStringLiteral("局面：判定できません\n（") + fromUtf8(verdict.problem) + QStringLiteral("）");
    // A side without a king that cannot move is not mated: it only has no move.
    if (verdict.mate && shown_.king(shown_.turn()) != nullptr) return QStringLiteral("局面：詰み");
    QString line = QStringLiteral("局面：合法手 %1").arg(verdict.legalMoves);
    if (verdict.check) line += QStringLiteral("\n王手");
    return line;
}

void PositionEditSession::applied(const EditResult &result, const QString &done) {
    ZnBan fresh;
    if (buildGame(fresh, editor_.position()).empty()) shown_.swap(fresh);
    // The selection names a place that may hold something else now.
    markSelection();
    refresh();
    emit changed();
    emit message(result.ok ? done : fromUtf8(result.reason));
}

void PositionEditSession::select(const std::optional<EditPlace> &place) {
    selected_ = place;
    markSelection();
    refresh();
    emit changed();
}

void PositionEditSession::markSelection() {
    if (widgets_.selection == nullptr) return;
    ZnFlags &marks = *widgets_.selection;
    marks.Reset();
    if (selected_ && selected_->where == EditPlace::Where::OnBoard) marks.SelectSquare(selected_->square);
    // The stand marks a slot only on the side to move, as in play.
    if (selected_ && selected_->where == EditPlace::Where::InHand && (selected_->side & 1) == shown_.turn()) {
        MochiKoma &hand = shown_.hand(selected_->side);
        hand.sortByKind();
        for (int i = 0; i < hand.size(); ++i)
            if (hand[i]->kind() == selected_->kind) {
                marks.SelectHand(i);
                break;
            }
    }
}

PositionEditSession::Spot PositionEditSession::spotAt(QObject *widget, QPoint point) {
    Spot spot;
    if (widget == widgets_.board.data()) {
        const int square = squareUnder(point, view());
        if (square >= 0) {
            spot.kind = Spot::Kind::OnBoard;
            spot.square = static_cast<Square>(square);
        }
    } else if (widget == widgets_.rightStand.data() || widget == widgets_.leftStand.data()) {
        spot.kind = Spot::Kind::Stand;
        spot.side = widget == widgets_.rightStand.data() ? view().side() : otherSide(view().side());
        MochiKoma &hand = shown_.hand(spot.side);
        hand.sortByKind();
        const StandLayout layout(kindsOf(hand));
        const int place = layout.placeAt(spot.side == view().side(), point.y());
        if (place >= 0 && place < static_cast<int>(layout.places().size()))
            spot.pieceKind = layout.places()[static_cast<std::size_t>(place)].kind;
    } else if (boxWindow_ && widget == boxWindow_->box()) {
        spot.kind = Spot::Kind::Box;
        spot.pieceKind = boxWindow_->box()->kindAt(point);
    }
    return spot;
}

PositionEditSession::Spot PositionEditSession::spotAtGlobal(QPoint global) {
    for (QWidget *widget : std::initializer_list<QWidget *>{widgets_.board.data(), widgets_.rightStand.data(),
                                                             widgets_.leftStand.data(),
                                                             boxWindow_ ? boxWindow_->box() : nullptr}) {
        if (widget == nullptr || !widget->isVisible()) continue;
        const QPoint local = widget->mapFromGlobal(global);
        if (widget->rect().contains(local)) return spotAt(widget, local);
    }
    return {};
}

std::optional<EditPlace> PositionEditSession::sourceAt(const Spot &spot) const {
    switch (spot.kind) {
        case Spot::Kind::OnBoard:
            if (editor_.position().code[spot.square] == PositionSpec::EMPTY) return std::nullopt;
            return EditPlace::board(spot.square);
        case Spot::Kind::Stand:
            if (spot.pieceKind < 0) return std::nullopt;
            return EditPlace::hand(spot.side, static_cast<PieceKind>(spot.pieceKind));
        case Spot::Kind::Box:
            if (spot.pieceKind < 0 || editor_.inBox(static_cast<PieceKind>(spot.pieceKind)) <= 0) return std::nullopt;
            return EditPlace::box(static_cast<PieceKind>(spot.pieceKind));
        case Spot::Kind::None: break;
    }
    return std::nullopt;
}

EditPlace PositionEditSession::destinationAt(const Spot &spot) {
    switch (spot.kind) {
        case Spot::Kind::OnBoard: return EditPlace::board(spot.square);
        case Spot::Kind::Stand: return EditPlace::hand(spot.side);
        default: return EditPlace::box();
    }
}

bool PositionEditSession::samePlace(const EditPlace &a, const EditPlace &b) {
    if (a.where != b.where) return false;
    switch (a.where) {
        case EditPlace::Where::OnBoard: return a.square == b.square;
        case EditPlace::Where::InHand: return (a.side & 1) == (b.side & 1);
        case EditPlace::Where::InBox: return true;
    }
    return false;
}

bool PositionEditSession::leftPress(const Spot &spot) {
    dragging_ = false;
    if (spot.kind == Spot::Kind::None) {
        if (selected_) select(std::nullopt);
        return false;
    }
    if (selected_) {
        const EditPlace to = destinationAt(spot);
        const EditPlace from = *selected_;
        if (samePlace(from, to)) {
            // The second press on the same place puts the piece down where it was, or, on another
            // kind of the same stand or box, picks that kind instead.
            const std::optional<EditPlace> other = sourceAt(spot);
            select(other && other->kind != from.kind && from.where != EditPlace::Where::OnBoard ? other : std::nullopt);
            return true;
        }
        selected_.reset();
        applied(editor_.move(from, to));
        return true;
    }
    const std::optional<EditPlace> source = sourceAt(spot);
    if (!source) return true;
    select(source);
    dragging_ = true;
    return true;
}

void PositionEditSession::leftRelease(QPoint global) {
    if (!dragging_ || !selected_) return;
    dragging_ = false;
    const Spot spot = spotAtGlobal(global);
    if (spot.kind == Spot::Kind::None) return;
    const EditPlace to = destinationAt(spot);
    // Released where it was picked up: a press, and the next press says where it goes.
    if (samePlace(*selected_, to)) return;
    const EditPlace from = *selected_;
    selected_.reset();
    applied(editor_.move(from, to));
}

bool PositionEditSession::rightPress(const Spot &spot) {
    selected_.reset();
    markSelection();
    switch (spot.kind) {
        case Spot::Kind::OnBoard:
            if (editor_.position().code[spot.square] == PositionSpec::EMPTY) return true;
            applied(editor_.cycle(spot.square));
            return true;
        case Spot::Kind::Stand:
            if (spot.pieceKind >= 0) applied(editor_.takeFromHand(spot.side, static_cast<PieceKind>(spot.pieceKind)));
            return true;
        default: return spot.kind != Spot::Kind::None;
    }
}

bool PositionEditSession::keyPress(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    // A session started with the mouse already resting on a square has seen no move yet.
    const Spot spot = hoverWidget_ ? spotAt(hoverWidget_, hoverPoint_) : spotAtGlobal(QCursor::pos());
    const int kind = kindOfKey(key);
    const bool toBox = key == Qt::Key_Delete || key == Qt::Key_Backspace;
    const bool promote = key == Qt::Key_Plus || key == Qt::Key_Equal;
    if (kind < 0 && !toBox && !promote) return false;
    selected_.reset();
    markSelection();
    const auto pieceKind = static_cast<PieceKind>(kind);
    switch (spot.kind) {
        case Spot::Kind::OnBoard:
            if (kind >= 0) applied(editor_.putKind(spot.square, pieceKind, modifiers & Qt::ShiftModifier ? GOTE : SENTE));
            if (toBox) applied(editor_.toBox(spot.square));
            if (promote) applied(editor_.togglePromotion(spot.square));
            return true;
        case Spot::Kind::Stand: {
            if (kind >= 0) applied(editor_.addToHand(spot.side, pieceKind));
            if (!toBox) return true;
            // Over a kind, one of it; elsewhere on the stand, one of the last kind shown.
            int taken = spot.pieceKind;
            for (int each = PAWN; taken < 0 && each >= ROOK; --each)
                if (editor_.inHand(spot.side, static_cast<PieceKind>(each)) > 0) taken = each;
            if (taken >= 0) applied(editor_.takeFromHand(spot.side, static_cast<PieceKind>(taken)));
            return true;
        }
        default: return false;
    }
}

bool PositionEditSession::eventFilter(QObject *watched, QEvent *event) {
    auto widget = qobject_cast<QWidget *>(watched);
    switch (event->type()) {
        case QEvent::MouseMove: {
            auto mouse = static_cast<QMouseEvent *>(event);
            if (watched != boxWindow_.data()) {
                hoverWidget_ = widget;
                hoverPoint_ = mouse->position().toPoint();
            }
            return false;
        }
        case QEvent::Enter:
            if (watched != boxWindow_.data()) hoverWidget_ = widget;
            return false;
        case QEvent::Leave:
            if (hoverWidget_ == widget) hoverWidget_.clear();
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            if (watched == boxWindow_.data()) return false;
            auto mouse = static_cast<QMouseEvent *>(event);
            const QPoint point = mouse->position().toPoint();
            hoverWidget_ = widget;
            hoverPoint_ = point;
            if (widget != nullptr) widget->setFocus(Qt::MouseFocusReason);
            const Spot spot = spotAt(watched, point);
            if (mouse->button() == Qt::RightButton) return rightPress(spot);
            if (mouse->button() != Qt::LeftButton) return true;
            // A double click on a piece turns it, as the right button does.
            if (event->type() == QEvent::MouseButtonDblClick && spot.kind == Spot::Kind::OnBoard &&
                editor_.position().code[spot.square] != PositionSpec::EMPTY) {
                dragging_ = false;
                return rightPress(spot);
            }
            leftPress(spot);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (watched == boxWindow_.data()) return false;
            auto mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton) leftRelease(mouse->globalPosition().toPoint());
            return true;
        }
        case QEvent::ContextMenu: return watched != boxWindow_.data();
        case QEvent::KeyPress: {
            auto key = static_cast<QKeyEvent *>(event);
            return keyPress(key->key(), key->modifiers());
        }
        default: return false;
    }
}

void PositionEditSession::applyPreset(const QString &name) {
    PositionSpec preset;
    if (!editorPreset(name.toStdString(), preset, editor_.turn())) return;
    select(std::nullopt);
    applied(editor_.setPosition(preset), QStringLiteral("配置：") + name);
}

void PositionEditSession::paste() {
    const QString text = QApplication::clipboard()->text();
    select(std::nullopt);
    applied(editor_.paste(text.toStdString()), QStringLiteral("局面を貼り付けました"));
}

void PositionEditSession::copySfen() {
    QApplication::clipboard()->setText(fromUtf8(editor_.sfen()));
    emit message(QStringLiteral("局面をSFENでコピーしました"));
}

void PositionEditSession::undo() {
    select(std::nullopt);
    if (editor_.undo())
        applied({}, QStringLiteral("元に戻しました"));
    else
        emit message(QStringLiteral("戻す操作がありません"));
}

void PositionEditSession::redo() {
    select(std::nullopt);
    if (editor_.redo())
        applied({}, QStringLiteral("やり直しました"));
    else
        emit message(QStringLiteral("やり直す操作がありません"));
}

void PositionEditSession::flipTurn() {
    applied(editor_.flipTurn(), QString::fromUtf8(kSideNames[editor_.turn()]) + QStringLiteral("の手番にしました"));
}
