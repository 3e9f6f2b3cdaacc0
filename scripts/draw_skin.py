#!/usr/bin/env python3
"""Draws the wizard's skin: the pictures (24-bit BMP) and Skin.ini.

    scripts/draw_skin.py [output folder]   (default: resources/Skin)

A calm slate frame with a light client, flat controls with one soft blue
accent, drawn pixel by pixel so every edge is crisp at 100 %. Colours in the
ini are 0x00BBGGRR. Every picture a control draws transparently keeps
magenta in its bottom-left pixel.
"""
import os
import struct
import sys

# ---- palette (r, g, b) --------------------------------------------------------
OUTLINE = (30, 37, 46)
CAP_TOP, CAP_BOTTOM = (56, 67, 82), (44, 54, 67)
CAP_TOP_OFF, CAP_BOTTOM_OFF = (98, 108, 121), (88, 98, 111)
CLIENT = (243, 244, 246)
WHITE = (255, 255, 255)
LINE = (197, 203, 211)
LINE_SOFT = (213, 218, 224)
ACCENT = (74, 127, 193)
ACCENT_DARK = (58, 103, 160)
ACCENT_TINT = (227, 236, 248)
ACCENT_PRESS = (207, 222, 243)
TEXT = (31, 41, 55)
TEXT_OFF = (154, 163, 174)
GLYPH = (232, 236, 241)
GLYPH_OFF = (160, 169, 180)
CAPBTN_HOVER = (72, 86, 106)
CAPBTN_DOWN = (36, 44, 56)
CLOSE_HOVER = (214, 69, 65)
CLOSE_DOWN = (176, 52, 49)
GLOW = (120, 172, 235)
HINT_FILL = (47, 59, 76)
GROOVE = (201, 206, 214)
KEY = (255, 0, 255)


class Image:
    def __init__(self, w, h, fill=KEY):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def fill(self, l, t, r, b, c):
        for y in range(max(t, 0), min(b, self.h)):
            for x in range(max(l, 0), min(r, self.w)):
                self.px[y][x] = c

    def frame(self, l, t, r, b, c):
        for x in range(l, r):
            self.set(x, t, c)
            self.set(x, b - 1, c)
        for y in range(t, b):
            self.set(l, y, c)
            self.set(r - 1, y, c)

    def box(self, l, t, r, b, fill, line, corner):
        """A flat box with a one-pixel line and cut corners showing `corner`."""
        self.fill(l, t, r, b, fill)
        self.frame(l, t, r, b, line)
        for x, y in ((l, t), (r - 1, t), (l, b - 1), (r - 1, b - 1)):
            self.set(x, y, corner)
        for x, y in ((l + 1, t + 1), (r - 2, t + 1), (l + 1, b - 2), (r - 2, b - 2)):
            self.set(x, y, line)

    def paste(self, other, x0, y0):
        for y in range(other.h):
            for x in range(other.w):
                self.set(x0 + x, y0 + y, other.px[y][x])

    def save(self, path):
        stride = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            data += row
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(header + info + data)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ini_colour(c):
    r, g, b = c
    return "$00%02X%02X%02X" % (b, g, r)


# ---- frame ------------------------------------------------------------------------
FW, FH, CAPTION = 160, 120, 30
CLIENT_RECT = (4, CAPTION, FW - 4, FH - 4)
CAPTION_RECT = (8, 4, FW - 4, 26)


def caption_colour(y, active):
    top, bottom = (CAP_TOP, CAP_BOTTOM) if active else (CAP_TOP_OFF, CAP_BOTTOM_OFF)
    return mix(top, bottom, y / (CAPTION - 1))


def draw_frame(active):
    img = Image(FW, FH, CAP_BOTTOM if active else CAP_BOTTOM_OFF)
    for y in range(CAPTION):
        img.fill(0, y, FW, y + 1, caption_colour(y, active))
    img.fill(*CLIENT_RECT, CLIENT)
    img.frame(0, 0, FW, FH, OUTLINE)
    return img


# ---- caption buttons: rows close, maximize, minimize, restore; columns normal,
# hover, down, inactive; each on the caption background it covers -----------------
BW, BH = 30, 22
KINDS = ("close", "max", "min", "restore")


