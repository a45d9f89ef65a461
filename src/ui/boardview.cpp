#include "ui/boardview.h"

namespace {
bool turned = false;
}

bool boardTurned() { return turned; }

void setBoardTurned(bool on) { turned = on; }
