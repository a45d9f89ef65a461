// The 定跡 menu and the book items of 表示: the window that holds the book, its arrows on the board,
// and building a book from records in the window.

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>

#include "record/play.h"
#include "ui/bookwindow.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"

namespace {

const QString kBookFilter = QStringLiteral("定跡ファイル (*.db);;すべてのファイル (*)");
// Book moves in a colour of their own, apart from the engine's green.
const QColor kBookArrowColour{205, 110, 0};

// 棋譜から作成: the records' folder, then how to count; false when cancelled.
bool askBuild(QWidget *parent, QString &folder, BookBuildOptions &options) {
    folder = QFileDialog::getExistingDirectory(parent, QStringLiteral("棋譜のフォルダ"));
    if (folder.isEmpty()) return false;
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("棋譜から定跡を作成"));
    auto *form = new QFormLayout(&dialog);
    auto *plies = new QSpinBox(&dialog);
    plies->setRange(1, 1000);
    plies->setValue(options.plies);
    auto *minCount = new QSpinBox(&dialog);
    minCount->setRange(1, 1000000);
    auto *player = new QLineEdit(&dialog);
    auto *branches = new QCheckBox(QStringLiteral("変化も数える"), &dialog);
    branches->setChecked(true);
    form->addRow(QStringLiteral("最初の手数"), plies);
    form->addRow(QStringLiteral("最低出現回数"), minCount);
    form->addRow(QStringLiteral("対局者（空なら両方）"), player);
    form->addRow(branches);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    options.plies = plies->value();
    options.minCount = static_cast<std::uint64_t>(minCount->value());
    options.player = player->text().trimmed().toStdString();
    options.branches = branches->isChecked();
    return true;
}

}  // namespace

void TZnMainForm::createBookMenu() {
    bookWindow_ = new TBookWindow(this);
    closeWithEscape(bookWindow_);
    bookWindow_->setSaveChooser([this] {
        return QFileDialog::getSaveFileName(bookWindow_, QStringLiteral("定跡を保存"), recordFolder(), kBookFilter);
    });
    layers_.bookMarks().arrowColour = kBookArrowColour;

    QAction *show = addItem(ViewV1, "KBK1", QStringLiteral("定跡(&B)"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(show, &QAction::triggered, this, &TZnMainForm::showBookWindow);
    QAction *arrows = addItem(ViewV1, "KBK2", QStringLiteral("定跡の矢印"));
    arrows->setCheckable(true);
    arrows->setStatusTip(QStringLiteral("開いている定跡の、この局面の手を盤上に矢印で示します"));
    connect(arrows, &QAction::toggled, this, [this](bool on) {
        layers_.bookMarks().arrowsOn = on;
        followBook();
        redrawBoard();
    });
    // Beside 評価値グラフ, between the walking commands and the board layers that close the menu.
    const qsizetype graph = ViewV1->actions().indexOf(KV1);
    if (KV1 != nullptr && graph >= 0 && graph + 1 < ViewV1->actions().size() - 2) {
        QAction *after = ViewV1->actions()[graph + 1];
        ViewV1->removeAction(show);
        ViewV1->removeAction(arrows);
        ViewV1->insertAction(after, show);
        ViewV1->insertAction(after, arrows);
    }

    QMenu *menu = new QMenu(QStringLiteral("定跡(&J)"), MainMenu1);
    menu->setObjectName(QStringLiteral("BookJ1"));
    MainMenu1->insertMenu(HelpH1->menuAction(), menu);
    connect(addItem(menu, "KJB1", QStringLiteral("新規(&N)")), &QAction::triggered, this, [this] { bookWindow_->newBook(); });
    connect(addItem(menu, "KJB2", QStringLiteral("開く(&O)…")), &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("定跡を開く"), recordFolder(), kBookFilter);
        if (!path.isEmpty()) bookWindow_->openBook(path);
    });
    connect(addItem(menu, "KJB3", QStringLiteral("保存(&S)")), &QAction::triggered, this, [this] { bookWindow_->saveBook(); });
    connect(addItem(menu, "KJB4", QStringLiteral("名前を付けて保存(&A)…")), &QAction::triggered, this, [this] {
        const QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("定跡を保存"), recordFolder(), kBookFilter);
        if (!path.isEmpty()) bookWindow_->saveBookAs(path);
    });
    menu->addSeparator();
    connect(addItem(menu, "KJB5", QStringLiteral("棋譜から作成(&R)…")), &QAction::triggered, this, [this] {
        QString folder;
        BookBuildOptions options;
        if (askBuild(this, folder, options)) bookWindow_->buildFrom({folder}, options);
    });

    connect(bookWindow_, &TBookWindow::statusChanged, this, &TZnMainForm::SetStatusText);
    connect(bookWindow_, &TBookWindow::bookChanged, this, [this] {
        const std::vector<BestMoveArrow> shown = bookWindow_->arrows();
        if (layers_.bookMarks().arrowsOn && shown != layers_.bookMarks().arrows) {
            layers_.bookMarks().arrows = shown;
            redrawBoard();
        }
    });
    connect(bookWindow_, &TBookWindow::playRequested, this, [this](Move move) {
        if (refuseDuringGame()) return;
        const MoveSpec spec{move.from, move.to, move.promote, move.from == IN_HAND ? move.dropKind : PAWN};
        if (const std::string problem = record_.play(spec); !problem.empty()) {
            SetStatusText(QString::fromStdString(problem));
            return;
        }
        selection_.Reset();
        RedrawAll();
    });
}

void TZnMainForm::followBook() {
    if (bookWindow_ == nullptr) return;
    std::optional<Move> next;
    const std::size_t cursor = static_cast<std::size_t>(game_.moveCount());
    if (cursor < game_.history().size()) {
        const MoveSpec spec = specOf(game_.history()[cursor]);
        next = Move{spec.from, spec.to, spec.promote, spec.from == IN_HAND ? spec.dropKind : PieceKind{0}};
    }
    bookWindow_->follow(game_, next);
    layers_.bookMarks().arrows = layers_.bookMarks().arrowsOn ? bookWindow_->arrows() : std::vector<BestMoveArrow>{};
}

void TZnMainForm::showBookWindow() {
    // Placed once; later it comes back where it was hidden.
    if (!bookWindow_->property("placed").toBool()) {
        bookWindow_->setProperty("placed", true);
        const QRect frame = frameGeometry();
        showInStoredPlace(bookWindow_, QStringLiteral("book"), QPoint(frame.right() + 1, frame.top()));
    }
    followBook();
    bookWindow_->show();
    bookWindow_->raise();
}
