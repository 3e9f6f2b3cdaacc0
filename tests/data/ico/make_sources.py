from PIL import Image
# 16x16 RGBA: colour gradient, a transparent corner block, semi-transparent row
im = Image.new("RGBA", (16, 16))
for y in range(16):
    for x in range(16):
        a = 255
        if x < 4 and y < 4: a = 0
        elif y == 15: a = 128
        im.putpixel((x, y), (x * 16, y * 16, 255 - x * 8, a))
im.save("rgba16.png")
# 13x11 with few colours (odd sizes exercise row padding), binary alpha
cols = [(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),(255,0,255),(128,128,128),(20,40,60),(200,100,50),(0,0,0),(255,255,255)]
im = Image.new("RGBA", (13, 11))
for y in range(11):
    for x in range(13):
        c = cols[(x + 2 * y) % len(cols)]
        a = 0 if (x + y) % 7 == 0 else 255
        im.putpixel((x, y), c + (a,))
im.save("few13x11.png")
# 200-colour 17x12 opaque+transparent
im = Image.new("RGBA", (17, 12))
for y in range(12):
    for x in range(17):
        i = y * 17 + x
        a = 0 if i % 11 == 0 else 255
        im.putpixel((x, y), ((i * 37) % 256, (i * 59) % 256, (i * 83) % 256, a))
im.save("many17x12.png")
# black and white 19x9 with transparency
im = Image.new("RGBA", (19, 9))
for y in range(9):
    for x in range(19):
        v = 255 if (x * 3 + y) % 5 < 2 else 0
        a = 0 if (x % 6 == 0 and y % 3 == 0) else 255
        im.putpixel((x, y), (v, v, v, a))
im.save("bw19x9.png")
