#include "ui/mainform.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <string>

#include "core/rules.h"
#include "enginehost/gamehost.h"
#include "support/report.h"
#include "ui/clockwindow.h"
#include "ui/csagame.h"
#include "ui/enginestore.h"
#include "ui/gamedialog.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui/paintbox.h"
#include "ui/positioneditwidgets.h"
#include "ui/render.h"
#include "ui/statuspanel.h"
#include "ui/windowplace.h"
#include "ui/znflags.h"

namespace {

std::vector<std::pair<std::string, std::string>> optionList(const QMap<QString, QString> &values) {
    std::vector<std::pair<std::string, std::string>> list;
    for (auto it = values.begin(); it != values.end(); ++it)
        list.emplace_back(it.key().toStdString(), it.value().toStdString());
    return list;
}

constexpr int kClientWidth = 539;
constexpr int kBoardAreaHeight = 361;
constexpr int kStatusBarHeight = 24;

QFont faceFont(int pixelSize) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(pixelSize);
    return font;
}

// A label in black text of its own size, placed on the panel.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, QRect geometry, int pixelSize) {
    auto label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(faceFont(pixelSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

// The IPA face that stands in for the Windows one sets Latin letters wider, and the title would
// lose its last character; narrowing it keeps the label's size and the font's height. The move label
// needs it from move 100 on, and goes back to full width when its text is short again.
void narrowToFit(QLabel *label) {
    QFont font = label->font();
    font.setStretch(QFont::Unstretched);
    const int needed = QFontMetrics(font).horizontalAdvance(label->text());
    if (needed > label->width()) {
        int stretch = qMax(50, 100 * label->width() / needed);
        font.setStretch(stretch);
        // Glyph advances are rounded one by one, so the estimate can still be a pixel too wide.
        while (stretch > 50 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width())
            font.setStretch(--stretch);
    }
    if (font != label->font()) label->setFont(font);
}

QFrame *makeBevel(QWidget *parent, const char *name, QRect geometry) {
    auto bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(geometry);
    return bevel;
}

QRadioButton *makeRadioButton(QWidget *parent, const char *name, const QString &caption, QRect geometry) {
    auto button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

TPaintBox *makePaintBox(QWidget *parent, const char *name, QRect geometry) {
    auto box = new TPaintBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

// Keeps the arrow keys with the attack-display button that has the focus, away from the shortcuts
// that walk through the game; a click on a button gives the keyboard back to the board.
class ArrowKeysStay : public QObject {
public:
    ArrowKeysStay(QObject *parent, QWidget *board) : QObject(parent), board_(board) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            switch (static_cast<QKeyEvent *>(event)->key()) {
                case Qt::Key_Left:
                case Qt::Key_Right:
                case Qt::Key_Up:
                case Qt::Key_Down: event->accept(); return true;
                default: break;
            }
        }
        // After the release has clicked: a button that loses the focus first forgets the press.
        if (event->type() == QEvent::MouseButtonRelease)
            QTimer::singleShot(0, board_, [board = board_] { board->setFocus(Qt::OtherFocusReason); });
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *board_;
};
}  // namespace

TZnMainForm::TZnMainForm(QWidget *parent)
    : QMainWindow(parent),
      games_(document_, [this](const QString &engine) { return optionList(engineStore().options(engine)); }) {
    setObjectName(QStringLiteral("ZnMainForm"));
    // A single fixed border: title bar with the system menu, minimise and close, nothing to resize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Nagi将棋"));
    // The Windows faces the controls ask for must resolve before the first font is made.
    installFontSubstitutes();
    setFont(faceFont(12));
    createControls();
    createMenus();
    lockForGame(false);
    watchBoard();
    createBookWindow();
    CsaGameWindow::install(*this);
    // A record file dropped anywhere on the window opens; dropped text is pasted.
    setAcceptDrops(true);
    // The window is exactly its contents: menu bar, board area and status bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setReportHook(showDebugBox);
    explainDisplays();
    // The keys walk the record from the first press on.
    focusBoard();
    connect(&document_, &RecordDocument::captionChanged, this, &QWidget::setWindowTitle);
    connect(&document_, &RecordDocument::message, this, &TZnMainForm::SetStatusText);
    connect(&document_, &RecordDocument::fileTaken, this, &TZnMainForm::rememberRecent);
    connectGames();
}

TZnMainForm::~TZnMainForm() {
    setReportHook(nullptr);
    // The board and its children outlive the game; hiding them must not redraw a game that is gone.
    delete hoverWatcher_;
    // An edit still open refers to the selection and the display, which go before the widgets.
    delete positionEdit_;
}

void TZnMainForm::createControls() {
    auto client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kBoardAreaHeight);
    setCentralWidget(client);

    Dai1 = makePaintBox(client, "Dai1", QRect(0, 0, 32, kBoardAreaHeight));
    Ban = makePaintBox(client, "Ban", QRect(32, 0, 352, kBoardAreaHeight));
    Dai0 = makePaintBox(client, "Dai0", QRect(384, 0, 32, kBoardAreaHeight));
    connect(Ban, &TPaintBox::paintRequested, this, &TZnMainForm::BanPaint);
    connect(Ban, &TPaintBox::mouseDown, this, &TZnMainForm::BanMouseDown);
    connect(Dai0, &TPaintBox::mouseDown, this, &TZnMainForm::Dai0MouseDown);
    connect(Dai1, &TPaintBox::mouseDown, this, &TZnMainForm::Dai1MouseDown);
    Ban->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Ban, &QWidget::customContextMenuRequested, this, &TZnMainForm::BanContextMenu);

    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(416, 0, 123, kBoardAreaHeight);
    createPanel();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedSize(kClientWidth, kStatusBarHeight);
    StatusPanel = new TStatusPanel(StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusBar1->addWidget(StatusPanel, 1);
    setStatusBar(StatusBar1);
}

void TZnMainForm::createPanel() {
    Title = makeLabel(Panel1, "Title", QStringLiteral("Nagi将棋"), QRect(8, 8, 107, 32), 32);
    narrowToFit(Title);
    Bevel1 = makeBevel(Panel1, "Bevel1", QRect(8, 48, 105, 25));
    ModeLabel = makeLabel(Panel1, "ModeLabel", QStringLiteral("対局モード"), QRect(16, 50, 86, 19), 19);
    Bevel2 = makeBevel(Panel1, "Bevel2", QRect(8, 80, 105, 25));
    TurnLabel = makeLabel(Panel1, "TurnLabel", QStringLiteral("手数"), QRect(16, 84, 89, 16), 16);

    // The group only frames the buttons: they are the panel's children, and as siblings they
    // exclude one another. Made first, it lies beneath them.
    RadioGroup1 = new QGroupBox(QStringLiteral("利き情報"), Panel1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 112, 105, 73);
    RadioButton4 =
        makeRadioButton(Panel1, "RadioButton4", QStringLiteral("表示なし"), QRect(16, 128, 80, 17));
    RadioButton2 =
        makeRadioButton(Panel1, "RadioButton2", QStringLiteral("利き収支分布"), QRect(16, 144, 90, 17));
    RadioButton3 =
        makeRadioButton(Panel1, "RadioButton3", QStringLiteral("利き集中分布"), QRect(16, 160, 90, 17));
    RadioButton4->setChecked(true);
    setTabOrder(RadioGroup1, RadioButton2);
    setTabOrder(RadioButton2, RadioButton3);
    setTabOrder(RadioButton3, RadioButton4);
    connect(RadioButton2, &QRadioButton::clicked, this, &TZnMainForm::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TZnMainForm::RadioButton3Click);
    connect(RadioButton4, &QRadioButton::clicked, this, &TZnMainForm::RadioButton4Click);
}

void TZnMainForm::setPromotionAsker(PromotionAsker *asker) {
    promotionAsker_ = asker ? asker : &messageBoxAsker_;
}

void TZnMainForm::setFileChooser(FileChooser *chooser) { fileChooser_ = chooser ? chooser : &dialogChooser_; }

void TZnMainForm::redrawBoard() {
    const BoardView view = display_.view;
    QImage &image = selection_.image(Ban->devicePixelRatioF());
    ZnBan &shown = shownGame();
    layers_.drawBoard(image, shown, selection_, display_);
    Ban->copyFrom(image, QRect(0, 0, IMAGE_WIDTH, IMAGE_HEIGHT));
    // The stand on the right belongs to the side the board is seen from.
    ClearStandImage(image);
    layers_.drawStand(image, shown, view.side(), selection_, view);
    Dai0->copyFrom(image, QRect(0, 0, STAND_WIDTH, STAND_HEIGHT));
    ClearStandImage(image);
    layers_.drawStand(image, shown, otherSide(view.side()), selection_, view);
    Dai1->copyFrom(image, QRect(0, 0, STAND_WIDTH, STAND_HEIGHT));
}

void TZnMainForm::setFlipped(bool turned) {
    QAction *item = action(MenuAction::Flip);
    if (item != nullptr && item->isChecked() != turned) {
        const QSignalBlocker quiet(item);
        item->setChecked(turned);
    }
    if (turned == display_.view.turned) return;
    display_.view.turned = turned;
    if (hoverWatcher_ != nullptr) hoverWatcher_->setView(display_.view);
    // The hovered square was found with the old mapping.
    layers_.setHoveredSquare(-1);
    // Before the window is first shown its first paint draws the board; a redraw now would
    // replace the status a file opened at start leaves.
    if (isVisible()) RedrawAll();
}

void TZnMainForm::setDestinationRule(DestinationRule rule) {
    layers_.setDestinationRule(std::move(rule));
    redrawBoard();
}

void TZnMainForm::RedrawAll() {
    // The mate line was stepped from the record's position; once the record moves it is left.
    if (mateShown_ != nullptr && (document_.game().key() != mateShown_->fromKey ||
                                  document_.game().moveCount() != mateShown_->fromCount))
        leaveMateLine();
    redrawBoard();
    if (editingPosition()) {
        // The record waits; the panel tells the position being edited.
        TurnLabel->setText(shownGame().turn() == SENTE ? QStringLiteral("先手番") : QStringLiteral("後手番"));
        positionEdit_->refresh();
        return;
    }

    const bool sente = document_.game().turn() == SENTE;
    const int moveNumber = document_.game().moveCount() + 1;
    TurnLabel->setText(sente ? QStringLiteral("先手:%1手目").arg(moveNumber)
                             : QStringLiteral("後手:%1手目").arg(moveNumber));
    narrowToFit(TurnLabel);
    // The rules decide nothing on the free board, but the text says what they see.
    StatusPanel->setFullText(heldStatus_.isEmpty() ? QString::fromStdString(turnText(document_.game()))
                                                   : heldStatus_);
    if (kifuWindow_ != nullptr) kifuWindow_->follow(document_.record());
    followAnalysis();
    followBook();
    // Moves played on the board change the record without a word to the document.
    document_.touch();
}

void TZnMainForm::SetStatusText(const QString &text) {
    heldStatus_.clear();
    StatusPanel->setFullText(text);
}

void TZnMainForm::holdStatusText(const QString &text) {
    StatusPanel->setFullText(text);
    heldStatus_ = text;
}

QString TZnMainForm::statusText() const { return StatusPanel->fullText(); }

void TZnMainForm::focusBoard() { Ban->setFocus(Qt::OtherFocusReason); }

void TZnMainForm::BanPaint() {
    // The first picture writes the turn text; later paints (a menu closing over the board) only
    // bring the pictures back, so that a note just written stays.
    if (painted_)
        redrawBoard();
    else
        RedrawAll();
    painted_ = true;
    // After this paint, so that the file's status text is the one left showing.
    if (!startFile_.isEmpty()) QTimer::singleShot(0, this, &TZnMainForm::openStartFile);
}

void TZnMainForm::BanMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    // The right button opens the popup menu; no other button but the left one enters moves.
    if (button != Qt::LeftButton) return;
    // A press on a position of the mate line brings the record's back first; it plays nothing.
    if (leaveMateLine()) return;
    SetStatusText(QString());
    if (csaWindow_ != nullptr && csaWindow_->active()) return csaWindow_->press(x, y);
    if (gameRunning()) return gamePress(x, y);
    QString refusal;
    if (BoardPress(document_.game(), selection_, *promotionAsker_, button, x, y, &document_.record(),
                   display_.view, &refusal))
        RedrawAll();
    if (!refusal.isEmpty()) SetStatusText(refusal);
}

