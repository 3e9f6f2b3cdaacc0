#!/bin/sh
# Makes the TGA fixtures of this folder with ImageMagick, netpbm and Pillow,
# and the pixels and alpha ImageMagick reads from each as a PAM of RGB_ALPHA
# (<file>.pam; alpha 255 where the file has none). Pillow and tgatoppm are
# checked against them: they agree but for the 16-bit file, whose alpha bit
# Pillow drops and whose 5-bit samples tgatoppm keeps at maxval 31 (both
# scale them as v * 255 / 31 rounded down).
# Needs imagemagick, netpbm and python3-pil; the tests need none of them.
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
for f in [f for f in glob.glob("*.tga") + glob.glob("*.pam") if not f.startswith("ours_")]:
    os.remove(f)
rgb = Image.new("RGB", (W, H))
cols = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (200, 100, 50),
        (255, 255, 255), (17, 34, 51)]
# runs of equal pixels across row ends, so run-length packets have runs
rgb.putdata([cols[(x // 4 + y) % len(cols)] if x % 5 else ((x * 19) % 256, y * 30, 99)
             for y in range(H) for x in range(W)])
rgba = rgb.copy()
rgba.putalpha(Image.frombytes("L", (W, H), bytes((x * 20 + y * 3) % 256 for y in range(H) for x in range(W))))
grey = rgb.convert("L")
rgb.save("src.ppm"); rgba.save("src.png"); grey.save("src.pgm")
# ImageMagick (rows bottom up)
sh("%s src.ppm -type truecolor -compress none im_t2_24.tga" % IM)
sh("%s src.ppm -type truecolor -compress RLE im_t10_24.tga" % IM)
sh("%s src.png -compress none im_t2_32.tga" % IM)
sh("%s src.png -compress RLE im_t10_32.tga" % IM)
sh("%s src.ppm -type palette -compress none im_t1.tga" % IM)
sh("%s src.ppm -type palette -compress RLE im_t9.tga" % IM)
sh("%s src.pgm -type grayscale -compress none im_t3.tga" % IM)
sh("%s src.pgm -type grayscale -compress RLE im_t11.tga" % IM)
# netpbm
sh("ppmtotga -rgb -norle src.ppm", "nb_t2.tga"); sh("ppmtotga -rgb src.ppm", "nb_t10.tga")
sh("ppmtotga -cmap -norle src.ppm", "nb_t1.tga"); sh("ppmtotga -cmap src.ppm", "nb_t9.tga")
sh("ppmtotga -mono -norle src.pgm", "nb_t3.tga"); sh("ppmtotga -mono src.pgm", "nb_t11.tga")
# Pillow, both origins
for rle in (False, True):
    for orient in (-1, 1):
        tag = ("rle_" if rle else "") + ("top" if orient == 1 else "bottom")
        rgb.save("pil_24_%s.tga" % tag, rle=rle, orientation=orient)
        rgba.save("pil_32_%s.tga" % tag, rle=rle, orientation=orient)
        grey.save("pil_grey_%s.tga" % tag, rle=rle, orientation=orient)
        rgb.quantize(16).save("pil_map_%s.tga" % tag, rle=rle, orientation=orient)
# Nobody here writes 16-bit colour: Pillow's 24-bit file brought to 5-5-5
# by hand with the top bit as alpha (set on pixels with red above 127).
b = bytearray(open("pil_24_bottom.tga", "rb").read())
idl = b[0]; px = b[18 + idl: 18 + idl + W * H * 3]
out = bytearray()
for i in range(W * H):
    bl, g, r = px[3 * i], px[3 * i + 1], px[3 * i + 2]
    v = (r >> 3) << 10 | (g >> 3) << 5 | bl >> 3 | (0x8000 if r > 127 else 0)
    out += v.to_bytes(2, "little")
b[16] = 16; b[17] = (b[17] & 0xF0) | 1
open("hand_t2_16.tga", "wb").write(b[:18 + idl] + out)
for f in glob.glob("src*"):
    os.remove(f)
for f in sorted(glob.glob("*.tga")):
    pil = Image.open(f).convert("RGBA")
    im = sh("%s %s -auto-orient -depth 8 rgba:-" % (IM, f))
    if im != pil.tobytes():
        print("ImageMagick and Pillow differ:", f)
    try:
        nb = Image.open(io.BytesIO(sh("tgatoppm %s 2>/dev/null" % f))).convert("RGB")
        if nb.tobytes() != pil.convert("RGB").tobytes():
            print("tgatoppm and Pillow differ:", f)
    except subprocess.CalledProcessError:
        print("tgatoppm refuses", f)
    open(f + ".pam", "wb").write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                                 % pil.size + im)
# ours_* are written by our writer (TgaFixtures.FilesCheckedInOtherPrograms
# AreWrittenTheSame) from the picture our reader reads from another fixture;
# every program above must read them back as that picture.
for f, src in {"ours_24.tga": "pil_24_top.tga", "ours_24_rle.tga": "pil_24_top.tga", "ours_32.tga": "pil_32_top.tga",
        "ours_map8.tga": "pil_map_top.tga", "ours_map8_rle.tga": "pil_map_top.tga",
        "ours_grey.tga": "pil_grey_top.tga", "ours_grey_rle.tga": "pil_grey_top.tga"}.items():
    if open(f + ".pam", "rb").read() != open(src + ".pam", "rb").read():
        print("not read back as written:", f)
PYEOF
