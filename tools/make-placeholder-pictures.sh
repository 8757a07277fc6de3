#!/bin/sh
# Draws the placeholder pictures of the manual into resources/png/ until
# screenshots of the real windows replace them. Needs ImageMagick.
set -eu
cd "$(dirname "$0")/../resources/png"

picture() {
    convert -size 360x220 xc:'#f4f4f4' \
        -fill none -stroke '#808080' -draw 'rectangle 0,0 359,219' \
        -stroke none -fill '#000080' -gravity center -pointsize 16 \
        -annotate 0 "Kalvinora\n$2" -strip "$1"
}

picture 1.png "Hauptfenster: Ordner wählen\nMain window: choose a folder"
picture 2.png "Dateien auswählen\nSelect files"
picture 5.png "Ausgabeordner und Start\nOutput folder and start"
picture H.png "Extras - Ausgabeformat\nExtras - Output format"
picture I.png "Extras - PDF Verschlüsselung\nExtras - PDF encryption"
picture L.png "Einstellungen\nSettings"
picture printerop2.png "Einstellungen: Drucker testen\nSettings: test the printer"
