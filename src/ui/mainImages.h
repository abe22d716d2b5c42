// The main window's tool-bar glyphs and language flags (39 x 33 each), drawn by the program.
#pragma once

#include "toolkit/stdctrls.h"

namespace talvik {

enum MainImage : int {
    imgExit = 0, imgHelp = 1, imgCurrent = 2, imgHistory = 3, imgSettings = 4, imgTools = 5,
    imgModem = 6, imgDial = 7, imgSave = 8, imgPrint = 9, imgPeriodic = 10, imgHangup = 11,
    imgYes = 12, imgFlagEnglish = 13, imgFlagFrench = 14, imgFlagChinese = 15, imgFlagGerman = 16,
    imgNo = 17, kImageCount = 18
};

// Adds every image, in the order above, to a 39 x 33 list.
void LoadMainImages(TImageList& list);

}  // namespace talvik
