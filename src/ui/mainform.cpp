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
#include "support/report.h"
#include "enginehost/gamehost.h"
#include "ui/clockwindow.h"
#include "ui/enginestore.h"
#include "ui/gamedialog.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui/boardview.h"
#include "ui/paintbox.h"
#include "ui/render.h"
#include "ui/statuspanel.h"
#include "ui/windowplace.h"
#include "ui/znflags.h"

namespace {

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

TZnMainForm::TZnMainForm(QWidget *parent) : QMainWindow(parent) {
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
    createSaveItems();
    createViewMenu();
    createKifuMenu();
    createEditMenu();
    createAnalysisMenu();
    createBoardMenu();
    createGameCommands();
    // A record file dropped anywhere on the window opens; dropped text is pasted.
    setAcceptDrops(true);
    // The window is exactly its contents: menu bar, board area and status bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setReportHook(showDebugBox);
    // Off at start; startWindow brings back the stored view.
    setBoardTurned(false);
    explainDisplays();
    // The keys walk the record from the first press on.
    focusBoard();
    savedRevision_ = record_.revision();
}

TZnMainForm::~TZnMainForm() {
    setReportHook(nullptr);
    // The board and its children outlive the game; hiding them must not redraw a game that is gone.
    delete hoverWatcher_;
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

QAction *TZnMainForm::addItem(QMenu *menu, const char *name, const QString &caption) {
    QAction *item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

void TZnMainForm::createMenus() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    // The desktop's global menu bar would take the menus out of the fixed window.
    MainMenu1->setNativeMenuBar(false);

    FileF1 = MainMenu1->addMenu(QStringLiteral("ファイル(&F)"));
    FileF1->setObjectName(QStringLiteral("FileF1"));
    KN1 = addItem(FileF1, "KN1", QStringLiteral("新規(&N)"));
    K4 = addItem(FileF1, "K4", QStringLiteral("開く(&O)"));
    KS1 = addItem(FileF1, "KS1", QStringLiteral("保存(&S)"));
    KN1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    K4->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    KS1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    N1 = FileF1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    ExitX1 = addItem(FileF1, "ExitX1", QStringLiteral("終了(&X)"));

    KR1 = MainMenu1->addMenu(QStringLiteral("実行(&R)"));
    KR1->setObjectName(QStringLiteral("KR1"));
    KR2 = addItem(KR1, "KR2", QStringLiteral("対局(&R)"));
    KB1 = addItem(KR1, "KB1", QStringLiteral("一手戻す(&B)"));
    KG1 = addItem(KR1, "KG1", QStringLiteral("投了(&G)"));

    HelpH1 = MainMenu1->addMenu(QStringLiteral("ヘルプ(&H)"));
    HelpH1->setObjectName(QStringLiteral("HelpH1"));
    KA1 = addItem(HelpH1, "KA1", QStringLiteral("バージョン情報(&A)"));
    KH2 = new QAction(QStringLiteral("凡例(&L)"), HelpH1);
    KH2->setObjectName(QStringLiteral("KH2"));
    KH2->setStatusTip(QStringLiteral("盤の色と印が何を表すかを一覧で示します。"));
    HelpH1->insertAction(KA1, KH2);
    connect(KH2, &QAction::triggered, this, &TZnMainForm::showLegendWindow);

    connect(KN1, &QAction::triggered, this, &TZnMainForm::KN1Click);
    connect(K4, &QAction::triggered, this, &TZnMainForm::K4Click);
    connect(KS1, &QAction::triggered, this, &TZnMainForm::KS1Click);
    connect(ExitX1, &QAction::triggered, this, &TZnMainForm::ExitX1Click);
    connect(KB1, &QAction::triggered, this, &TZnMainForm::KB1Click);
    connect(KA1, &QAction::triggered, this, &TZnMainForm::KA1Click);
}

void TZnMainForm::createViewMenu() {
    ViewV1 = new QMenu(QStringLiteral("表示(&V)"), MainMenu1);
    ViewV1->setObjectName(QStringLiteral("ViewV1"));
    MainMenu1->insertMenu(HelpH1->menuAction(), ViewV1);
    createWalkCommands();
    ViewV1->addSeparator();
    addLayerItems();
    ViewV1->addSeparator();
    KT1 = addItem(ViewV1, "KT1", QStringLiteral("盤面反転(&T)"));
    KT1->setCheckable(true);
    KT1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    KT1->setStatusTip(QStringLiteral("盤を後手の側から見た向きにします。"));
    createZoomMenu();
    connect(KT1, &QAction::toggled, this, [this](bool on) {
        setFlipped(on);
        storeViewSettings();
    });
}

void TZnMainForm::addLayerItems() {
    const struct {
        const char *name;
        QString caption;
        bool LayerSettings::*layer;
        Qt::Key key;
        QString tip;
    } items[] = {
        {"KC1", QStringLiteral("利きの数(&C)"), &LayerSettings::counts, Qt::Key_1,
         QStringLiteral("マスに利く駒の数を、先手は左下に青、後手は右上に赤で示します。")},
        {"KL1", QStringLiteral("利きの筋(&L)"), &LayerSettings::attackers, Qt::Key_2,
         QStringLiteral("マウスの下のマスに利く駒から線を引きます（先手は青、後手は赤）。")},
        {"KX1", QStringLiteral("取られる駒(&X)"), &LayerSettings::exchange, Qt::Key_3,
         QStringLiteral("取り合いになると損をする駒をマゼンタの枠で囲みます。")},
        {"KP1", QStringLiteral("指し手の予告(&Y)"), &LayerSettings::preview, Qt::Key_4,
         QStringLiteral("選んだ駒の行き先にマウスを置くと、指した後の盤を薄い駒で示します。")},
        {"KM1", QStringLiteral("最後の指し手(&M)"), &LayerSettings::lastMove, Qt::Key_5,
         QStringLiteral("最後に指した手の行き先を白い枠で囲みます。")},
        {"KQ1", QStringLiteral("指せる場所(&D)"), &LayerSettings::destinations, Qt::Key_6,
         QStringLiteral("選んだ駒が動ける（打てる）マスに緑の点を打ちます。")},
    };
    // Their tooltips tell what the colours mean; the walking commands need none. Each tip fits the
    // status bar, which shows it whole while the mouse rests on the item.
    ViewV1->setToolTipsVisible(true);
    for (const auto &item : items) {
        QAction *action = addItem(ViewV1, item.name, item.caption);
        action->setCheckable(true);
        action->setShortcut(QKeySequence(Qt::CTRL | item.key));
        action->setToolTip(item.tip);
        action->setStatusTip(item.tip);
        connect(action, &QAction::toggled, this, [this, layer = item.layer](bool on) {
            layers_.settings().*layer = on;
            RedrawAll();
        });
    }
    hoverWatcher_ = new BoardHoverWatcher(Ban);
    connect(hoverWatcher_, &BoardHoverWatcher::squareChanged, this, [this](int square) {
        layers_.setHoveredSquare(square);
        if (layers_.followMouse()) redrawBoard();
    });
}

void TZnMainForm::createBoardMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    K1 = addItem(PopupMenu1, "K1", QStringLiteral("一手戻す"));
    K2 = addItem(PopupMenu1, "K2", QStringLiteral("投了"));
    K3 = addItem(PopupMenu1, "K3", QStringLiteral("キャンセル"));
    connect(K1, &QAction::triggered, this, &TZnMainForm::K1Click);
    connect(K3, &QAction::triggered, this, &TZnMainForm::K3Click);
}

void TZnMainForm::setPromotionAsker(PromotionAsker *asker) {
    promotionAsker_ = asker ? asker : &messageBoxAsker_;
}

void TZnMainForm::setFileChooser(FileChooser *chooser) { fileChooser_ = chooser ? chooser : &dialogChooser_; }

void TZnMainForm::redrawBoard() {
    // The global view follows this window's board, whichever window drew last.
    setBoardTurned(flipped_);
    QImage &image = znFlags.image(Ban->devicePixelRatioF());
    layers_.drawBoard(image, game_, znFlags, attackDisplayMode);
    Ban->copyFrom(image, QRect(0, 0, IMAGE_WIDTH, IMAGE_HEIGHT));
    // The stand on the right belongs to the side the board is seen from.
    ClearStandImage(image);
    layers_.drawStand(image, game_, viewSide(), znFlags);
    Dai0->copyFrom(image, QRect(0, 0, STAND_WIDTH, STAND_HEIGHT));
    ClearStandImage(image);
    layers_.drawStand(image, game_, otherSide(viewSide()), znFlags);
    Dai1->copyFrom(image, QRect(0, 0, STAND_WIDTH, STAND_HEIGHT));
}

void TZnMainForm::setFlipped(bool turned) {
    if (KT1 != nullptr && KT1->isChecked() != turned) {
        const QSignalBlocker quiet(KT1);
        KT1->setChecked(turned);
    }
    if (turned == flipped_) return;
    flipped_ = turned;
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
    redrawBoard();

    const bool sente = game_.turn() == SENTE;
    const int moveNumber = game_.moveCount() + 1;
    TurnLabel->setText(sente ? QStringLiteral("先手:%1手目").arg(moveNumber)
                             : QStringLiteral("後手:%1手目").arg(moveNumber));
    narrowToFit(TurnLabel);
    // The rules decide nothing on the free board, but the text says what they see.
    SetStatusText(QString::fromStdString(turnText(game_)));
    if (kifuWindow_ != nullptr) kifuWindow_->follow(record_);
    followAnalysis();
    updateCaption();
}

void TZnMainForm::SetStatusText(const QString &text) { StatusPanel->setFullText(text); }

QString TZnMainForm::statusText() const { return StatusPanel->fullText(); }

void TZnMainForm::focusBoard() { Ban->setFocus(Qt::OtherFocusReason); }

void TZnMainForm::BanPaint() {
    RedrawAll();
    painted_ = true;
    // After this paint, so that the file's status text is the one left showing.
    if (!startFile_.isEmpty()) QTimer::singleShot(0, this, &TZnMainForm::openStartFile);
}

void TZnMainForm::BanMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    // The right button opens the popup menu; no other button but the left one enters moves.
    if (button != Qt::LeftButton) return;
    SetStatusText(QString());
    setBoardTurned(flipped_);
    if (gameRunning()) return gamePress(x, y);
    if (BoardPress(game_, znFlags, *promotionAsker_, button, x, y, &record_)) RedrawAll();
}

