#include "ui/bookwindow.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "book/bookrows.h"
#include "record/play.h"

namespace {

// A book up to this size has every move checked when it opens; a larger one as positions are shown.
constexpr qint64 kCheckWholeBookBytes = 16 * 1024 * 1024;

// A whole number from a cell; empty text clears the field.
template <typename Number>
bool readNumber(const QString &text, std::optional<Number> &out) {
    const std::string word = text.trimmed().toStdString();
    if (word.empty()) {
        out.reset();
        return true;
    }
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) return false;
    out = value;
    return true;
}

}  // namespace

TBookWindow::TBookWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("BookWindow"));
    resize(520, 300);
    auto *layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    layout->addWidget(title_);
    table_ = new QTableWidget(0, 6, this);
    table_->setObjectName(QStringLiteral("BookTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("指し手"), QStringLiteral("割合"), QStringLiteral("回数"),
                                       QStringLiteral("評価値"), QStringLiteral("深さ"), QStringLiteral("コメント")});
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {120, 60, 60, 60, 44};
    for (int column = 0; column < 5; ++column) table_->setColumnWidth(column, widths[column]);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click plays; a cell is edited by F2 or a click on the selected row.
    table_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    layout->addWidget(table_);
    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("BookPositionComment"));
    comment_->setPlaceholderText(QStringLiteral("局面のコメント"));
    layout->addWidget(comment_);
    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption, const char *name, auto action) {
        auto *pressed = new QPushButton(caption, this);
        pressed->setObjectName(QLatin1String(name));
        pressed->setAutoDefault(false);
        connect(pressed, &QPushButton::clicked, this, action);
        buttons->addWidget(pressed);
    };
    button(QStringLiteral("棋譜の手を追加"), "BookAdd", [this] { addNextMove(); });
    button(QStringLiteral("削除"), "BookDelete", [this] { deleteMove(table_->currentRow()); });
    button(QStringLiteral("上へ"), "BookUp", [this] { moveRow(table_->currentRow(), -1); });
    button(QStringLiteral("下へ"), "BookDown", [this] { moveRow(table_->currentRow(), 1); });
    button(QStringLiteral("元に戻す"), "BookUndo", [this] { undo(); });
    layout->addLayout(buttons);
    new QShortcut(QKeySequence::Undo, this, [this] { undo(); });

    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(shownMoves_.size()))
            emit playRequested(shownMoves_[static_cast<std::size_t>(row)].move);
    });
    connect(table_, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!filling_) setCell(row, column, table_->item(row, column)->text());
    });
    connect(comment_, &QLineEdit::editingFinished, this, [this] {
        const std::string now = entry_ ? entry_->comment : std::string();
        if (comment_->text().toStdString() != now) setPositionComment(comment_->text());
    });
    updateTitle();
}

void TBookWindow::say(const QString &text) {
    status_ = text;
    emit statusChanged(text);
}

void TBookWindow::updateTitle() {
    const QString name = path_.isEmpty() ? QStringLiteral("新しい定跡") : QFileInfo(path_).fileName();
    setWindowTitle(QStringLiteral("定跡 - ") + name + (modified_ ? QStringLiteral("*") : QString()));
    title_->setText(name + QStringLiteral("　%1局面").arg(book_.onTheFly() ? QStringLiteral("?") : QString::number(book_.size())) +
                    (book_.onTheFly() ? QStringLiteral("（大きいため読み取り専用）") : QString()));
}