def draw_symbol(img, kind, x0, y0, c):
    cx, cy = x0 + BW // 2, y0 + BH // 2
    if kind == "close":
        for i in range(9):
            img.set(cx - 4 + i, cy - 4 + i, c)
            img.set(cx + 4 - i, cy - 4 + i, c)
    elif kind == "max":
        img.frame(cx - 5, cy - 5, cx + 5, cy + 5, c)
    elif kind == "min":
        img.fill(cx - 5, cy, cx + 5, cy + 1, c)
    else:
        img.frame(cx - 5, cy - 3, cx + 3, cy + 5, c)
        for x in range(cx - 3, cx + 5):
            img.set(x, cy - 5, c)
        for y in range(cy - 5, cy + 3):
            img.set(cx + 4, y, c)
        img.set(cx - 3, cy - 4, c)


def draw_caption_buttons():
    img = Image(BW * 4, BH * len(KINDS))
    for row, kind in enumerate(KINDS):
        for col in range(4):
            x0, y0 = col * BW, row * BH
            active = col != 3
            for y in range(BH):
                img.fill(x0, y0 + y, x0 + BW, y0 + y + 1, caption_colour(CAPTION_RECT[1] + y, active))
            if col == 1:
                img.fill(x0, y0, x0 + BW, y0 + BH, CLOSE_HOVER if kind == "close" else CAPBTN_HOVER)
            elif col == 2:
                img.fill(x0, y0, x0 + BW, y0 + BH, CLOSE_DOWN if kind == "close" else CAPBTN_DOWN)
            glyph = WHITE if col in (1, 2) else GLYPH if active else GLYPH_OFF
            draw_symbol(img, kind, x0, y0, glyph)
    return img


# A soft ring around a caption button or a button; the middle stays clear so
# the layer never covers what it surrounds.
GLOW_MARGIN = 6


def draw_glow(inner_w, inner_h):
    w, h = inner_w + 2 * GLOW_MARGIN, inner_h + 2 * GLOW_MARGIN
    colour, mask = Image(w, h, GLOW), Image(w, h, (0, 0, 0))
    for y in range(h):
        for x in range(w):
            dx = max(GLOW_MARGIN - x, 0, x - (w - 1 - GLOW_MARGIN))
            dy = max(GLOW_MARGIN - y, 0, y - (h - 1 - GLOW_MARGIN))
            d = (dx * dx + dy * dy) ** 0.5
            inside = dx == 0 and dy == 0
            a = 0 if inside or d > GLOW_MARGIN else int(round(170 * (1 - d / (GLOW_MARGIN + 1))))
            mask.set(x, y, (a, a, a))
    return colour, mask


# ---- controls ---------------------------------------------------------------------
BUTTON_W, BUTTON_H = 80, 26


def draw_button():
    w, h = BUTTON_W, BUTTON_H
    states = [(WHITE, LINE), (ACCENT_TINT, ACCENT), (ACCENT_PRESS, ACCENT_DARK), ((246, 247, 248), LINE_SOFT),
              (WHITE, ACCENT)]
    img = Image(w, h * len(states))
    for i, (fill, line) in enumerate(states):
        img.box(0, i * h, w, (i + 1) * h, fill, line, CLIENT)
    return img


def draw_edit():
    w, h = 80, 24
    img = Image(w, 2 * h)
    img.box(0, 0, w, h, WHITE, LINE, CLIENT)
    img.box(0, h, w, 2 * h, WHITE, ACCENT, CLIENT)
    return img


def arrow(img, cx, cy, up, c):
    for i in range(3):
        y = cy - 1 + i if up else cy + 1 - i
        img.fill(cx - i, y, cx + i + 1, y + 1, c)


def draw_spin():
    w, h = 80, 24
    img = Image(w, 2 * h + 10)
    for i, line in enumerate((LINE, ACCENT)):
        y0 = i * h
        img.box(0, y0, w, y0 + h, WHITE, line, CLIENT)
        img.fill(62, y0 + 1, 63, y0 + h - 1, LINE_SOFT)
        img.fill(63, y0 + 12, 79, y0 + 13, LINE_SOFT)
        arrow(img, 70, y0 + 7, True, TEXT)
        arrow(img, 70, y0 + 16, False, TEXT)
    # 15 x 10 pieces: up hot, up down, down hot, down down.
    for k, (fill, up) in enumerate(((ACCENT_TINT, True), (ACCENT_PRESS, True), (ACCENT_TINT, False),
                                    (ACCENT_PRESS, False))):
        x0 = k * 15
        img.fill(x0, 2 * h, x0 + 15, 2 * h + 10, fill)
        arrow(img, x0 + 7, 2 * h + (5 if up else 4), up, TEXT)
    return img


