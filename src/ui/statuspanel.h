#pragma once
// The status bar's single text panel. A text longer than the panel is shortened with "…" at its
// end rather than cut off at the edge, and the whole text is then the panel's tooltip until the
// next text replaces it.

#include <QLabel>
#include <QString>

class TStatusPanel : public QLabel {
    Q_OBJECT

public:
    explicit TStatusPanel(QWidget *parent = nullptr);

    // Shows `text`, elided to the panel's width when it does not fit.
    void setFullText(const QString &text);
    // The text last given, whole.
    const QString &fullText() const { return fullText_; }
    // Whether the text shown is shorter than the text given.
    bool elided() const { return text() != fullText_; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QString fullText_;
};