void TZnMainForm::gamePress(int x, int y) {
    if (!games_.host()->personToMove()) {
        SetStatusText(games_.host()->started() ? QStringLiteral("相手の手番です")
                                               : QStringLiteral("対局の準備中です"));
        return;
    }
    QString refusal;
    GameHost *host = games_.host();
    const auto play = [host](const Move &move) { return host->play(move); };
    if (!BoardPressInGame(document_.game(), selection_, *promotionAsker_, x, y, play, refusal, display_.view))
        return;
    RedrawAll();
    if (!refusal.isEmpty())
        SetStatusText(refusal);
    else if (!gameRunning() || games_.host()->over())
        SetStatusText(games_.lastResult());
}

bool TZnMainForm::standLocked() const {
    return (gameRunning() && !games_.host()->personToMove()) ||
           (csaWindow_ != nullptr && csaWindow_->locksStands());
}

void TZnMainForm::Dai0MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int y) {
    if (standLocked() || leaveMateLine()) return;
    if (StandPress(document_.game(), selection_, display_.view.side(), y, display_.view)) RedrawAll();
}

void TZnMainForm::Dai1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int y) {
    if (standLocked() || leaveMateLine()) return;
    if (StandPress(document_.game(), selection_, otherSide(display_.view.side()), y, display_.view))
        RedrawAll();
}

