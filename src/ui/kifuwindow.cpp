#include "ui/kifuwindow.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "review/mistake.h"

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

// How a game can end, as the result field offers it; the empty entry is a game that goes on.
const char *const kEndWords[] = {"",         "投了",     "中断",     "千日手",   "詰み",   "持将棋",
                                 "切れ負け", "反則勝ち", "反則負け", "入玉勝ち", "不戦勝", "不戦敗"};

// Game information fields and the header each stands for; the player fields are set apart.
struct InfoField {
    const char *name;
    const char *key;
};
const InfoField kInfoFields[] = {{"StartTimeEdit", "開始日時"},
                                 {"EventEdit", "棋戦"},
                                 {"SiteEdit", "場所"},
                                 {"TimeLimitEdit", "持ち時間"}};

void setTextKeepingEdit(QLineEdit *edit, const QString &text) {
    // The field being typed in keeps what the user typed, cursor and all.
    if (!edit->hasFocus() && edit->text() != text) edit->setText(text);
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

    BranchList = new QListWidget(this);
    BranchList->setObjectName(QStringLiteral("BranchList"));
    BranchList->setToolTip(QStringLiteral("選んだ手の代わりに指された手（Alt+↑/Alt+↓ で選ぶ）"));
    BranchList->setFixedHeight(64);
    auto branchGroup = new QGroupBox(QStringLiteral("分岐"), this);
    branchGroup->setObjectName(QStringLiteral("BranchGroup"));
    auto branchLayout = new QVBoxLayout(branchGroup);
    branchLayout->setContentsMargins(4, 4, 4, 4);
    branchLayout->addWidget(BranchList);
    connect(BranchList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!following_ && row >= 0) emit branchChosen(row);
    });

    AnalysisView = new QLabel(this);
    AnalysisView->setObjectName(QStringLiteral("AnalysisView"));
    AnalysisView->setWordWrap(true);
    AnalysisView->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AnalysisView->setToolTip(
        QStringLiteral("棋譜解析の結果（棋譜には #評価値= などの行のまま保存されます）"));
    AnalysisView->hide();
    CommentView = new QPlainTextEdit(this);
    CommentView->setObjectName(QStringLiteral("CommentView"));
    CommentView->setPlaceholderText(QStringLiteral("コメント"));
    CommentView->setFixedHeight(72);
    connect(CommentView, &QPlainTextEdit::textChanged, this, [this] {
        if (following_) return;
        std::vector<std::string> other;
        const QString text = CommentView->toPlainText();
        if (!text.isEmpty())
            for (const QString &line : text.split(QLatin1Char('\n'))) other.push_back(line.toStdString());
        QStringList lines;
        for (const std::string &line : joinComments(commentParts_, other)) lines.push_back(fromUtf8(line));
        emit commentEdited(lines.join(QLatin1Char('\n')));
    });

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
    layout->addWidget(branchGroup);
    layout->addLayout(buttons);
    layout->addWidget(AnalysisView);
    layout->addWidget(CommentView);
    createInfoGroup();
    resize(260, 760);
}

void TKifuWindow::createInfoGroup() {
    auto group = new QGroupBox(QStringLiteral("対局情報"), this);
    group->setObjectName(QStringLiteral("InfoGroup"));
    InfoForm = new QFormLayout(group);
    InfoForm->setContentsMargins(4, 4, 4, 4);
    InfoForm->setVerticalSpacing(2);
    const auto makeEdit = [this](const char *name) {
        auto edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    SenteEdit = makeEdit("SenteEdit");
    GoteEdit = makeEdit("GoteEdit");
    InfoForm->addRow(senteKey_, SenteEdit);
    InfoForm->addRow(goteKey_, GoteEdit);
    connect(SenteEdit, &QLineEdit::textEdited, this,
            [this](const QString &text) { emit headerEdited(senteKey_, text); });
    connect(GoteEdit, &QLineEdit::textEdited, this,
            [this](const QString &text) { emit headerEdited(goteKey_, text); });
    for (const InfoField &field : kInfoFields) {
        QLineEdit *edit = makeEdit(field.name);
        const QString key = QString::fromUtf8(field.key);
        InfoForm->addRow(key, edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this, key](const QString &text) { emit headerEdited(key, text); });
    }
    StartTimeEdit = findChild<QLineEdit *>(QStringLiteral("StartTimeEdit"));
    EventEdit = findChild<QLineEdit *>(QStringLiteral("EventEdit"));
    SiteEdit = findChild<QLineEdit *>(QStringLiteral("SiteEdit"));
    TimeLimitEdit = findChild<QLineEdit *>(QStringLiteral("TimeLimitEdit"));
    // The start decides the handicap: it is shown, never typed.
    HandicapEdit = makeEdit("HandicapEdit");
    HandicapEdit->setReadOnly(true);
    InfoForm->addRow(QStringLiteral("手合割"), HandicapEdit);
    ResultBox = new QComboBox(this);
    ResultBox->setObjectName(QStringLiteral("ResultBox"));
    for (const char *word : kEndWords) ResultBox->addItem(QString::fromUtf8(word));
    InfoForm->addRow(QStringLiteral("結果"), ResultBox);
    connect(ResultBox, &QComboBox::activated, this,
            [this](int index) { emit endWordChosen(ResultBox->itemText(index)); });
    static_cast<QVBoxLayout *>(layout())->addWidget(group);
}

