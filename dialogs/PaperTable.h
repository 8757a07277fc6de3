#pragma once

#include <QString>

#include <array>

// The paper sizes Ghostscript knows by name, with width and height in each
// of the three units the options dialog offers. The values are the ones
// printed on the dialog; they are not converted from one another, so that
// "a4" reads 21 x 29.7 cm and 595 x 842 points exactly.
struct PaperSize {
    const char* name;
    double inchW, inchH;
    double cmW, cmH;
    double pointW, pointH;
};

// Units in the order of the unit combo box (index = the "PaperMeasure" setting).
enum PaperUnit { puInches = 0, puCentimetres = 1, puPoints = 2 };

constexpr std::array<PaperSize, 37> PaperTable{{
    {"11x17", 11, 17, 27.9, 43.2, 792, 1224},
    {"ledger", 17, 11, 43.2, 27.9, 1224, 792},
    {"legal", 8.5, 14, 21.6, 35.6, 612, 1008},
    {"letter", 8.5, 11, 21.6, 27.9, 612, 792},
    {"lettersmall", 8.5, 11, 21.6, 27.9, 612, 792},
    {"archE", 36, 48, 91.4, 121.9, 2592, 3456},
    {"archD", 24, 36, 61, 91.4, 1728, 2592},
    {"archC", 18, 24, 45.7, 61, 1296, 1728},
    {"archB", 12, 18, 30.5, 45.7, 864, 1296},
    {"archA", 9, 12, 22.9, 30.5, 648, 864},
    {"a0", 33.1, 46.8, 84, 118.8, 2380, 3368},
    {"a1", 23.4, 33.1, 59.4, 84, 1684, 2380},
    {"a2", 16.5, 23.4, 42, 59.4, 1190, 1684},
    {"a3", 11.7, 16.5, 29.7, 42, 842, 1190},
    {"a4", 8.3, 11.7, 21, 29.7, 595, 842},
    {"a4small", 8.3, 11.7, 21, 29.7, 595, 842},
    {"a5", 5.8, 8.3, 14.9, 21, 421, 595},
    {"a6", 4.1, 5.8, 10.5, 14.9, 297, 421},
    {"a7", 2.9, 4.1, 7.4, 10.5, 210, 297},
    {"a8", 2.1, 2.9, 5.2, 7.4, 148, 210},
    {"a9", 1.5, 2.1, 3.7, 5.2, 105, 148},
    {"a10", 1, 1.5, 2.6, 3.7, 74, 105},
    {"isob0", 39.4, 55.7, 100, 141.4, 2836, 4008},
    {"isob1", 27.8, 39.4, 70.7, 100, 2004, 2836},
    {"isob2", 19.7, 27.8, 50, 70.7, 1418, 2004},
    {"isob3", 13.9, 19.7, 35.3, 50, 1002, 1418},
    {"isob4", 9.8, 13.9, 25, 35.3, 709, 1002},
    {"isob5", 7, 9.8, 17.7, 25, 501, 709},
    {"c0", 36.1, 51.1, 91.7, 129.7, 2600, 3677},
    {"c1", 25.5, 36.1, 64.8, 91.7, 1837, 2600},
    {"c2", 18, 25.5, 45.8, 64.8, 1298, 1837},
    {"c3", 12.8, 18, 32.4, 45.8, 918, 1298},
    {"c4", 9, 12.8, 22.9, 32.4, 649, 918},
    {"c5", 6.4, 9, 16.2, 22.9, 459, 649},
    {"c6", 4.5, 6.4, 11.4, 16.2, 323, 459},
    {"flsa", 8.5, 13, 21.6, 33, 612, 936},
    {"halfletter", 5.5, 8.5, 14, 21.6, 396, 612},
}};

// Width and height of paper in unit.
inline double PaperWidth(const PaperSize& paper, int unit)
{
    return unit == puInches ? paper.inchW : unit == puPoints ? paper.pointW : paper.cmW;
}
inline double PaperHeight(const PaperSize& paper, int unit)
{
    return unit == puInches ? paper.inchH : unit == puPoints ? paper.pointH : paper.cmH;
}

// Index of the named paper in PaperTable, ignoring letter case; -1 when the
// name is not a paper Ghostscript knows.
inline int FindPaper(const QString& name)
{
    for (size_t i = 0; i < PaperTable.size(); ++i) {
        if (name.compare(QLatin1String(PaperTable[i].name), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}