void TZnMainForm::gamePress(int x, int y) {
    if (!gameHost_->personToMove()) {
        SetStatusText(gameHost_->started() ? QStringLiteral("相手の手番です") : QStringLiteral("対局の準備中です"));
        return;
    }
    QString refusal;
    GameHost *host = gameHost_;
    const auto play = [host](const Move &move) { return host->play(move); };
    if (!BoardPressInGame(game_, znFlags, *promotionAsker_, x, y, play, refusal)) return;
    RedrawAll();
    if (!refusal.isEmpty())
        SetStatusText(refusal);
    else if (gameHost_ == nullptr || gameHost_->over())
        SetStatusText(lastResult_);
}

bool TZnMainForm::standLocked() const { return gameRunning() && !gameHost_->personToMove(); }

void TZnMainForm::Dai0MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int y) {
    setBoardTurned(flipped_);
    if (standLocked()) return;
    if (StandPress(game_, znFlags, viewSide(), y)) RedrawAll();
}

void TZnMainForm::Dai1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int y) {
    setBoardTurned(flipped_);
    if (standLocked()) return;
    if (StandPress(game_, znFlags, otherSide(viewSide()), y)) RedrawAll();
}

void TZnMainForm::BanContextMenu(const QPoint &position) { PopupMenu1->popup(Ban->mapToGlobal(position)); }

