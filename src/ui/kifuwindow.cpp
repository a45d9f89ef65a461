#include "ui/kifuwindow.h"

#include <QAction>
#include <QColor>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/mistake.h"

namespace {

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption) {
    auto button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    // The arrow keys stay with the list.
    button->setFocusPolicy(Qt::NoFocus);
    // The style's minimum would make the four buttons wider than the list needs.
    button->setMinimumWidth(36);
    return button;
}

}  // namespace

void KifuListModel::setRows(const std::vector<std::string> &rows) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(qsizetype(rows.size()));
    for (const std::string &row : rows) rows_.push_back(fromUtf8(row));
    endResetModel();
}

int KifuListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

void KifuListModel::setLabels(const QStringList &labels) {
    if (labels == labels_) return;
    labels_ = labels;
    if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, 0));
}

QVariant KifuListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    const QString label = labels_.value(index.row());
    if (role == Qt::ForegroundRole && !label.isEmpty()) return QColor(200, 30, 30);
    if (role != Qt::DisplayRole) return {};
    return label.isEmpty() ? rows_[index.row()] : rows_[index.row()] + QStringLiteral("　") + label;
}

TKifuWindow::TKifuWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("KifuWindow"));
    setWindowTitle(QStringLiteral("棋譜"));

    model_ = new KifuListModel(this);
    KifuList = new QListView(this);
    KifuList->setObjectName(QStringLiteral("KifuList"));
    KifuList->setModel(model_);
    // Every row has the height of the first, so ten thousand rows cost no more than twenty.
    KifuList->setUniformItemSizes(true);
    KifuList->setSelectionMode(QAbstractItemView::SingleSelection);
    KifuList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(KifuList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { currentRowChanged(current); });
    // A click selects its row after the jump it caused; the end word's row gives way to the last
    // move's, where the jump went.
    connect(KifuList, &QListView::clicked, this, [this] {
        if (selectedRow() != cursorRow_) selectRow(cursorRow_);
    });

    CommentView = new QPlainTextEdit(this);
    CommentView->setObjectName(QStringLiteral("CommentView"));
    CommentView->setReadOnly(true);
    CommentView->setFocusPolicy(Qt::NoFocus);
    CommentView->setFixedHeight(72);

    FirstButton = makeButton(this, "FirstButton", QStringLiteral("|◀"));
    BackButton = makeButton(this, "BackButton", QStringLiteral("◀"));
    ForwardButton = makeButton(this, "ForwardButton", QStringLiteral("▶"));
    LastButton = makeButton(this, "LastButton", QStringLiteral("▶|"));
    auto buttons = new QHBoxLayout;
    for (QPushButton *button : {FirstButton, BackButton, ForwardButton, LastButton})
        buttons->addWidget(button);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(KifuList, 1);
    layout->addLayout(buttons);
    layout->addWidget(CommentView);
    resize(240, 404);
}

void TKifuWindow::setWalkActions(QAction *first, QAction *back, QAction *forward, QAction *last) {
    const std::pair<QPushButton *, QAction *> pairs[] = {
        {FirstButton, first}, {BackButton, back}, {ForwardButton, forward}, {LastButton, last}};
    for (const auto &[button, action] : pairs) {
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        button->setToolTip(action->text().remove(QLatin1Char('&')));
        addAction(action);
    }
}

void TKifuWindow::follow(GameRecord &record) {
    if (!isVisible()) return;
    following_ = true;
    if (record.revision() != revision_ || record.length() != length_) {
        model_->setRows(record.moveList());
        revision_ = record.revision();
        length_ = record.length();
    }
    // An analysis running in the background labels moves without changing the line.
    QStringList labels;
    for (int move = 1; move <= length_; ++move) {
        const MoveLabel label = labelInComments(record.notes().commentsAfter(static_cast<std::size_t>(move)));
        if (label == MoveLabel::None) continue;
        while (labels.size() < move) labels.push_back(QString());
        labels.push_back(fromUtf8(std::string(labelName(label))));
    }
    model_->setLabels(labels);
    following_ = false;
    cursorRow_ = record.cursor();
    selectRow(cursorRow_);

    QStringList lines;
    for (const std::string &line : record.notes().commentsAfter(static_cast<std::size_t>(record.cursor())))
        lines.push_back(fromUtf8(line));
    const QString text = lines.join(QLatin1Char('\n'));
    if (CommentView->toPlainText() != text) CommentView->setPlainText(text);
}

void TKifuWindow::currentRowChanged(const QModelIndex &current) {
    if (following_ || !current.isValid()) return;
    // The row after the last move names how the game ended; it stands for the end of the line.
    emit moveChosen(qMin(current.row(), qMax(0, length_)));
}

void TKifuWindow::selectRow(int row) {
    const QModelIndex index = model_->index(row, 0);
    following_ = true;
    if (KifuList->currentIndex() != index || selectedRow() != row)
        KifuList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    following_ = false;
    KifuList->scrollTo(index);
}

int TKifuWindow::selectedRow() const {
    const QModelIndexList selected = KifuList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

QStringList TKifuWindow::rows() const {
    QStringList all;
    for (int row = 0; row < model_->rowCount(); ++row) all.push_back(model_->index(row, 0).data().toString());
    return all;
}

QString TKifuWindow::comment() const { return CommentView->toPlainText(); }