bool TBookWindow::confirmDiscard() {
    if (!modified_) return true;
    SaveAnswer answer = SaveAnswer::Cancel;
    if (ask_) {
        answer = ask_();
    } else {
        const auto pressed = QMessageBox::question(
            this, QStringLiteral("定跡"), QStringLiteral("定跡が変更されています。保存しますか？"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel);
        answer = pressed == QMessageBox::Save ? SaveAnswer::Save
                 : pressed == QMessageBox::Discard ? SaveAnswer::Discard
                                                   : SaveAnswer::Cancel;
    }
    if (answer == SaveAnswer::Discard) return true;
    if (answer == SaveAnswer::Save) return saveBook();
    return false;
}

bool TBookWindow::newBook() {
    if (!confirmDiscard()) return false;
    book_ = Book{};
    path_.clear();
    modified_ = false;
    undo_.clear();
    refresh();
    say(QStringLiteral("新しい定跡を作りました"));
    return true;
}

bool TBookWindow::openBook(const QString &path) {
    if (!confirmDiscard()) return false;
    BookOpenOptions options;
    options.read.checkMoves = QFileInfo(path).size() <= kCheckWholeBookBytes;
    BookReadResult read = ::openBook(path.toStdString(), options);
    if (!read.ok) {
        say(QStringLiteral("定跡を読み込めませんでした: ") + QString::fromStdString(read.reason));
        return false;
    }
    book_ = std::move(read.book);
    path_ = path;
    modified_ = false;
    undo_.clear();
    refresh();
    QString text = QStringLiteral("定跡を読み込みました");
    const std::size_t problems = read.problems.size() + read.problemsUnnamed;
    if (problems > 0)
        text += QStringLiteral("（%1件を除きました: ").arg(problems) + QString::fromStdString(read.problems.front()) +
                QStringLiteral("）");
    say(text);
    return true;
}

bool TBookWindow::saveBook() {
    if (path_.isEmpty()) {
        const QString chosen = chooseSave_ ? chooseSave_() : QString();
        return !chosen.isEmpty() && saveBookAs(chosen);
    }
    return saveBookAs(path_);
}

bool TBookWindow::saveBookAs(const QString &path) {
    const SaveResult saved = book_.save(path.toStdString());
    if (!saved.ok) {
        say(QStringLiteral("定跡を保存できませんでした: ") + QString::fromStdString(saved.reason));
        return false;
    }
    path_ = path;
    modified_ = false;
    updateTitle();
    say(QStringLiteral("定跡を保存しました"));
    emit bookChanged();
    return true;
}

bool TBookWindow::buildFrom(const QStringList &paths, const BookBuildOptions &options) {
    if (!editable()) return false;
    BookBuilder builder(options);
    for (const QString &path : paths) builder.addPath(path.toStdString());
    if (builder.records() == 0) {
        say(QStringLiteral("使える棋譜がありません") +
            (builder.problems().empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(builder.problems().front())));
        return false;
    }
    builder.addTo(book_);
    // An addition of many positions is not taken back one by one.
    undo_.clear();
    modified_ = true;
    refresh();
    say(QStringLiteral("棋譜%1局の指し手を定跡に加えました").arg(builder.records()) +
        (builder.problems().empty() ? QString() : QStringLiteral("（読めない棋譜%1個）").arg(builder.problems().size())));
    return true;
}

void TBookWindow::follow(const ZnBan &game, std::optional<Move> next) {
    game_ = &game;
    next_ = next;
    const std::string key = bookKey(game);
    ply_ = game.moveCount() + 1;
    if (key == key_) return;
    key_ = key;
    refresh();
}

void TBookWindow::refresh() {
    updateTitle();
    entry_.reset();
    shownMoves_.clear();
    arrows_.clear();
    if (game_ != nullptr) {
        BookMoves found = movesFor(book_, *game_);
        entry_ = std::move(found.entry);
        if (entry_) shownMoves_ = entry_->moves;
    }
    const QSignalBlocker quiet(comment_);
    comment_->setText(entry_ ? QString::fromStdString(entry_->comment) : QString());
    filling_ = true;
    // A selection belongs to the list it was made in.
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(shownMoves_.size()));
    if (game_ != nullptr) {
        const std::vector<BookRow> rows = bookRows(*game_, shownMoves_);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const BookRow &row = rows[i];
            const QString texts[] = {QString::fromStdString(row.move),  QString::fromStdString(row.share),
                                     QString::fromStdString(row.count), QString::fromStdString(row.value),
                                     QString::fromStdString(row.depth), QString::fromStdString(row.comment)};
            for (int column = 0; column < 6; ++column) {
                auto *item = new QTableWidgetItem(texts[column]);
                if (column == MoveColumn || column == ShareColumn) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                if (column >= ShareColumn && column <= DepthColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(static_cast<int>(i), column, item);
            }
            const Move &move = shownMoves_[i].move;
            const int slot = move.from == IN_HAND ? std::max(0, dropPosition(*game_, move.dropKind)) : 0;
            arrows_.push_back({move.from, move.to, game_->turn(), slot, static_cast<int>(i)});
        }
    }
    filling_ = false;
    emit bookChanged();
}

std::vector<BestMoveArrow> TBookWindow::arrows() const { return arrows_; }

bool TBookWindow::editable() {
    if (!book_.onTheFly()) return true;
    say(QStringLiteral("大きすぎて読み取り専用で開いた定跡は編集できません"));
    return false;
}

