#!/usr/bin/env bash
# Makes the small Word documents the office tests print: a two-page RTF
# written by hand (page one in Helvetica, page two in Calibri, which the
# office replaces by a TrueType font), saved by LibreOffice in every Word format the program
# opens, and a page with a PNG and a JPEG picture as .docx. Run it from
# anywhere; it writes next to itself.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%s\r\n' '{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Helvetica;}{\f1\fswiss Calibri;}}' \
  '\f0\fs28 Kalvinora fixture page one: the quick brown fox.\par' \
  '\page\f1 Kalvinora fixture page two: jumps over the lazy dog.\par' \
  '}' > "$here/fixture.rtf"

convert -size 120x60 gradient:red-blue -depth 8 "$work/a.png"
convert -size 90x90 pattern:checkerboard -quality 90 "$work/b.jpg"
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
def pict(name, kind, w, h):
    data = open(os.path.join(work, name), "rb").read().hex()
    lines = "\r\n".join(data[i:i + 128] for i in range(0, len(data), 128))
    return "{\\pict\\%s\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d\r\n%s}" % (kind, w, h, w * 15, h * 15, lines)
rtf = ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}}\r\n"
       "\\f0\\fs28 Kalvinora fixture with pictures.\\par\r\n"
       + pict("a.png", "pngblip", 120, 60) + "\\par\r\n"
       + pict("b.jpg", "jpegblip", 90, 90) + "\\par\r\n}\r\n")
open(os.path.join(work, "pictures.rtf"), "w", newline="").write(rtf)
PY

convert_to() {  # source extension filter
  soffice -env:UserInstallation="file://$work/profile" --headless --convert-to "$2:$3" \
    --outdir "$here" "$1" >/dev/null 2>&1
}
convert_to "$here/fixture.rtf" docx "MS Word 2007 XML"
convert_to "$here/fixture.rtf" doc "MS Word 97"
convert_to "$here/fixture.rtf" dot "MS Word 97 Vorlage"
convert_to "$here/fixture.rtf" dotx "MS Word 2007 XML Template"
convert_to "$here/fixture.rtf" docm "MS Word 2007 XML VBA"
convert_to "$work/pictures.rtf" docx "MS Word 2007 XML"

# LibreOffice has no filter for macro-enabled templates: the macro-enabled
# document becomes one by the content type of its main part.
python3 - "$here" <<'PY'
import sys, zipfile
here = sys.argv[1]
src = zipfile.ZipFile(here + "/fixture.docm")
with zipfile.ZipFile(here + "/fixture.dotm", "w", zipfile.ZIP_DEFLATED) as dst:
    for item in src.infolist():
        data = src.read(item.filename)
        if item.filename == "[Content_Types].xml":
            data = data.replace(b"ms-word.document.macroEnabled.main+xml",
                                b"ms-word.template.macroEnabledTemplate.main+xml")
        dst.writestr(item, data)
PY
# A master document whose section is linked to a document of its own; the
# copy of the part stored in the master is out of date.
python3 - "$here" <<'PY'
import sys, zipfile
here = sys.argv[1]
def odt(name, body):
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n'
               '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
               'xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2">'
               '<office:body><office:text>%s</office:text></office:body></office:document-content>' % body)
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>')
    with zipfile.ZipFile(here + "/" + name, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text")
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)
odt("part.odt", "<text:p>Fresh subdocument text.</text:p>")
odt("master.odt", '<text:p>Master text.</text:p><text:section text:name="Part1">'
    '<text:section-source xlink:href="../part.odt" xlink:type="simple"/>'
    "<text:p>Stale cached text.</text:p></text:section>")
PY
ls -l "$here"
