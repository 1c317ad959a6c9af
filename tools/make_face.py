#!/usr/bin/python3
"""Draws the radio's face bitmaps into resources/face/.

Run by hand after changing the artwork (Debian's python3-pil); the bitmaps it
writes are committed, so the build needs neither this tool nor PIL.

Every bitmap is 8-bit palettized with a 40-byte BITMAPINFOHEADER. Pure black
is the transparent colour: overlays are black wherever the face beneath must
show through, and nothing else in any image is pure black.

The geometry follows the gauge's mouse areas (face pixels, origin top-left):
door knob top-left, power knob top-right, volume + over - at the left with
the volume knob's pivot at (83, 84), the display window at (136, 58), the row
of nine keys from x 120 to 399 below it, the three mode keys at (417, 49).
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FACE_W, FACE_H = 476, 147
FONTS = "/usr/share/fonts/truetype"
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "face")

BODY_TOP = (48, 48, 53)
BODY_BOTTOM = (28, 28, 32)
TRIM = (150, 150, 158)
KEY = (96, 96, 102)
KEY_EDGE = (140, 140, 148)
KEY_INK = (34, 34, 40)
LABEL = (176, 176, 184)
GLASS = (22, 32, 30)
GLASS_MARK = (46, 62, 58)
LIT_GLASS_TOP = (16, 58, 62)
LIT_GLASS_BOTTOM = (8, 34, 38)
AMBER = (255, 184, 64)
LIT_KEY = (206, 206, 212)
RED = (232, 32, 24)

# The bottom row's keys, face x of their left edges, all 26 wide and 15 high
# at y 111, centred on the preset click boxes.
PRESET_KEY_LEFT = [150, 185, 219, 252, 285, 320]
KEY_TOP, KEY_H, PRESET_KEY_W = 111, 15, 26
CAPTIONS = ["RECORD PLAYER", "BERLIN", "LONDON", "PARIS", "RIO DE JANEIRO", "MOSCOW", "MADRID",
            "NEW YORK", "CHICAGO", "SAN FRANCISCO", "BOSTON", "SHIPS", "AIRCRAFT"]
MODE_MARKS = ["RP", "1", "2"]


def font(name, size):
    for folder in ("liberation", "dejavu"):
        path = os.path.join(FONTS, folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("make_face: font %s not found (Debian: fonts-liberation)" % name)


def sans(size, bold=True):
    return font("LiberationSans-Bold.ttf" if bold else "LiberationSans-Regular.ttf", size)


def centred_text(draw, box, text, fnt, fill):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=fnt)
    x = box[0] + (box[2] - box[0] - (right - left)) / 2 - left
    y = box[1] + (box[3] - box[1] - (bottom - top)) / 2 - top
    draw.text((x, y), text, font=fnt, fill=fill)


def gradient(draw, box, top, bottom):
    x0, y0, x1, y1 = box
    for y in range(y0, y1 + 1):
        t = (y - y0) / max(1, y1 - y0)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(x0, y), (x1, y)], fill=colour)


def knob(draw, cx, cy, r):
    """A knurled knob: ridged rim, domed cap."""
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(70, 70, 76), outline=TRIM)
    for i in range(0, 360, 15):
        import math
        a = math.radians(i)
        draw.line([(cx + (r - 3) * math.cos(a), cy + (r - 3) * math.sin(a)),
                   (cx + (r - 1) * math.cos(a), cy + (r - 1) * math.sin(a))], fill=(120, 120, 128))
    inner = r - 4
    draw.ellipse([cx - inner, cy - inner, cx + inner, cy + inner], fill=(104, 104, 112),
                 outline=(60, 60, 66))
    draw.ellipse([cx - inner + 2, cy - inner + 2, cx + inner - 5, cy + inner - 5],
                 fill=(128, 128, 136))


def key(draw, box, fill=KEY, edge=KEY_EDGE):
    draw.rounded_rectangle(box, radius=3, fill=fill, outline=edge)


def arrows(draw, box, direction, fill):
    """Two triangles side by side: previous (-1) or next (+1)."""
    x0, y0, x1, y1 = box
    cy = (y0 + y1) / 2
    w = (x1 - x0 - 4) / 2
    for i in range(2):
        left = x0 + 2 + i * w
        if direction > 0:
            draw.polygon([(left, cy - 4), (left + w - 1, cy), (left, cy + 4)], fill=fill)
        else:
            draw.polygon([(left + w - 1, cy - 4), (left, cy), (left + w - 1, cy + 4)], fill=fill)


def pause_mark(draw, box, fill):
    x0, y0, x1, y1 = box
    cx = (x0 + x1) / 2
    draw.rectangle([cx - 4, y0 + 3, cx - 2, y1 - 3], fill=fill)
    draw.rectangle([cx + 2, y0 + 3, cx + 4, y1 - 3], fill=fill)


def plus_minus(draw, box, plus, fill):
    x0, y0, x1, y1 = box
    cx, cy = (x0 + x1) // 2, (y0 + y1) // 2
    draw.rectangle([cx - 7, cy - 1, cx + 7, cy + 1], fill=fill)
    if plus:
        draw.rectangle([cx - 1, cy - 7, cx + 1, cy + 7], fill=fill)


VOLUME_UP_KEY = (3, 53, 47, 81)
VOLUME_DOWN_KEY = (3, 87, 47, 116)


def volume_keys(draw, lit):
    for box, plus in ((VOLUME_UP_KEY, True), (VOLUME_DOWN_KEY, False)):
        if lit:
            key(draw, box, fill=LIT_KEY, edge=(240, 240, 244))
            plus_minus(draw, box, plus, (200, 110, 20))
        else:
            key(draw, box)
            plus_minus(draw, box, plus, KEY_INK)


def preset_keys(draw, origin_x, origin_y, lit):
    digits = sans(11)
    for k, left in enumerate(PRESET_KEY_LEFT):
        box = (left - origin_x, KEY_TOP - origin_y, left - origin_x + PRESET_KEY_W - 1,
               KEY_TOP - origin_y + KEY_H - 1)
        key(draw, box)
        centred_text(draw, box, str(k + 1), digits, AMBER if lit else KEY_INK)


MODE_KEYS_X, MODE_KEYS_Y = 417, 49


def mode_keys(draw, origin_x, origin_y, lit_index):
    marks = sans(11)
    for i, mark in enumerate(MODE_MARKS):
        box = (MODE_KEYS_X - origin_x, MODE_KEYS_Y - origin_y + 22 * i + 1,
               MODE_KEYS_X - origin_x + 29, MODE_KEYS_Y - origin_y + 22 * i + 20)
        if i == lit_index:
            key(draw, box, fill=(236, 196, 120), edge=(255, 230, 170))
            centred_text(draw, box, mark, marks, (90, 40, 10))
        else:
            key(draw, box)
            centred_text(draw, box, mark, marks, KEY_INK)


DIAL_X, DIAL_Y, DIAL_W, DIAL_H = 136, 58, 202, 43


def dial_scale(draw, band, position):
    """The tuning scale along the window's foot, with the station's needle."""
    small = sans(8, bold=False)
    if band == "FM":
        marks, unit = ["88", "92", "96", "100", "104", "108"], "MHz"
    else:
        marks, unit = ["53", "60", "70", "90", "120", "160"], "kHz"
    left, right, base = 12, 172, 40
    for i in range(31):
        x = left + (right - left) * i / 30
        draw.line([(x, base - (4 if i % 6 == 0 else 2)), (x, base)], fill=AMBER)
    for i, mark in enumerate(marks):
        x = left + (right - left) * i / 5
        centred_text(draw, (x - 10, 24, x + 10, 33), mark, small, AMBER)
    centred_text(draw, (176, 24, 200, 33), unit, small, AMBER)
    x = left + (right - left) * position
    draw.rectangle([x - 1, 21, x, 41], fill=RED)


def station_dial(index):
    image = Image.new("RGB", (DIAL_W, DIAL_H), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    gradient(draw, (0, 0, DIAL_W - 1, DIAL_H - 1), LIT_GLASS_TOP, LIT_GLASS_BOTTOM)
    if index == 0:
        # The track number stands in the middle: the caption keeps to the sides.
        big = sans(14)
        centred_text(draw, (2, 6, 86, 36), "RECORD", big, AMBER)
        centred_text(draw, (131, 6, 199, 36), "PLAYER", big, AMBER)
        centred_text(draw, (88, 2, 130, 10), "TRACK", sans(8, bold=False), AMBER)
    else:
        band = "FM" if index <= 6 else "AM"
        preset = (index - 1) % 6
        centred_text(draw, (2, 1, DIAL_W - 3, 19), CAPTIONS[index], sans(15), AMBER)
        centred_text(draw, (2, 1, 24, 12), band, sans(8), (120, 200, 190))
        dial_scale(draw, band, 0.1 + 0.16 * preset)
    return image


def background():
    image = Image.new("RGB", (FACE_W, FACE_H), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    # The body, its rounded corners left transparent.
    body = Image.new("RGB", (FACE_W, FACE_H), (0, 0, 0))
    gradient(ImageDraw.Draw(body), (0, 0, FACE_W - 1, FACE_H - 1), BODY_TOP, BODY_BOTTOM)
    mask = Image.new("L", (FACE_W, FACE_H), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, FACE_W - 1, FACE_H - 1), radius=9, fill=255)
    image.paste(body, (0, 0), mask)
    draw.rounded_rectangle((0, 0, FACE_W - 1, FACE_H - 1), radius=9, outline=TRIM)
    draw.rounded_rectangle((2, 2, FACE_W - 3, FACE_H - 3), radius=8, outline=(70, 70, 76))

    # The maker's banner across the top, between the corner knobs.
    gradient(draw, (66, 5, 404, 41), (190, 190, 198), (112, 112, 120))
    draw.rectangle((66, 5, 404, 41), outline=(220, 220, 228))
    draw.line([(70, 36), (400, 36)], fill=(150, 30, 26))
    logo = font("LiberationSans-BoldItalic.ttf", 24)
    centred_text(draw, (70, 5, 250, 35), "SkyTune", logo, (30, 30, 44))
    centred_text(draw, (250, 8, 400, 34), "RECORD PLAYER  FM/AM", sans(10), (44, 44, 56))

    # Door knob (upper left) with the eject sign under it.
    knob(draw, 31, 19, 15)
    draw.polygon([(25, 41), (31, 36), (37, 41)], fill=LABEL)
    draw.rectangle([25, 43, 37, 44], fill=LABEL)
    # Power knob (upper right); its mark beneath is an element of its own.
    knob(draw, 434, 15, 13)
    centred_text(draw, (446, 29, 474, 38), "PWR", sans(7), LABEL)

    # Volume keys and the volume knob with its scale.
    volume_keys(draw, lit=False)
    import math
    for i in range(0, 31):
        a = math.radians(180 - 6 * i)
        r0 = 31 if i % 5 == 0 else 32
        draw.line([(83 + r0 * math.cos(a), 84 - r0 * math.sin(a)),
                   (83 + 34 * math.cos(a), 84 - 34 * math.sin(a))], fill=LABEL)
    knob(draw, 83, 84, 20)
    centred_text(draw, (50, 92, 62, 100), "-", sans(9), LABEL)
    centred_text(draw, (104, 92, 116, 100), "+", sans(9), LABEL)
    centred_text(draw, (58, 132, 108, 142), "VOLUME", sans(8), LABEL)

    # The display window, unlit, in its chrome bezel.
    draw.rounded_rectangle((DIAL_X - 4, DIAL_Y - 4, DIAL_X + DIAL_W + 3, DIAL_Y + DIAL_H + 3),
                           radius=4, fill=(120, 120, 128), outline=(200, 200, 208))
    draw.rectangle((DIAL_X, DIAL_Y, DIAL_X + DIAL_W - 1, DIAL_Y + DIAL_H - 1), fill=GLASS)
    for i in range(31):
        x = DIAL_X + 12 + 160 * i / 30
        draw.line([(x, DIAL_Y + 38 - (4 if i % 6 == 0 else 2)), (x, DIAL_Y + 38)], fill=GLASS_MARK)

    # The power lamp, dark, and the stereo mark beside the window.
    draw.rounded_rectangle((378, 59, 404, 71), radius=3, fill=(22, 20, 20))
    draw.ellipse((385, 59, 397, 71), fill=(70, 22, 20), outline=(40, 16, 16))
    centred_text(draw, (344, 78, 406, 88), "STEREO", sans(8), LABEL)

    # The three mode keys, with what each chooses beside it.
    mode_keys(draw, 0, 0, lit_index=None)
    small = sans(8)
    for i, band in enumerate(["CD", "FM", "AM"]):
        centred_text(draw, (449, 49 + 22 * i + 1, 475, 49 + 22 * i + 20), band, small, LABEL)

    # The row of nine keys: pause, presets 1-6, previous, next.
    pause = (125, 113, 141, 126)
    key(draw, pause)
    pause_mark(draw, pause, KEY_INK)
    preset_keys(draw, 0, 0, lit=False)
    for left, direction in ((355, -1), (379, 1)):
        box = (left, KEY_TOP, left + 17, KEY_TOP + KEY_H - 1)
        key(draw, box)
        arrows(draw, box, direction, KEY_INK)
    label = sans(8)
    centred_text(draw, (118, 131, 148, 141), "PAUSE", label, LABEL)
    centred_text(draw, (150, 131, 346, 141), "PRESET", label, LABEL)
    centred_text(draw, (352, 131, 400, 141), "TRACK", label, LABEL)
    return image


def volume_keys_lit():
    image = Image.new("RGB", (FACE_W, FACE_H), (0, 0, 0))
    volume_keys(ImageDraw.Draw(image), lit=True)
    return image


def power_led():
    image = Image.new("RGB", (27, 13), (22, 20, 20))
    draw = ImageDraw.Draw(image)
    draw.ellipse((7, 0, 19, 12), fill=RED, outline=(150, 20, 16))
    draw.ellipse((10, 2, 14, 5), fill=(255, 150, 140))
    return image


def preset_lamps(index):
    image = Image.new("RGB", (197, 19), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    preset_keys(draw, 150, 111, lit=True)
    if index < 6:
        left = PRESET_KEY_LEFT[index] - 150
        draw.rectangle((left + 3, 16, left + PRESET_KEY_W - 4, 18), fill=RED)
    return image


def mode_lamps(index):
    image = Image.new("RGB", (30, 66), (0, 0, 0))
    mode_keys(ImageDraw.Draw(image), MODE_KEYS_X, MODE_KEYS_Y, index if index < 3 else None)
    return image


def volume_pointer():
    image = Image.new("RGB", (31, 9), (0, 0, 0))
    ImageDraw.Draw(image).polygon([(21, 0), (30, 4), (21, 8)], fill=(248, 248, 248))
    return image


def pause_lamp(lit):
    image = Image.new("RGB", (17, 14), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    box = (0, 0, 16, 13)
    if lit:
        key(draw, box, fill=(244, 244, 248), edge=(255, 255, 255))
        pause_mark(draw, box, (70, 70, 80))
    else:
        key(draw, box, fill=(128, 128, 134), edge=(160, 160, 166))
        pause_mark(draw, box, (60, 60, 66))
    return image


def knob_mark():
    image = Image.new("RGB", (8, 7), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.polygon([(0, 4), (3.5, 0), (7, 4)], fill=(250, 250, 250))
    draw.rectangle((0, 6, 7, 6), fill=(250, 250, 250))
    return image


def palettized(image, keep_black_below=0):
    """8-bit image: black stays exact black (index 0), the rest is quantized.

    Overlays pass keep_black_below to turn the dark fringe of anti-aliased
    edges into transparency rather than a dark halo.
    """
    rgb = image.convert("RGB")
    pixels = list(rgb.getdata())
    if keep_black_below:
        pixels = [(0, 0, 0) if max(p) < keep_black_below else p for p in pixels]
    solid = [p for p in pixels if p != (0, 0, 0)] or [(8, 8, 8)]
    sample = Image.new("RGB", (len(solid), 1))
    sample.putdata(solid)
    quantized = sample.quantize(colors=255, method=Image.Quantize.MEDIANCUT,
                                dither=Image.Dither.NONE)
    palette = quantized.getpalette()[:255 * 3]
    palette += [8] * (255 * 3 - len(palette))
    colours = [tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)]
    # A quantized colour may not fall on the transparent black.
    colours = [(1, 1, 1) if c == (0, 0, 0) else c for c in colours]
    solid_indexes = list(quantized.getdata())
    indexes, next_solid = [], 0
    for p in pixels:
        if p == (0, 0, 0):
            indexes.append(0)
        else:
            indexes.append(solid_indexes[next_solid] + 1)
            next_solid += 1
    result = Image.new("P", rgb.size)
    result.putpalette([0, 0, 0] + [v for c in colours for v in c])
    result.putdata(indexes)
    return result


def save(name, image, overlay=True):
    path = os.path.join(OUT, name)
    palettized(image, 20 if overlay else 0).save(path, "BMP")
    return path


def main():
    os.makedirs(OUT, exist_ok=True)
    save("background.bmp", background(), overlay=False)
    save("volume_keys_lit.bmp", volume_keys_lit())
    save("power_led.bmp", power_led())
    for i in range(13):
        save("station_dial_%02d.bmp" % i, station_dial(i), overlay=False)
    for i in range(7):
        save("preset_lamps_%d.bmp" % i, preset_lamps(i))
    for i in range(4):
        save("mode_lamps_%d.bmp" % i, mode_lamps(i))
    save("volume_pointer.bmp", volume_pointer())
    save("pause_lamp_0.bmp", pause_lamp(False))
    save("pause_lamp_1.bmp", pause_lamp(True))
    save("knob_mark.bmp", knob_mark())


if __name__ == "__main__":
    main()