void TKifuWindow::addBranchActions(QAction *previous, QAction *next) {
    addAction(previous);
    addAction(next);
}

void TKifuWindow::followInfo(const GameRecord &record) {
    const RecordNotes &notes = record.notes();
    const auto header = [&notes](const QString &key) {
        return fromUtf8(std::string(notes.header(key.toStdString())));
    };
    QString handicap = header(QStringLiteral("手合割"));
    if (handicap.isEmpty()) handicap = fromUtf8(record.handicapName());
    // In a handicap game the giver is 上手 and the receiver 下手, unless the record names them the
    // other way.
    const bool giving = !handicap.isEmpty() && handicap != QStringLiteral("平手");
    const auto pick = [&header](const char *usual, const char *other) {
        const QString first = QString::fromUtf8(usual), second = QString::fromUtf8(other);
        return header(first).isEmpty() && !header(second).isEmpty() ? second : first;
    };
    senteKey_ = giving ? pick("下手", "先手") : pick("先手", "下手");
    goteKey_ = giving ? pick("上手", "後手") : pick("後手", "上手");
    static_cast<QLabel *>(InfoForm->labelForField(SenteEdit))->setText(senteKey_);
    static_cast<QLabel *>(InfoForm->labelForField(GoteEdit))->setText(goteKey_);
    setTextKeepingEdit(SenteEdit, header(senteKey_));
    setTextKeepingEdit(GoteEdit, header(goteKey_));
    for (const InfoField &field : kInfoFields)
        setTextKeepingEdit(findChild<QLineEdit *>(QString::fromLatin1(field.name)),
                           header(QString::fromUtf8(field.key)));
    setTextKeepingEdit(HandicapEdit, handicap.isEmpty() ? QStringLiteral("その他") : handicap);
    const QString endWord = fromUtf8(record.tree().node(record.path().back()).endWord);
    if (ResultBox->findText(endWord) < 0) ResultBox->addItem(endWord);
    ResultBox->setCurrentIndex(ResultBox->findText(endWord));
}

void TKifuWindow::followBranches(GameRecord &record) {
    QStringList texts;
    // A single move has no alternatives: the list stays empty rather than repeating it.
    const std::vector<std::string> alternatives = record.alternativesOfMove();
    if (alternatives.size() > 1)
        for (const std::string &text : alternatives) texts.push_back(fromUtf8(text));
    const int chosen = texts.isEmpty() ? -1 : int(record.chosenAlternativeOfMove());
    if (branches() != texts) {
        BranchList->clear();
        BranchList->addItems(texts);
    }
    if (BranchList->currentRow() != chosen) BranchList->setCurrentRow(chosen);
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
        std::vector<std::string> rows = record.moveList();
        // After the last move of a line that ended, the sentence that says how.
        if (std::string closing = record.closingSentence(); !closing.empty())
            rows.push_back(std::move(closing));
        model_->setRows(rows);
        revision_ = record.revision();
        length_ = record.length();
        followInfo(record);
    }
    followBranches(record);
    // An analysis running in the background labels moves without changing the line.
    QStringList labels;
    for (int move = 1; move <= length_; ++move) {
        const MoveLabel label = labelInComments(record.commentsOnPath(move));
        if (label == MoveLabel::None) continue;
        while (labels.size() < move) labels.push_back(QString());
        labels.push_back(fromUtf8(std::string(labelName(label))));
    }
    model_->setLabels(labels);
    const std::vector<std::string> &comments = record.commentsOnPath(record.cursor());
    commentParts_ = splitComments(comments);
    QStringList analysis;
    if (!commentParts_.labelLine.empty())
        analysis.push_back(fromUtf8(commentParts_.labelLine + commentParts_.reason));
    if (const std::string line = readableEvaluation(comments); !line.empty())
        analysis.push_back(fromUtf8(line));
    AnalysisView->setText(analysis.join(QLatin1Char('\n')));
    AnalysisView->setVisible(!analysis.isEmpty());
    QStringList lines;
    for (const std::string &line : commentParts_.other) lines.push_back(fromUtf8(line));
    const QString text = lines.join(QLatin1Char('\n'));
    if (CommentView->toPlainText() != text) CommentView->setPlainText(text);
    following_ = false;
    cursorRow_ = record.cursor();
    selectRow(cursorRow_);
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

QString TKifuWindow::analysisText() const { return AnalysisView->text(); }

QStringList TKifuWindow::branches() const {
    QStringList all;
    for (int row = 0; row < BranchList->count(); ++row) all.push_back(BranchList->item(row)->text());
    return all;
}

int TKifuWindow::branchRow() const { return BranchList->currentRow(); }