def draw_slider():
    img = Image(84, 40)
    # Horizontal groove 40 x 6 with rounded ends (corners stay magenta).
    img.box(0, 0, 40, 6, GROOVE, (176, 183, 193), KEY)
    # Thumbs: normal | pressed, 12 x 18 each.
    for k, fill in enumerate((WHITE, ACCENT)):
        x0 = k * 12
        img.box(x0, 6, x0 + 12, 24, fill, ACCENT_DARK if k else (150, 160, 173), KEY)
    img.box(40, 0, 46, 40, GROOVE, (176, 183, 193), KEY)
    for k, fill in enumerate((WHITE, ACCENT)):
        x0 = 46 + k * 18
        img.box(x0, 0, x0 + 18, 12, fill, ACCENT_DARK if k else (150, 160, 173), KEY)
    img.set(0, 39, KEY)
    return img


def draw_panel():
    img = Image(60, 60)
    img.box(0, 0, 60, 60, CLIENT, LINE_SOFT, CLIENT)
    return img


def draw_statusbar():
    img = Image(60, 24, CLIENT)
    img.fill(0, 0, 60, 1, LINE_SOFT)
    return img


def draw_popup():
    img = Image(60, 60)
    img.box(0, 0, 60, 60, WHITE, LINE, WHITE)
    return img


def draw_menu_rows():
    img = Image(60, 54, WHITE)
    img.box(2, 24, 58, 48, ACCENT_TINT, ACCENT_TINT, WHITE)
    img.fill(0, 48, 60, 54, WHITE)
    img.fill(4, 51, 56, 52, LINE_SOFT)
    return img


def draw_hint():
    img = Image(40, 30)
    img.box(0, 0, 40, 30, HINT_FILL, OUTLINE, HINT_FILL)
    return img


# ---- the ini --------------------------------------------------------------------------
PICTURES = ["capbtns.bmp", "glow.bmp", "glowmask.bmp", "button.bmp", "edit.bmp", "spin.bmp", "slider.bmp",
            "panel.bmp", "statusbar.bmp", "popup.bmp", "menu.bmp", "hint.bmp", "buttonglow.bmp",
            "buttonglowmask.bmp"]


RESOURCE_STRINGS = [
    ("MI_MINCAPTION", "最小化(&N)"), ("MI_MAXCAPTION", "最大化(&X)"), ("MI_CLOSECAPTION", "关闭(&C)"),
    ("MI_RESTORECAPTION", "还原(&R)"), ("MI_MINTOTRAYCAPTION", "最小化到托盘(&T)"), ("MI_ROLLUPCAPTION", "卷起(&L)"),
    ("MINBUTTON_HINT", "最小化"), ("MAXBUTTON_HINT", "最大化"), ("CLOSEBUTTON_HINT", "关闭"),
    ("TRAYBUTTON_HINT", "最小化到托盘"), ("ROLLUPBUTTON_HINT", "卷起"), ("MENUBUTTON_HINT", "系统菜单"),
    ("RESTORE_HINT", "还原"),
    ("EDIT_UNDO", "撤消"), ("EDIT_COPY", "复制"), ("EDIT_CUT", "剪切"), ("EDIT_PASTE", "粘贴"),
    ("EDIT_DELETE", "删除"), ("EDIT_SELECTALL", "全选"),
    ("MSG_BTN_YES", "是(&Y)"), ("MSG_BTN_NO", "否(&N)"), ("MSG_BTN_OK", "确定"), ("MSG_BTN_CANCEL", "取消"),
    ("MSG_BTN_ABORT", "中止(&A)"), ("MSG_BTN_RETRY", "重试(&R)"), ("MSG_BTN_IGNORE", "忽略(&I)"),
    ("MSG_BTN_ALL", "全部(&A)"), ("MSG_BTN_NOTOALL", "全部否(&O)"), ("MSG_BTN_YESTOALL", "全部是(&A)"),
    ("MSG_BTN_HELP", "帮助(&H)"),
    ("MSG_CAP_WARNING", "警告"), ("MSG_CAP_ERROR", "错误"), ("MSG_CAP_INFORMATION", "信息"),
    ("MSG_CAP_CONFIRM", "确认"),
]


