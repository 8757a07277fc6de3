#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Text in the printed PostScript stays text in the PDF only when Ghostscript
// can tell which characters the glyphs of a font stand for. The office
// embeds subsets of TrueType fonts whose glyphs carry no names, with a
// ToUnicode map beside them in the PDF; pdftops turns them into Type 42
// fonts with the glyph names "c01", "c02", ... and the map is lost, so the
// PDF would show the text but could not be searched or copied from.
// These routines carry the map over into each such font as the
// GlyphNames2Unicode dictionary of its FontInfo, the way PostScript printer
// drivers tell a distiller what their glyphs mean.

// Code -> the characters it stands for, as UTF-16BE hex digits.
using GlyphUnicodeMap = QHash<int, QByteArray>;
// Font name (the same in the PDF and in pdftops's output) -> its map.
using FontUnicodeMaps = QHash<QByteArray, GlyphUnicodeMap>;

// The entries of a ToUnicode CMap of a font with one-byte codes.
GlyphUnicodeMap ParseToUnicode(const QByteArray& cmap);

// The maps of every TrueType font of the PDF that has one, read with qpdf.
// Empty when they cannot be read: the document then prints as before, only
// without searchable text.
FontUnicodeMaps ReadFontUnicodeMaps(const QString& pdfPath, int timeoutMs);

// Goes through pdftops's output line by line and adds the dictionary to
// each Type 42 font that has a map, just before the font is defined.
class GlyphUnicodeWriter {
public:
    explicit GlyphUnicodeWriter(const FontUnicodeMaps& fonts) : m_fonts(fonts) {}
    bool Active() const { return !m_fonts.isEmpty(); }
    // The line, with the dictionary in front of it where it belongs.
    QByteArray Line(const QByteArray& line);

private:
    const FontUnicodeMaps& m_fonts;
    const GlyphUnicodeMap* m_current = nullptr;
    bool m_type42 = false;
};
