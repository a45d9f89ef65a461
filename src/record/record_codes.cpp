#include "record/record.h"

int pieceCodeOf(std::string_view code) {
    for (int index = 0; index < CODE_COUNT; ++index) {
        // A promoted king or gold does not exist, so their table entries name nothing.
        if (index == KING + PROMOTED_OFFSET || index == GOLD + PROMOTED_OFFSET) continue;
        if (RecordCode[static_cast<std::size_t>(index)] == code) return index;
    }
    return -1;
}
