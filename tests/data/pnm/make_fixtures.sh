#!/bin/sh
# Makes the PNM and WBMP fixtures of this folder with netpbm, ImageMagick and
# Pillow, and the pixels ImageMagick reads from each, in 8 bits, as a binary
# P6 (<file>.ppm). netpbm and Pillow are checked against them: for maxvals
# other than 255 ImageMagick takes v * 255 / maxval rounded down where
# pamdepth rounds to nearest (up to 1 apart); Pillow keeps 16-bit samples
# and scales other maxvals its own way, so only its maxval-255 and bitmap
# reads are compared.
# Needs netpbm, imagemagick and python3-pil; the tests need none of them.
set -eu
cd "$(dirname "$0")"
exec /usr/bin/python3 - <<'PYEOF'
import glob, io, os, subprocess
from PIL import Image
IM = "/usr/bin/convert"
W, H = 13, 7
def sh(cmd, out=None):
    r = subprocess.run(cmd, shell=True, check=True, capture_output=True)
    if out:
        open(out, "wb").write(r.stdout)
    return r.stdout
for f in [f for f in glob.glob("*.p?m") + glob.glob("*.wbmp") if not f.startswith("ours") or f.count(".") > 1]:
    os.remove(f)
# A 16-bit colour source with values no 8-bit picture has.
px = []
for y in range(H):
    for x in range(W):
        px += [(x * 5003 + y * 977) % 65536, (y * 9001 + 300) % 65536, (x * y * 1234 + 65535 - x) % 65536]
open("src16.ppm", "wb").write(b"P6 %d %d 65535\n" % (W, H) + b"".join(v.to_bytes(2, "big") for v in px))
sh("pamdepth 255 src16.ppm", "src.ppm")
sh("ppmtopgm src.ppm", "src.pgm")
sh("pgmtopbm -threshold src.pgm", "src.pbm")
# netpbm
sh("pnmtopnm src.pbm", "nb_p4.pbm"); sh("pnmtopnm -plain src.pbm", "nb_p1.pbm")
sh("pnmtopnm src.pgm", "nb_p5.pgm"); sh("pnmtopnm -plain src.pgm", "nb_p2.pgm")
sh("pnmtopnm src.ppm", "nb_p6.ppm"); sh("pnmtopnm -plain src.ppm", "nb_p3.ppm")
sh("pnmtopnm src16.ppm", "nb_p6_65535.ppm"); sh("pnmtopnm -plain src16.ppm", "nb_p3_65535.ppm")
sh("ppmtopgm src16.ppm", "nb_p5_65535.pgm"); sh("ppmtopgm src16.ppm | pnmtopnm -plain", "nb_p2_65535.pgm")
sh("pamdepth 1023 src16.ppm", "nb_p6_1023.ppm"); sh("pamdepth 1023 src16.ppm | pnmtopnm -plain", "nb_p3_1023.ppm")
sh("ppmtopgm src16.ppm | pamdepth 1023", "nb_p5_1023.pgm")
sh("pamdepth 15 src.ppm", "nb_p6_15.ppm")
sh("pbmtowbmp src.pbm", "nb.wbmp")
# plain files of more samples than a header has tokens
sh("pamenlarge 4 src.pgm | pnmtopnm -plain", "nb_p2_big.pgm")
sh("pamenlarge 3 src.ppm | pnmtopnm -plain", "nb_p3_big.ppm")
# ImageMagick
for kind, src in (("pbm", "src.pbm"), ("pgm", "src.pgm"), ("ppm", "src.ppm")):
    sh("%s %s -compress none im_plain.%s" % (IM, src, kind))
    sh("%s %s im_raw.%s" % (IM, src, kind))
sh("%s src16.ppm -depth 16 im_raw16.ppm" % IM)
sh("%s src16.ppm -depth 16 -compress none im_plain16.ppm" % IM)
sh("%s src.pbm im.wbmp" % IM)
# Pillow
Image.open("src.pbm").save("pil_p4.pbm"); Image.open("src.pgm").save("pil_p5.pgm")
Image.open("src.ppm").save("pil_p6.ppm")
Image.open("nb_p5_65535.pgm").save("pil_p5_16.pgm")
for f in glob.glob("src*"):
    os.remove(f)
for f in sorted(f for f in glob.glob("*.p?m") + glob.glob("*.wbmp") if f.count(".") == 1):
    conv = "wbmptopbm" if f.endswith(".wbmp") else "cat"
    nb = sh("%s %s | pamdepth 255 | pnmtopnm | ppmtoppm 2>/dev/null || %s %s | pamdepth 255 | pgmtoppm white" % (conv, f, conv, f))
    ref = Image.open(io.BytesIO(nb)).convert("RGB")
    im = sh("%s %s -depth 8 rgb:-" % (IM, f))
    if im != ref.tobytes():
        print("ImageMagick and netpbm differ:", f)
    if not f.endswith(".wbmp") and (f.endswith(".pbm") or b"\n255" in open(f, "rb").read(40)):
        try:
            pil = Image.open(f)
            if pil.convert("RGB").tobytes() != im:
                print("Pillow and ImageMagick differ:", f)
        except Exception as e:
            print("Pillow refuses", f, e)
    Image.frombytes("RGB", ref.size, im).save(f + ".ppm")
# ours_* are written by our writer (PnmFixtures.FilesCheckedInOtherPrograms
# AreWrittenTheSame) from the picture our reader reads from another fixture;
# every program above must read them back as that picture.
for f, src in {"ours_p4.pbm": "nb_p4.pbm", "ours_p6.ppm": "nb_p6.ppm", "ours.wbmp": "nb_p4.pbm"}.items():
    if open(f + ".ppm", "rb").read() != open(src + ".ppm", "rb").read():
        print("not read back as written:", f)
PYEOF
