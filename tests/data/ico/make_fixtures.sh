#!/bin/sh
# Makes the icon and cursor fixtures of this folder with icoutils,
# ImageMagick and Pillow, and the expected pixels of each image as raw
# RGBA rows, top row first, as icotool extracts them (Pillow must agree).
# Needs icoutils, imagemagick and python3-pil; the tests need none of them.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert
PY=/usr/bin/python3
$PY make_sources.py
icotool -c -b 1 -o it_bw1.ico bw19x9.png
icotool -c -b 4 -o it_few4.ico few13x11.png
icotool -c -b 8 -o it_many8.ico many17x12.png
icotool -c -b 24 -o it_rgb24.ico rgba16.png 2>/dev/null
icotool -c -b 32 -o it_rgba32.ico rgba16.png
icotool -c -r rgba16.png -o it_png.ico
icotool -c -b 8 -o it_multi.ico bw19x9.png few13x11.png rgba16.png 2>/dev/null
icotool -c --cursor -X 3 -Y 5 -b 8 -o it_cur8.cur few13x11.png
icotool -c --cursor -X 7 -Y 2 -b 32 -o it_cur32.cur rgba16.png
$IM few13x11.png -type Palette im_few4.ico
$IM bw19x9.png im_bw32.ico
$IM rgba16.png -define icon:auto-resize=16,32 im_multi.ico
$IM rgba16.png -resize 256x256 im_png256.ico
$PY - <<'PYEOF'
from PIL import Image
Image.open("rgba16.png").save("pil_bmp32.ico", sizes=[(16, 16)], bitmap_format="bmp")
Image.open("few13x11.png").convert("P").save("pil_p8.ico", sizes=[(13, 11)], bitmap_format="bmp")
Image.open("rgba16.png").save("pil_png.ico", sizes=[(16, 16), (8, 8)])
PYEOF
# ours_*.ico are written by our writer (IcoWrite.FilesCheckedInOtherPrograms
# AreWrittenTheSame); icotool, Pillow and ImageMagick must all read them as
# the expected pixels say.
# Expected pixels of every image (raw, or a hash of the raw bytes when
# larger than 4 KB): icotool's, or Pillow's for the files
# icotool refuses; where both read an icon they must agree (Pillow reads
# cursors without their masks, so they are icotool's alone).
rm -rf x && mkdir x
for f in *.ico *.cur; do icotool -x -o x "$f" 2>/dev/null || true; done
$PY - <<'PYEOF'
import glob, os, struct, subprocess
from PIL import Image, IcoImagePlugin, CurImagePlugin
def same(a, b):
    pa, pb = a.tobytes(), b.tobytes()
    for i in range(0, len(pa), 4):
        if pa[i + 3] != pb[i + 3] or (pa[i + 3] and pa[i:i + 3] != pb[i:i + 3]):
            return False
    return True
for src in sorted(glob.glob("*.ico") + glob.glob("*.cur")):
    name = os.path.splitext(src)[0]
    data = open(src, "rb").read()
    count = struct.unpack_from("<H", data, 4)[0]
    ico = None
    if src.endswith(".ico"):
        ico = IcoImagePlugin.IcoFile(open(src, "rb"))
    for index in range(count):
        offset = struct.unpack_from("<I", data, 6 + 16 * index + 12)[0]
        pil = None
        if ico:
            at = [i for i, e in enumerate(ico.entry) if e["offset"] == offset][0]
            pil = ico.frame(at).convert("RGBA")
        found = glob.glob("x/%s_%d_*.png" % (name, index + 1))
        im = Image.open(found[0]).convert("RGBA") if found else pil
        if found and pil and not same(im, pil):
            print("Pillow and icotool differ:", src, index)
        if name.startswith("ours_"):
            magick = subprocess.run(["/usr/bin/convert", "%s[%d]" % (src, index), "-depth", "8", "rgba:-"],
                                    capture_output=True, check=True).stdout
            if not same(Image.frombytes("RGBA", im.size, magick), im):
                print("ImageMagick and icotool differ:", src, index)
        raw = im.tobytes()
        if len(raw) <= 4096:
            open("%s.%d.rgba" % (src, index), "wb").write(raw)
        else:  # large ones by their 64-bit FNV-1a hash
            h = 0xCBF29CE484222325
            for b in raw:
                h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
            open("%s.%d.fnv" % (src, index), "w").write("%016x\n" % h)
PYEOF
rm -rf x
