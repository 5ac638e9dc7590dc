#pragma once

// The StepNumbers of a conversion run. A failure anywhere in it, in ConversionRun::start(), in
// picking the method from the method table or in the conversion of a file's page images
// (FileConversion), is reported at the run's ErrorLocation with one of these.
#include <QString>

namespace RunStep {
// Where the ErrorBox says a failure of the run happened: the run is what the window's
// "Start Converting" does.
inline const QString ErrorLocation = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton2_Click ");

// Before the files.
constexpr int CheckListEmpty = 100;
constexpr int ReportNoFiles = 100;
constexpr int CheckOutputFolder = 102;
constexpr int ReportNoOutputFolder = 102;
constexpr int CheckImagingUnavailable = 104;
constexpr int ShowWaitPointer = 106;
constexpr int FindTempFolder = 108;
constexpr int CreateWorkFolder = 112;
constexpr int CountEntries = 118;

// Each file.
constexpr int ShowFileProgress = 120;
constexpr int ShowWaitPointerForFile = 122;
constexpr int CheckEntryVanished = 124;
constexpr int ReadEntry = 124;
// Is this method selected, and its call: one pair for each row of the method table.
constexpr int CheckAcrobatSelected = 126;
constexpr int CallAcrobat = 128;
constexpr int CheckGhostscriptSelected = 130;
constexpr int CallGhostscript = 132;
constexpr int CheckBlackWhiteSelected = 134;
constexpr int CallBlackWhite = 136;
constexpr int CheckGflAxSelected = 138;
constexpr int CallGflAx = 140;
constexpr int ReportNoGif = 144;
constexpr int ListPages = 146;

// Each page image of a file (FileConversion).
constexpr int ChooseGifVariant = 150;
constexpr int CheckOwnPage = 152;
constexpr int ReportInvalidPicture = 154;
constexpr int NameGif = 156;
constexpr int TakeEncodedPage = 158;
constexpr int DeletePageImage = 160;

// After the files.
constexpr int CheckWorkFolderLeft = 166;
constexpr int RemoveWorkFolder = 166;
constexpr int RestorePointers = 170;
constexpr int ResetProgress = 172;
constexpr int ResetProgressText = 174;
constexpr int ReportFailedGifs = 174;
constexpr int ReportRenamedFiles = 174;
constexpr int ReportDone = 174;
constexpr int ReportImagingFailed = 176;
} // namespace RunStep