void TZnMainForm::BanContextMenu(const QPoint &position) {
    menu(WindowMenu::BoardPopup)->popup(Ban->mapToGlobal(position));
}

void TZnMainForm::newRecord() {
    if (refuseDuringGame()) return;
    if (!confirmDiscard()) return;
    selection_.Reset();
    document_.newRecord();
    // The last game's times would read as this record's.
    if (clockWindow_ != nullptr) clockWindow_->clear();
    RedrawAll();
    SetStatusText(QString());
    focusBoard();
}

void TZnMainForm::undoOneMove() {
    if (refuseDuringGame()) return;
    // Before the end of the line it only steps back: nothing is deleted without a question.
    document_.record().takeBack();
    // A piece in hand stays selected: it is counted in the hand of the side now to move.
    selection_.clearSquareSelection();
    RedrawAll();
}

void TZnMainForm::cancelSelection() {
    selection_.clearSquareSelection();
    // Otherwise the piece would go on looking selected until something else redraws.
    RedrawAll();
}

void TZnMainForm::showAbout() {
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("AboutBox"));
    setUpAboutBox(box);
    box.exec();
}

void TZnMainForm::setAttackDisplay(AttackDisplay mode) {
    display_.attacks = mode;
    RedrawAll();
}

void TZnMainForm::RadioButton2Click() { setAttackDisplay(AttackDisplay::Balance); }

