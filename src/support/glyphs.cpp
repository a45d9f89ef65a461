#include "support/glyphs.h"

const char kGlyphTable[CODE_COUNT][3] = {
    "\x8B\xCA",  // 玉
    "\x94\xF2",  // 飛
    "\x8A\x70",  // 角
    "\x8B\xE0",  // 金
    "\x8B\xE2",  // 銀
    "\x8C\x6A",  // 桂
    "\x8D\x81",  // 香
    "\x95\xE0",  // 歩
    "\0\0",      // a king never promotes
    "\x97\xB4",  // 龍
    "\x94\x6E",  // 馬
    "\0\0",      // a gold never promotes
    "\x8B\xE2",  // 銀: marked separately when drawn
    "\x8C\x6A",  // 桂
    "\x8D\x81",  // 香
    "\x82\xC6",  // と
};

const char kFileLabels[9][3] = {
    "\x82\x50", "\x82\x51", "\x82\x52", "\x82\x53", "\x82\x54",
    "\x82\x55", "\x82\x56", "\x82\x57", "\x82\x58",
};

const char kRankLabels[9][3] = {
    "\x88\xEA",  // 一
    "\x93\xF1",  // 二
    "\x8E\x4F",  // 三
    "\x8E\x6C",  // 四
    "\x8C\xDC",  // 五
    "\x98\x5A",  // 六
    "\x8E\xB5",  // 七
    "\x94\xAA",  // 八
    "\x8B\xE3",  // 九
};

const char kPromotedMark[3] = "\x90\xAC";  // 成