def pic(name):
    return PICTURES.index(name)


def caption_button(name, command, row, restore_row=None):
    x = lambda col: "%d,%d,%d,%d" % (col * BW, row * BH, (col + 1) * BW, (row + 1) * BH)
    lines = ["[%s]" % name, "command=%s" % command, "activepictureindex=%d" % pic("capbtns.bmp"),
             "skinrectinapicture=1", "skinrect=" + x(0), "activeskinrect=" + x(1), "downrect=" + x(2),
             "inactiveskinrect=" + x(3), "morphing=1", "morphkind=mkdefault",
             "glowlayerpictureindex=%d" % pic("glow.bmp"), "glowlayermaskpictureindex=%d" % pic("glowmask.bmp"),
             "glowlayeroffsetx=%d" % GLOW_MARGIN, "glowlayeroffsety=%d" % GLOW_MARGIN,
             "glowlayeralphablendvalue=255"]
    if restore_row is not None:
        r = lambda col: "%d,%d,%d,%d" % (col * BW, restore_row * BH, (col + 1) * BW, (restore_row + 1) * BH)
        lines += ["restorerect=" + r(0), "restoreactiverect=" + r(1), "restoredownrect=" + r(2),
                  "restoreinactiverect=" + r(3)]
    return lines


FONT = "WenQuanYi Zen Hei"


def font_keys(colour=TEXT, active=TEXT, height=14):
    return ["fontname=" + FONT, "fontheight=%d" % height, "fontstyle=", "fontcolor=" + ini_colour(colour),
            "activefontcolor=" + ini_colour(active)]