void TZnMainForm::RadioButton3Click() { setAttackDisplay(AttackDisplay::Concentration); }

void TZnMainForm::RadioButton4Click() { setAttackDisplay(AttackDisplay::None); }

void TZnMainForm::watchBoard() {
    // The board and the stands hold the keyboard, so that the arrow keys walk. The attack-display
    // buttons take it only by Tab, and keep the arrows while they have it.
    for (TPaintBox *box : {Ban, Dai0, Dai1}) box->setFocusPolicy(Qt::ClickFocus);
    for (QRadioButton *button : {RadioButton2, RadioButton3, RadioButton4})
        button->setFocusPolicy(Qt::TabFocus);
    auto arrowKeysStay = new ArrowKeysStay(this, Ban);
    for (QRadioButton *button : {RadioButton2, RadioButton3, RadioButton4})
        button->installEventFilter(arrowKeysStay);

    hoverWatcher_ = new BoardHoverWatcher(Ban);
    connect(hoverWatcher_, &BoardHoverWatcher::squareChanged, this, [this](int square) {
        layers_.setHoveredSquare(square);
        if (display_.layers.followMouse()) redrawBoard();
    });
}

void TZnMainForm::setLayer(bool LayerSettings::*layer, bool on) {
    display_.layers.*layer = on;
    RedrawAll();
}

void TZnMainForm::walkTo(int move) {
    if (refuseDuringGame()) return;
    if (!document_.record().goTo(qBound(0, move, document_.record().length()))) return;
    // A selection made in another position means nothing in this one.
    selection_.Reset();
    RedrawAll();
}

void TZnMainForm::explainDisplays() {
    const struct {
        QRadioButton *button;
        QString tip;
    } buttons[] = {
        {RadioButton4, QStringLiteral("盤に利きの色を付けません。")},
        {RadioButton2,
         QStringLiteral(
             "先手の利きが多いマスを青、後手が多いマスを赤で塗り、相手の利きが多い駒を黄色で囲みます。")},
        {RadioButton3, QStringLiteral("両方の利きの合計が多いマスほど濃い緑で塗ります。")},
    };
    for (const auto &entry : buttons) {
        entry.button->setToolTip(entry.tip);
        entry.button->setStatusTip(entry.tip);
    }
}

void TZnMainForm::showLegendWindow() {
    if (legendWindow_ == nullptr) {
        legendWindow_ = new TLegendWindow(this);
        closeWithEscape(legendWindow_);
        showInStoredPlace(legendWindow_, QStringLiteral("legend"),
                          frameGeometry().topLeft() + QPoint(40, 40));
    }
    legendWindow_->show();
    legendWindow_->raise();
}

void TZnMainForm::showKifuWindow() {
    if (kifuWindow_ == nullptr) {
        kifuWindow_ = new TKifuWindow(this);
        kifuWindow_->setWalkActions(action(MenuAction::First), action(MenuAction::Previous),
                                    action(MenuAction::Next), action(MenuAction::Last));
        connect(kifuWindow_, &TKifuWindow::moveChosen, this, &TZnMainForm::walkTo);
        connectKifuWindow();
        // Beside the main window, at least as tall as it.
        const QRect frame = frameGeometry();
        kifuWindow_->resize(kifuWindow_->width(), qMax(height(), kifuWindow_->height()));
        closeWithEscape(kifuWindow_);
        showInStoredPlace(kifuWindow_, QStringLiteral("kifu"), QPoint(frame.right() + 1, frame.top()));
    }
    kifuWindow_->show();
    kifuWindow_->raise();
    kifuWindow_->follow(document_.record());
}
