#pragma once
// The board view: the mouse selection and the off-screen image every picture is composed in.
// The window owns one; the press and drawing routines are handed it.

#include <QImage>

#include "support/types.h"

class ZnFlags {
public:
    ZnFlags();
    virtual ~ZnFlags();

    void Reset();
    void SelectSquare(Square square);
    void SelectHand(int slot);
    void clearSquareSelection();
    void clearHandSelection();

    bool squareSelected() const { return squareSelected_; }
    Square selectedSquare() const { return selectedSquare_; }
    bool handSelected() const { return handSelected_; }
    int handSlot() const { return handSlot_; }

    // The 352 x 362 off-screen image, in logical pixels; recreated at `devicePixelRatio` when it
    // differs from the current one (filled with the menu colour when created).
    QImage &image(qreal devicePixelRatio = 1.0);

private:
    QImage image_;
    bool squareSelected_ = false;
    Square selectedSquare_ = 0;
    bool handSelected_ = false;
    int handSlot_ = 0;
};
