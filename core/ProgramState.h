#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class TGhostscript;
class TGhostscriptPool;

// Output formats in the order of the output menu.
enum OutputFormatKind : uint8_t { ofPDF = 0, ofBMP = 1, ofJPEG = 2, ofPCX = 3, ofTIFF = 4 };

// Everything the program holds in memory while it runs: the settings under
// their keys, and the state that is never saved. The main window owns one;
// every step reads the values when it needs them, so changes made while a
// conversion runs apply to the steps that follow.
struct ProgramState {
    // Settings, section "Allgemein".
    uint8_t OutputFormat = ofPDF;
    uint8_t AcroVer = 1;
    uint8_t Grafikqu = 2;
    uint8_t BmpColor = 3;
    bool JPEGRGB = true;
    uint8_t JPEGQual = 75;
    uint16_t DPIx = 72;
    uint16_t DPIy = 72;
    uint16_t TIFFQual = 300;
    uint8_t TiffFormat = 5;
    bool TIFFExtension = false;
    QString PaperFormat;
    uint8_t PaperMeasure = 1;
    double PaperW = 0;
    double PaperH = 0;
    QString dtPrefix;
    QString dtSuffix;
    QString dtFixCaption;
    uint8_t GrOrientation = 0;
    uint8_t GrPicturePosX = 1;
    uint8_t GrPicturePosY = 1;
    int32_t GrBorderLeft = 20;
    int32_t GrBorderTop = 15;
    int32_t GrBorderRight = 10;
    int32_t GrBorderBottom = 20;
    bool DelPS = true;
    bool RenamePS = false;
    QString PSDir;
    bool UsePSDir = false;
    QString LgFile = QStringLiteral("deutsch.lng");
    QString Printer;
    int LeftWindow = 180;

    // Settings, section "Protection".
    QString User1, User2, User3;
    uint8_t Type = 0;
    QString OpenP;
    QString ProtP;
    uint8_t Bit = 0;  // 0 none, 1 40-bit, 2 128-bit

    // Settings, section "Ausgabe".
    bool OutputToInput = true;

    // Never saved.
    std::array<uint8_t, 5> ProhibitionSet{0, 15, 0, 0, 0};
    uint8_t TitleMode = 0;
    int32_t PrinterIndex = -1;
    std::shared_ptr<TGhostscriptPool> GhostscriptPool;
    TGhostscript* ChosenGhostscript = nullptr;
    QString OutputDir;
    QStringList OutputDirHistory;
    QStringList SelectionOrder;
    bool CombineOutput = false;
    bool CancelRequested = false;
    bool SaveAllowed = false;

    // Answered by the file browser once there is one.
    std::function<QStringList()> SelectedFilesHook;
    std::function<void()> RefreshFileListHook;

    QStringList SelectedFiles() const { return SelectedFilesHook ? SelectedFilesHook() : QStringList(); }
    void RefreshFileList() const
    {
        if (RefreshFileListHook)
            RefreshFileListHook();
    }
};
