#pragma once

#include "platform/PrinterDriver.h"

#include <QString>

#include <cstdint>
#include <optional>

// Prints one picture (BMP, JPEG, PNG, GIF) as one page through the printer
// currently selected for the program's own printing, with the printer's
// output going into a file: the page orientation follows the picture, the
// picture is scaled to fit inside the margins keeping its proportions, and
// placed in one of nine positions.
//
// Failures are raised: UniCodeException for the picture itself (unsupported
// extension, unreadable or damaged file, margins without room), the printer
// layer's std::runtime_error for printing.
class TGrafikPrint {
public:
    explicit TGrafikPrint(const QString& fileName);

    // 0 automatic (landscape for pictures wider than high), 1 portrait, 2 landscape.
    void SetOrientation(uint8_t orientation);
    // horizontal 0 left, 1 centre, 2 right; vertical 0 top, 1 centre, 2 bottom.
    void SetPosition(uint8_t horizontal, uint8_t vertical);
    // Margins in millimetres.
    void SetMargins(int32_t left, int32_t top, int32_t right, int32_t bottom);

    // Prints the picture as one page into outputFile.
    void Print(const QString& outputFile);

    // The picture decoded, for page 0; nothing for other pages, and nothing
    // for a GIF without frames. A JPEG file's own bytes come with it.
    // Raises for an unsupported extension whatever the page, and for a
    // file that cannot be read or decoded.
    std::optional<PrintPicture> LoadPageBitmap(int page) const;

    QString FileName() const { return m_fileName; }

private:
    QString m_fileName;
    uint8_t m_orientation = 0;
    uint8_t m_horizontal = 1;
    uint8_t m_vertical = 1;
    int32_t m_marginLeft = 10;
    int32_t m_marginTop = 10;
    int32_t m_marginRight = 10;
    int32_t m_marginBottom = 10;
};