void TZnMainForm::KN1Click() {
    if (refuseDuringGame()) return;
    if (!confirmDiscard()) return;
    znFlags.Reset();
    game_.newGame();
    record_.reset();
    setRecordPath(QString());
    markSaved(QString(), RecordFormat::Ngr, false);
    RedrawAll();
    SetStatusText(QString());
    focusBoard();
}

void TZnMainForm::ExitX1Click() { close(); }

void TZnMainForm::undoOneMove() {
    if (refuseDuringGame()) return;
    // Before the end of the line it only steps back: nothing is deleted without a question.
    record_.takeBack();
    // A piece in hand stays selected: it is counted in the hand of the side now to move.
    znFlags.clearSquareSelection();
    RedrawAll();
}

void TZnMainForm::KB1Click() { undoOneMove(); }

void TZnMainForm::K1Click() { undoOneMove(); }

void TZnMainForm::K3Click() {
    znFlags.clearSquareSelection();
    // Otherwise the piece would go on looking selected until something else redraws.
    RedrawAll();
}

void TZnMainForm::KA1Click() {
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("AboutBox"));
    setUpAboutBox(box);
    box.exec();
}

void TZnMainForm::setAttackDisplayMode(int mode) {
    attackDisplayMode = mode;
    RedrawAll();
}

