#!/bin/sh
# Makes the BMP fixtures of this folder with ImageMagick, netpbm and Pillow,
# and the pixels ImageMagick reads from each as a binary P6 (<file>.ppm).
# Pillow and bmptopnm are checked against them: both truncate 5- and 6-bit
# fields (v * 255 / 31) where ImageMagick rounds, bmptopnm reads no
# run-length file, and Pillow 9.4 misreads an odd absolute run of RLE4.
# Needs imagemagick, netpbm and python3-pil; the tests need none of them.
set -eu
cd "$(dirname "$0")"
exec /usr/bin/python3 - <<'PYEOF'
import glob, os, subprocess
from PIL import Image
IM = "/usr/bin/convert"
W, H = 13, 7
rgb = Image.new("RGB", (W, H))
rgb.putdata([((x * 19 + y * 7) % 256, (y * 37 + 11) % 256, (x * y * 5 + 60) % 256)
             for y in range(H) for x in range(W)])
few = Image.new("RGB", (W, H))
cols = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255),
        (255, 0, 255), (255, 255, 255), (128, 64, 32), (32, 128, 64), (200, 100, 0)]
# runs of equal colour so run-length coders have runs to make
few.putdata([cols[(x // 3 + y) % len(cols)] for y in range(H) for x in range(W)])
bw = Image.new("1", (W, H))
bw.putdata([255 if (x + y) % 3 else 0 for y in range(H) for x in range(W)])
rgba = rgb.copy(); rgba.putalpha(Image.linear_gradient("L").resize((W, H)))
rgba.save("src_rgba.png"); rgb.save("src_rgb.ppm"); few.save("src_few.ppm"); bw.save("src_bw.pbm")
def run(*a):
    subprocess.run(a, check=True)
def sh(cmd):
    subprocess.run(cmd, shell=True, check=True)
for f in [f for f in glob.glob("*.bmp") if not f.startswith("ours_")]:
    os.remove(f)
run(IM, "src_bw.pbm", "-type", "bilevel", "BMP3:im_1.bmp")
run(IM, "src_few.ppm", "-type", "palette", "-colors", "16", "BMP3:im_4.bmp")
run(IM, "src_rgb.ppm", "-type", "palette", "-compress", "none", "BMP3:im_8.bmp")
run(IM, "src_rgb.ppm", "-type", "palette", "-compress", "RLE", "BMP3:im_rle8.bmp")
run(IM, "src_few.ppm", "-compress", "RLE", "-type", "palette", "BMP3:im_rle8few.bmp")
run(IM, "src_rgb.ppm", "-define", "bmp:subtype=RGB555", "im_555.bmp")
run(IM, "src_rgb.ppm", "-define", "bmp:subtype=RGB565", "im_565.bmp")
run(IM, "src_rgb.ppm", "-type", "truecolor", "BMP3:im_24.bmp")
run(IM, "src_rgb.ppm", "-type", "truecolor", "im_v5_24.bmp")
run(IM, "src_rgba.png", "-define", "bmp:subtype=ARGB8888", "im_32.bmp")
run(IM, "src_rgb.ppm", "BMP2:im_os2.bmp")
for bpp in (1, 4, 8, 24):
    src = {1: "src_bw.pbm", 4: "src_few.ppm"}.get(bpp, "src_rgb.ppm")
    if bpp == 8:
        sh("pnmquant 256 src_rgb.ppm 2>/dev/null | ppmtobmp -bpp 8 > nb_8.bmp 2>/dev/null")
        continue
    sh("ppmtobmp -bpp %d %s > nb_%d.bmp 2>/dev/null" % (bpp, src, bpp))
sh("ppmtobmp -os2 -bpp 24 src_rgb.ppm > nb_os2_24.bmp 2>/dev/null")
sh("ppmtobmp -os2 -bpp 4 src_few.ppm > nb_os2_4.bmp 2>/dev/null")
bw.save("pil_1.bmp"); few.convert("P").save("pil_8.bmp"); rgb.convert("L").save("pil_grey.bmp")
rgb.save("pil_24.bmp"); rgba.save("pil_32.bmp")
# Nobody here writes 4-bit run-length files: ImageMagick's 4-bit file coded
# by hand as runs of two alternating indices, one absolute run per row end.
b = bytearray(open("im_4.bmp", "rb").read())
off = int.from_bytes(b[10:14], "little"); stride = (W // 2 + 1 + 3) & ~3
out = bytearray()
for y in range(H):
    row = b[off + y * stride: off + (y + 1) * stride]
    idx = [(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(W)]
    x = 0
    while x < 10:  # runs of equal pixels
        n = 1
        while x + n < 10 and idx[x + n] == idx[x]:
            n += 1
        out += bytes([n, idx[x] << 4 | idx[x]]); x += n
    tail = idx[10:]  # three pixels as an absolute run, padded to a word
    out += bytes([0, 3, tail[0] << 4 | tail[1], tail[2] << 4, ])
    out += b"\x00\x00"  # end of line
out += b"\x00\x01"
b = b[:off] + out
b[30:34] = (2).to_bytes(4, "little"); b[34:38] = len(out).to_bytes(4, "little")
b[2:6] = len(b).to_bytes(4, "little")
open("hand_rle4.bmp", "wb").write(b)
# Nobody here writes rows top down: Pillow's 24-bit file turned over by hand
# with a negative height.
b = bytearray(open("pil_24.bmp", "rb").read())
off = int.from_bytes(b[10:14], "little"); stride = (W * 3 + 3) & ~3
rows = [b[off + i * stride: off + (i + 1) * stride] for i in range(H)]
b[22:26] = (-H).to_bytes(4, "little", signed=True)
b[off:] = b"".join(reversed(rows))
open("hand_topdown.bmp", "wb").write(b)
for f in sorted(glob.glob("*.bmp")):
    pil = Image.open(f).convert("RGB")
    im = subprocess.run([IM, f, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    if im != pil.tobytes():
        print("ImageMagick and Pillow differ:", f)
    nb = subprocess.run("bmptopnm %s 2>/dev/null | pnmtopnm -plain 2>/dev/null| pamtopnm 2>/dev/null | ppmtoppm" % f, shell=True, capture_output=True).stdout
    if nb:
        nbi = Image.open(__import__("io").BytesIO(nb)).convert("RGB")
        if nbi.tobytes() != pil.tobytes():
            print("bmptopnm and Pillow differ:", f)
    else:
        print("bmptopnm refuses", f)
    Image.frombytes("RGB", pil.size, im).save(f + ".ppm")
for f in glob.glob("src_*"):
    os.remove(f)
# ours_* are written by our writer (BmpFixtures.FilesCheckedInOtherPrograms
# AreWrittenTheSame) from the picture our reader reads from another fixture;
# every program above must read them back as that picture.
for f, src in {"ours_1.bmp": "im_1.bmp", "ours_4.bmp": "im_4.bmp", "ours_rle4.bmp": "im_4.bmp", "ours_8.bmp": "im_4.bmp",
        "ours_rle8.bmp": "im_4.bmp", "ours_24.bmp": "im_24.bmp", "ours_core24.bmp": "im_24.bmp",
        "ours_core8.bmp": "im_4.bmp"}.items():
    if open(f + ".ppm", "rb").read() != open(src + ".ppm", "rb").read():
        print("not read back as written:", f)
PYEOF
