#!/usr/bin/python3
"""Makes the two fonts the player carries inside its executable.

The default skin asks for the families "QSwitch Ax" (time display, labels)
and "Seraphic Organism" (playlist and small labels).  We take two freely
licensed faces from Debian's font packages and rename their families, so the
skin's font names resolve to them once the player registers the files.

Needs python3-fonttools, fonts-roboto-unhinted and fonts-open-sans.
Usage: tools/make-fonts.py [OUTPUT_DIR]   (default: assets/fonts)
"""
import os
import sys

from fontTools.ttLib import TTFont

SOURCES = [
    # (source file, family, output name)
    ("/usr/share/fonts/truetype/roboto/unhinted/RobotoCondensed-Regular.ttf",
     "QSwitch Ax", "Vimbo_font1.ttf"),
    ("/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf",
     "Seraphic Organism", "Vimbo_font2.ttf"),
]

# name-table ids: 1 family, 2 subfamily, 3 unique id, 4 full name,
# 6 PostScript name, 16/17 typographic family/subfamily
def rename(font, family):
    postscript = family.replace(" ", "") + "-Regular"
    values = {
        1: family,
        2: "Regular",
        3: family + " Regular; Vimbo",
        4: family + " Regular",
        6: postscript,
    }
    name = font["name"]
    for record in list(name.names):
        if record.nameID in (16, 17, 21, 22):
            name.removeNames(nameID=record.nameID)
    for record in name.names:
        if record.nameID in values:
            record.string = values[record.nameID]
    # Some faces carry only Macintosh or only Windows records: make sure both
    # platforms know the new names.
    for name_id, value in values.items():
        name.setName(value, name_id, 3, 1, 0x409)
        name.setName(value, name_id, 1, 0, 0)
    if "CFF " in font:
        raise SystemExit("expected a TrueType-outline font")


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "assets", "fonts")
    os.makedirs(out_dir, exist_ok=True)
    for source, family, out_name in SOURCES:
        font = TTFont(source)
        rename(font, family)
        # A fixed modification time keeps the output byte-for-byte
        # reproducible between runs.
        font["head"].modified = font["head"].created
        target = os.path.join(out_dir, out_name)
        font.save(target, reorderTables=True)
        print(f"{target}: {family} ({os.path.getsize(target)} bytes)")


if __name__ == "__main__":
    main()
