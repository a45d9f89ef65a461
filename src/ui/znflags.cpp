#include "ui/znflags.h"

#include <QGuiApplication>
#include <QPalette>
#include <QtMath>

namespace {

constexpr int kImageWidth = 352;
constexpr int kImageHeight = 362;

}  // namespace

ZnFlags::ZnFlags() { Reset(); }

ZnFlags::~ZnFlags() = default;

void ZnFlags::Reset() {
    squareSelected_ = false;
    handSelected_ = false;
}

void ZnFlags::SelectSquare(Square square) {
    squareSelected_ = true;
    selectedSquare_ = square;
    handSelected_ = false;
}

void ZnFlags::SelectHand(int slot) {
    handSelected_ = true;
    handSlot_ = slot;
    squareSelected_ = false;
}

void ZnFlags::clearSquareSelection() { squareSelected_ = false; }

void ZnFlags::clearHandSelection() { handSelected_ = false; }

QImage &ZnFlags::image(qreal devicePixelRatio) {
    // Made on first use at the pixel ratio of the screen the board is on, which the constructor
    // cannot know yet.
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (image_.isNull() || image_.devicePixelRatio() != ratio) {
        const QSize size(qCeil(kImageWidth * ratio), qCeil(kImageHeight * ratio));
        image_ = QImage(size, QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
        image_.fill(QGuiApplication::palette().color(QPalette::Window));
    }
    return image_;
}
