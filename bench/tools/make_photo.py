# A photo-like test picture as a binary PPM on standard output: smooth
# light, edges, fine texture and sensor grain, so a JPEG codec has a
# camera photo's work to do.
#   python3 bench/tools/make_photo.py 4000 3000 > photo12.ppm
#   cjpeg -quality 92 -outfile photo12.jpg photo12.ppm
import math, random, sys
W, H = int(sys.argv[1]), int(sys.argv[2])
random.seed(7)
grain = bytes(random.getrandbits(8) for _ in range(1 << 20))
tex = [int(20 * math.sin(i * 0.37) * math.sin(i * 0.051)) for i in range(4096)]
sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (W, H))
g0 = 0
for y in range(H):
    fy = y / H
    row = bytearray(W * 3)
    ty = tex[(y * 3) & 4095]
    for x in range(W):
        fx = x / W
        t = tex[(x * 5 + y * 2) & 4095] + ty
        band = 40 if ((x // 300 + y // 200) & 1) else 0
        k = (g0 + x * 3) & 0xFFFFF
        r = int(90 + 120 * fx * fy) + band + t + (grain[k] >> 3) - 16
        g = int(60 + 150 * fy) + t + (grain[k + 1 & 0xFFFFF] >> 3) - 16
        b = int(140 - 80 * fx) + band // 2 + t + (grain[k + 2 & 0xFFFFF] >> 3) - 16
        j = 3 * x
        row[j] = r if 0 <= r < 256 else (0 if r < 0 else 255)
        row[j + 1] = g if 0 <= g < 256 else (0 if g < 0 else 255)
        row[j + 2] = b if 0 <= b < 256 else (0 if b < 0 else 255)
    g0 = (g0 + 7919 * 3) & 0xFFFFF
    sys.stdout.buffer.write(row)
