#pragma once
// 局面編集 in the main window: the piece box (駒箱) in a small window beside the board with the
// editor's commands as buttons, and the session that turns presses and keys over the board, the
// stands and the box into steps of the editor's model. The window's record is never touched here:
// the session shows its own game, built from the position being edited, and the window decides
// what Enter and Esc do with it.

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <array>
#include <optional>

#include "core/znban.h"
#include "record/positioneditor.h"
#include "ui/displaysettings.h"
#include "ui/paintbox.h"
#include "ui/render.h"
#include "ui/znflags.h"

class QAction;
class QLabel;
class QMenu;

// The piece box: every kind, with how many of it lie in the box; a kind with none is drawn faint.
class TPieceBox : public QWidget {
    Q_OBJECT

public:
    explicit TPieceBox(QWidget *parent = nullptr);

    // What the box holds, by PieceKind, and the kind shown selected (-1 for none).
    void setContents(const std::array<int, KIND_COUNT> &counts, int selectedKind);
    const std::array<int, KIND_COUNT> &counts() const { return counts_; }
    // The kind whose place holds `point`, -1 for none.
    int kindAt(QPoint point) const;
    // The centre of the place of `kind`, for a press.
    QPoint placeCentre(PieceKind kind) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect placeOf(PieceKind kind) const;

    BoardFonts fonts_;
    std::array<int, KIND_COUNT> counts_{};
    int selected_ = -1;
};

// The small window of the editor: the box, the side to move and a button for every command.
class TPositionEditWindow : public QWidget {
    Q_OBJECT

public:
    explicit TPositionEditWindow(QWidget *parent = nullptr);

    TPieceBox *box() const { return box_; }
    // Adds a button for `action`; `menu` makes it a button that opens the menu instead.
    void addButton(QAction *action);
    void addMenuButton(const QString &caption, QMenu *menu);
    void setTurnText(const QString &text);

signals:
    // The window's own close button: the edit is given up, as with Esc.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TPieceBox *box_ = nullptr;
    QLabel *turn_ = nullptr;
    QWidget *buttons_ = nullptr;
    int buttonCount_ = 0;
};

// The widgets of the main window the editor works through.
// Held as guarded pointers: the window may be taking its widgets down while the edit goes.
struct PositionEditWidgets {
    QPointer<QWidget> window;
    QPointer<TPaintBox> board;
    // The stand on the board's right (the side the board is seen from) and the one on its left.
    QPointer<TPaintBox> rightStand;
    QPointer<TPaintBox> leftStand;
    // The side panel, where the session writes what the position is and how to leave.
    QPointer<QWidget> panel;
    // The window's selection, which the board draws white, and its display, whose view (盤面反転)
    // maps presses to squares; both belong to the window and outlive the session.
    ZnFlags *selection = nullptr;
    const DisplaySettings *display = nullptr;
};

class PositionEditSession : public QObject {
    Q_OBJECT

public:
    // Starts editing `start` over `widgets`, whose presses and keys it takes until it goes.
    PositionEditSession(const PositionEditWidgets &widgets, const PositionSpec &start, QObject *parent = nullptr);
    ~PositionEditSession() override;
    // Gives the widgets back (presses, keys, the panel) and hides the box; the session may then be
    // deleted later, out of the signal that ended it.
    void close();

    PositionEditor &editor() { return editor_; }
    // The position being edited, as a game the board draws.
    ZnBan &game() { return shown_; }
    TPositionEditWindow *boxWindow() const { return boxWindow_; }
    // The editor's commands as a menu, for the menu bar while the edit lasts.
    QMenu *menu() const { return menu_; }
    // The command named `name` ("編集終了", "元に戻す", "詰将棋", ...), null for none.
    QAction *command(const QString &name) const;
    // Brings the panel's lines and the box up to date with the position; the window calls it when
    // it redraws.
    void refresh();
    // The panel's line for the position, as the rules see it: "局面：合法手 5　王手", "局面：詰み".
    QString positionLine();

signals:
    // The position changed: the window redraws the board from game().
    void changed();
    // A word for the status bar: why a step was refused, or what a command did.
    void message(const QString &text);
    // Enter (編集終了) and Esc (取り消し).
    void finishRequested();
    void cancelRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What lies under the mouse: a square, a stand (with the kind shown there, or none) or the box.
    struct Spot {
        enum class Kind { None, OnBoard, Stand, Box } kind = Kind::None;
        Square square = 0;
        Side side = SENTE;
        int pieceKind = -1;
    };
    Spot spotAt(QObject *widget, QPoint point);
    Spot spotAtGlobal(QPoint global);
    // The place a piece is taken from at `spot`, when one is there.
    std::optional<EditPlace> sourceAt(const Spot &spot) const;
    static EditPlace destinationAt(const Spot &spot);
    static bool samePlace(const EditPlace &a, const EditPlace &b);

    bool leftPress(const Spot &spot);
    void leftRelease(QPoint global);
    bool rightPress(const Spot &spot);
    bool keyPress(int key, Qt::KeyboardModifiers modifiers);
    void select(const std::optional<EditPlace> &place);
    // Shows the selection on the board and the stands through the window's selection.
    void markSelection();
    BoardView view() const { return widgets_.display != nullptr ? widgets_.display->view : BoardView{}; }
    // Shows the outcome of a step: the position redrawn, and the reason when it was refused.
    void applied(const EditResult &result, const QString &done = QString());
    void createCommands();
    QAction *addCommand(const QString &name, const QKeySequence &key, void (PositionEditSession::*slot)());
    void applyPreset(const QString &name);
    void paste();
    void copySfen();
    void undo();
    void redo();
    void flipTurn();

    PositionEditWidgets widgets_;
    PositionEditor editor_;
    ZnBan shown_;
    std::optional<EditPlace> selected_;
    // A left press that picked a piece, so that its release elsewhere drops it there.
    bool dragging_ = false;
    QPointer<QWidget> hoverWidget_;
    QPoint hoverPoint_;
    QPointer<TPositionEditWindow> boxWindow_;
    QMenu *menu_ = nullptr;
    QPointer<QLabel> panelLabel_;
    std::array<bool, 2> tracking_{};
};