void TZnMainForm::RadioButton2Click() { setAttackDisplayMode(2); }

void TZnMainForm::RadioButton3Click() { setAttackDisplayMode(3); }

void TZnMainForm::RadioButton4Click() { setAttackDisplayMode(0); }

void TZnMainForm::createWalkCommands() {
    KK1 = addItem(ViewV1, "KK1", QStringLiteral("棋譜ウィンドウ(&K)"));
    ViewV1->addSeparator();
    KW1 = addItem(ViewV1, "KW1", QStringLiteral("最初へ(&S)"));
    KW2 = addItem(ViewV1, "KW2", QStringLiteral("一手前へ(&P)"));
    KW3 = addItem(ViewV1, "KW3", QStringLiteral("一手先へ(&N)"));
    KW4 = addItem(ViewV1, "KW4", QStringLiteral("最後へ(&E)"));
    KW1->setShortcut(Qt::Key_Home);
    KW2->setShortcut(Qt::Key_Left);
    KW3->setShortcut(Qt::Key_Right);
    KW4->setShortcut(Qt::Key_End);
    connect(KK1, &QAction::triggered, this, &TZnMainForm::showKifuWindow);
    connect(KW1, &QAction::triggered, this, [this] { walkTo(0); });
    connect(KW2, &QAction::triggered, this, [this] { walkTo(record_.cursor() - 1); });
    connect(KW3, &QAction::triggered, this, [this] { walkTo(record_.cursor() + 1); });
    connect(KW4, &QAction::triggered, this, [this] { walkTo(record_.length()); });

    // The board and the stands hold the keyboard, so that the arrow keys walk. The attack-display
    // buttons take it only by Tab, and keep the arrows while they have it.
    for (TPaintBox *box : {Ban, Dai0, Dai1}) box->setFocusPolicy(Qt::ClickFocus);
    for (QRadioButton *button : {RadioButton2, RadioButton3, RadioButton4})
        button->setFocusPolicy(Qt::TabFocus);
    auto arrowKeysStay = new ArrowKeysStay(this, Ban);
    for (QRadioButton *button : {RadioButton2, RadioButton3, RadioButton4})
        button->installEventFilter(arrowKeysStay);
}

void TZnMainForm::walkTo(int move) {
    if (refuseDuringGame()) return;
    if (!record_.goTo(qBound(0, move, record_.length()))) return;
    // A selection made in another position means nothing in this one.
    znFlags.Reset();
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
        kifuWindow_->setWalkActions(KW1, KW2, KW3, KW4);
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
    kifuWindow_->follow(record_);
}
