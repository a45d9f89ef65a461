// The 定跡 menu and the book items of 表示: the window that holds the book, its arrows on the board,
// and building a book from records in the window.

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
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

void TZnMainForm::createBookWindow() {
    bookWindow_ = new TBookWindow(this);
    closeWithEscape(bookWindow_);
    bookWindow_->setSaveChooser([this] {
        return QFileDialog::getSaveFileName(bookWindow_, QStringLiteral("定跡を保存"), recordFolder(), kBookFilter);
    });
    layers_.bookMarks().arrowColour = kBookArrowColour;
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
        // The record keeps board moves with the usual unused kind, as every reader gives them.
        if (!move.isDrop()) move.dropKind = PAWN;
        if (const std::string problem = document_.record().play(move); !problem.empty()) {
            SetStatusText(QString::fromStdString(problem));
            return;
        }
        selection_.Reset();
        RedrawAll();
    });
}

void TZnMainForm::setBookArrows(bool on) {
    layers_.bookMarks().arrowsOn = on;
    followBook();
    redrawBoard();
}

void TZnMainForm::askOpenBook() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("定跡を開く"), recordFolder(), kBookFilter);
    if (!path.isEmpty()) bookWindow_->openBook(path);
}

void TZnMainForm::askSaveBookAs() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("定跡を保存"), recordFolder(), kBookFilter);
    if (!path.isEmpty()) bookWindow_->saveBookAs(path);
}

void TZnMainForm::askBuildBook() {
    QString folder;
    BookBuildOptions options;
    if (askBuild(this, folder, options)) bookWindow_->buildFrom({folder}, options);
}

void TZnMainForm::followBook() {
    if (bookWindow_ == nullptr) return;
    std::optional<Move> next;
    const std::size_t cursor = static_cast<std::size_t>(document_.game().moveCount());
    if (cursor < document_.game().history().size()) {
        // A book names a board move with no kind; the window compares whole moves.
        next = moveOf(document_.game().history()[cursor]);
        if (!next->isDrop()) next->dropKind = PieceKind{0};
    }
    bookWindow_->follow(document_.game(), next);
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