def write_ini(path):
    L = []
    add = L.append
    L += ["; The wizard's skin. Drawn by scripts/draw_skin.py; edit that, not this.",
          "[VERSION]", "skinname=Lumiqa Slate", "skinauthor=Lumiqa", "authoremail=", "authorurl=",
          "skincomments=Calm slate frame, light client, one blue accent"]
    L += ["[PICTURES]", "picture=frame.bmp", "inactivepicture=frame_inactive.bmp",
          "activepicturescount=%d" % len(PICTURES)]
    L += ["%d=%s" % (i, p) for i, p in enumerate(PICTURES)]
    L += ["[FORMINFO]", "clientrect=%d,%d,%d,%d" % CLIENT_RECT, "lefttoppoint=40,40", "righttoppoint=120,40",
          "leftbottompoint=40,100", "rightbottompoint=120,100", "leftstretch=1", "topstretch=1", "rightstretch=1",
          "bottomstretch=1", "stretcheffect=0", "captionrect=%d,%d,%d,%d" % CAPTION_RECT, "buttonsoffset=0",
          "hittestlefttoppoint=8,8", "hittestrighttoppoint=152,8", "hittestleftbottompoint=8,112",
          "hittestrightbottompoint=152,112", "borderwidth=4", "formminwidth=120",
          "autorenderinginactiveimage=0", "inactiveeffect=iebrightness"]
    L += ["[SKINOBJECTS]", "count=5", "0=caption:caption", "1=closebutton:stdbutton", "2=maxbutton:stdbutton",
          "3=minbutton:stdbutton", "4=menuitem:menuitem"]
    L += ["[caption]", "skinrect=%d,%d,%d,%d" % (CAPTION_RECT[0], CAPTION_RECT[1], CAPTION_RECT[2] - 4,
                                                 CAPTION_RECT[3]),
          "textrect=4,0,140,22", "defaultcaption=1", "fontname=" + FONT, "fontheight=15", "fontstyle=",
          "fontcolor=" + ini_colour((180, 189, 200)), "activefontcolor=" + ini_colour(WHITE),
          "alignment=taleftjustify", "shadow=0", "light=0"]
    L += caption_button("closebutton", "cmclose", 0)
    L += caption_button("maxbutton", "cmmaximize", 1, restore_row=3)
    L += caption_button("minbutton", "cmminimize", 2)
    L += ["[menuitem]", "activepictureindex=%d" % pic("menu.bmp"), "skinrectinapicture=1", "skinrect=0,0,60,24",
          "activeskinrect=0,24,60,48", "dividerrect=0,48,60,54", "itemleftoffset=4", "itemrightoffset=4",
          "dividerleftoffset=4", "dividerrightoffset=4", "textrect=26,0,56,24", "imagerect=4,4,20,20"]
    L += font_keys(TEXT, TEXT) + ["unenabledfontcolor=" + ini_colour(TEXT_OFF), "stretcheffect=1",
                                  "inactivestretcheffect=1", "dividerstretcheffect=1"]
    controls = ["button:button", "stdlabel:stdlabel", "edit:edit", "spinedit:spinedit", "slider:slider",
                "panel:panel", "statusbar:panel"]
    L += ["[SKINCONTROLS]", "count=%d" % len(controls)] + ["%d=%s" % (i, c) for i, c in enumerate(controls)]
    state = lambda i: "0,%d,80,%d" % (i * 26, (i + 1) * 26)
    L += ["[button]", "pictureindex=%d" % pic("button.bmp"), "skinrect=" + state(0), "activeskinrect=" + state(1),
          "downskinrect=" + state(2), "disabledskinrect=" + state(3), "focusedskinrect=" + state(4),
          "lefttoppoint=6,6", "righttoppoint=74,6", "leftbottompoint=6,20", "rightbottompoint=74,20",
          "clientrect=3,3,77,23", "leftstretch=1", "topstretch=1", "rightstretch=1", "bottomstretch=1",
          "stretcheffect=1", "stretchtype=stfull"]
    L += font_keys(TEXT, TEXT) + ["downfontcolor=" + ini_colour(TEXT), "disabledfontcolor=" + ini_colour(TEXT_OFF),
                                  "morphing=1", "morphkind=mkdefault", "showfocus=0",
                                  "glowlayerpictureindex=%d" % pic("buttonglow.bmp"),
                                  "glowlayermaskpictureindex=%d" % pic("buttonglowmask.bmp"),
                                  "glowlayeroffsetleft=%d" % GLOW_MARGIN, "glowlayeroffsettop=%d" % GLOW_MARGIN,
                                  "glowlayeroffsetright=%d" % GLOW_MARGIN, "glowlayeroffsetbottom=%d" % GLOW_MARGIN,
                                  "glowlayershowoffsetx=%d" % GLOW_MARGIN, "glowlayershowoffsety=%d" % GLOW_MARGIN,
                                  "glowlayeralphablendvalue=255"]
    L += ["[stdlabel]"] + font_keys(TEXT, ACCENT_DARK)
    L += ["[edit]", "pictureindex=%d" % pic("edit.bmp"), "skinrect=0,0,80,24", "activeskinrect=0,24,80,48",
          "lefttoppoint=4,0", "righttoppoint=76,0", "clientrect=5,4,75,20", "stretcheffect=1"]
    L += font_keys() + ["disabledfontcolor=" + ini_colour(TEXT_OFF)]
    L += ["[spinedit]", "pictureindex=%d" % pic("spin.bmp"), "skinrect=0,0,80,24", "activeskinrect=0,24,80,48",
          "lefttoppoint=4,0", "righttoppoint=62,0", "clientrect=5,4,61,20", "upbuttonrect=63,2,78,12",
          "downbuttonrect=63,12,78,22", "activeupbuttonrect=0,48,15,58", "downupbuttonrect=15,48,30,58",
          "activedownbuttonrect=30,48,45,58", "downdownbuttonrect=45,48,60,58", "stretcheffect=1"]
    L += font_keys() + ["disabledfontcolor=" + ini_colour(TEXT_OFF)]
    L += ["[slider]", "pictureindex=%d" % pic("slider.bmp"), "hrulerrect=0,0,40,6", "hthumbrect=0,6,24,24",
          "vrulerrect=40,0,46,40", "vthumbrect=46,0,82,12", "edgesize=3", "bgcolor=" + ini_colour(CLIENT),
          "pointscolor=" + ini_colour((150, 160, 173))]
    panel = ["lefttoppoint=10,10", "righttoppoint=50,10", "leftbottompoint=10,50", "rightbottompoint=50,50",
             "leftstretch=1", "topstretch=1", "rightstretch=1", "bottomstretch=1", "stretcheffect=1",
             "alignment=taleftjustify"] + font_keys()
    L += ["[panel]", "pictureindex=%d" % pic("panel.bmp"), "skinrect=0,0,60,60", "clientrect=1,1,59,59"] + panel
    L += ["[statusbar]", "pictureindex=%d" % pic("statusbar.bmp"), "skinrect=0,0,60,24",
          "clientrect=0,1,60,24", "lefttoppoint=10,1", "righttoppoint=50,1", "leftbottompoint=10,23",
          "rightbottompoint=50,23", "leftstretch=1", "topstretch=1", "rightstretch=1", "bottomstretch=1",
          "stretcheffect=1", "alignment=taleftjustify"] + font_keys()
    L += ["[POPUPWINDOW]", "windowpictureindex=%d" % pic("popup.bmp"), "maskpictureindex=-1",
          "lefttoppoint=10,10", "righttoppoint=50,10", "leftbottompoint=10,50", "rightbottompoint=50,50",
          "itemsrect=3,3,57,57", "scrollmarkercolor=" + ini_colour(TEXT_OFF),
          "scrollmarkeractivecolor=" + ini_colour(ACCENT), "leftstretch=1", "topstretch=1", "rightstretch=1",
          "bottomstretch=1", "stretcheffect=1", "stretchtype=stfull"]
    L += ["[HINTWINDOW]", "windowpictureindex=%d" % pic("hint.bmp"), "maskpictureindex=-1", "lefttoppoint=5,5",
          "righttoppoint=35,5", "leftbottompoint=5,25", "rightbottompoint=35,25", "clientrect=4,4,36,26",
          "fontname=" + FONT, "fontheight=13", "fontstyle=", "fontcolor=" + ini_colour(WHITE), "leftstretch=1",
          "topstretch=1", "rightstretch=1", "bottomstretch=1", "stretcheffect=1", "stretchtype=stfull"]
    colours = [("cbtnface", CLIENT), ("cbtntext", TEXT), ("cwindow", WHITE), ("cwindowtext", TEXT),
               ("chighlight", ACCENT), ("chighlighttext", WHITE), ("cbtnhighlight", WHITE),
               ("cbtnshadow", (167, 175, 186)), ("c3dlight", (229, 231, 235)), ("c3ddkshadow", (107, 114, 128))]
    L += ["[SKINCOLORS]"] + ["%s=%s" % (k, ini_colour(c)) for k, c in colours]
    # The skin library's texts in the wizard's language: the window menu, the
    # caption buttons' hints, the edit menu and the message dialog.
    L += ["[RESOURCESTRINGS]"] + ["%s=%s" % kv for kv in RESOURCE_STRINGS]
    with open(path, "w", newline="\r\n", encoding="utf-8") as f:
        f.write("\n".join(L) + "\n")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "Skin")
    os.makedirs(out, exist_ok=True)
    draw_frame(True).save(os.path.join(out, "frame.bmp"))
    draw_frame(False).save(os.path.join(out, "frame_inactive.bmp"))
    glow, mask = draw_glow(BW, BH)
    # The button's glow fits the button's skin rectangle, so the fitted
    # glow of any button surrounds the whole button.
    button_glow, button_mask = draw_glow(BUTTON_W, BUTTON_H)
    pictures = {"capbtns.bmp": draw_caption_buttons(), "glow.bmp": glow, "glowmask.bmp": mask,
                "buttonglow.bmp": button_glow, "buttonglowmask.bmp": button_mask,
                "button.bmp": draw_button(), "edit.bmp": draw_edit(), "spin.bmp": draw_spin(),
                "slider.bmp": draw_slider(), "panel.bmp": draw_panel(), "statusbar.bmp": draw_statusbar(),
                "popup.bmp": draw_popup(), "menu.bmp": draw_menu_rows(), "hint.bmp": draw_hint()}
    for name in PICTURES:
        pictures[name].save(os.path.join(out, name))
    write_ini(os.path.join(out, "Skin.ini"))


if __name__ == "__main__":
    main()
