#include "ui/statuspanel.h"

#include <QFontMetrics>

TStatusPanel::TStatusPanel(QWidget *parent) : QLabel(parent) {
    // The panel takes the width the status bar gives it; a long text must not ask for more.
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    setMinimumWidth(0);
}

void TStatusPanel::setFullText(const QString &text) {
    fullText_ = text;
    fit();
}

void TStatusPanel::resizeEvent(QResizeEvent *event) {
    QLabel::resizeEvent(event);
    fit();
}

void TStatusPanel::fit() {
    // The label's own margins and indent take part of its width; what is left holds the text.
    const int room = contentsRect().width() - 2 * qMax(indent(), 0) - 2 * margin();
    const QString shown = QFontMetrics(font()).elidedText(fullText_, Qt::ElideRight, qMax(room, 0));
    if (shown != text()) setText(shown);
    setToolTip(shown == fullText_ ? QString() : fullText_);
}