bool TBookWindow::edit(BookEntry entry) {
    if (!editable() || game_ == nullptr) return false;
    undo_.emplace_back(key_, book_.find(key_));
    book_.put(std::move(entry));
    modified_ = true;
    refresh();
    return true;
}

bool TBookWindow::addNextMove() {
    if (!next_) {
        say(QStringLiteral("この局面の次の手が棋譜にありません"));
        return false;
    }
    BookEntry entry = entry_ ? *entry_ : BookEntry{key_, ply_, {}, {}};
    for (BookMove &known : entry.moves)
        if (known.move == *next_) {
            known.count = known.count.value_or(0) + 1;
            return edit(std::move(entry));
        }
    BookMove added;
    added.move = *next_;
    added.count = 1;
    entry.moves.push_back(added);
    return edit(std::move(entry));
}

bool TBookWindow::deleteMove(int row) {
    if (!entry_ || row < 0 || row >= static_cast<int>(entry_->moves.size())) return false;
    BookEntry entry = *entry_;
    entry.moves.erase(entry.moves.begin() + row);
    return edit(std::move(entry));
}

bool TBookWindow::moveRow(int row, int step) {
    const int to = row + step;
    if (!entry_ || row < 0 || to < 0 || row >= static_cast<int>(entry_->moves.size()) ||
        to >= static_cast<int>(entry_->moves.size()))
        return false;
    // The file lists a position's moves by count, then value: an order against that would be
    // undone by the next save, so it is not offered.
    const BookMove &moved = entry_->moves[static_cast<std::size_t>(row)];
    const BookMove &passed = entry_->moves[static_cast<std::size_t>(to)];
    const BookMove &upper = step < 0 ? moved : passed, &lower = step < 0 ? passed : moved;
    if (bookMoveRanksBefore(lower, upper)) {
        const bool byCount = lower.count.value_or(0) != upper.count.value_or(0);
        const QString what = step < 0 ? (byCount ? QStringLiteral("回数の多い手より上") : QStringLiteral("評価値の高い手より上"))
                                       : (byCount ? QStringLiteral("回数の少ない手より下") : QStringLiteral("評価値の低い手より下"));
        say(what + QStringLiteral("には移せません（定跡ファイルは指し手を回数順、同じ回数なら評価値順に保存します）"));
        return false;
    }
    BookEntry entry = *entry_;
    std::swap(entry.moves[static_cast<std::size_t>(row)], entry.moves[static_cast<std::size_t>(to)]);
    if (!edit(std::move(entry))) return false;
    table_->setCurrentCell(to, MoveColumn);
    return true;
}

bool TBookWindow::setCell(int row, int column, const QString &text) {
    if (!entry_ || row < 0 || row >= static_cast<int>(entry_->moves.size())) return false;
    BookEntry entry = *entry_;
    BookMove &move = entry.moves[static_cast<std::size_t>(row)];
    bool ok = true;
    if (column == CountColumn) ok = readNumber(text, move.count);
    else if (column == ValueColumn) ok = readNumber(text, move.value);
    else if (column == DepthColumn) ok = readNumber(text, move.depth);
    else if (column == CommentColumn) move.comment = text.simplified().toStdString();
    else ok = false;
    if (!ok) {
        say(QStringLiteral("数ではありません: ") + text);
        refresh();
        return false;
    }
    if (!edit(std::move(entry))) return false;
    // The list keeps its order until saved; the user is told where the file will put the move.
    if ((column == CountColumn || column == ValueColumn) &&
        !std::is_sorted(entry_->moves.begin(), entry_->moves.end(), bookMoveRanksBefore))
        say(QStringLiteral("保存すると指し手は回数順（同じ回数なら評価値順）に並びます"));
    return true;
}

bool TBookWindow::setPositionComment(const QString &text) {
    BookEntry entry = entry_ ? *entry_ : BookEntry{key_, ply_, {}, {}};
    entry.comment = text.toStdString();
    return edit(std::move(entry));
}

bool TBookWindow::undo() {
    if (undo_.empty()) return false;
    auto [key, before] = std::move(undo_.back());
    undo_.pop_back();
    book_.put(before ? std::move(*before) : BookEntry{key, 1, {}, {}});
    modified_ = true;
    refresh();
    say(QStringLiteral("定跡の編集を元に戻しました"));
    return true;
}
