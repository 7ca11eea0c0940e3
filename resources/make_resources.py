#!/usr/bin/python3
"""Generate splash.gif and tessary.ico next to this script.

Needs Python 3 and Pillow (Debian: python3-pil), fonts from fonts-dejavu-core.
The output is deterministic: running it twice gives the same bytes.

    /usr/bin/python3 resources/make_resources.py
"""
import io
import os
import struct

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

SPLASH_SIZE = (496, 449)
SS = 2  # supersampling factor for the splash

# The ten icon images, in file order: (size, bits per pixel, stored as PNG).
ICON_IMAGES = [(16, 4, False), (16, 8, False), (16, 32, False),
               (24, 32, False), (32, 32, False), (48, 32, True),
               (64, 32, True), (72, 32, True), (96, 32, True),
               (128, 32, True)]

# The standard 16-colour VGA palette.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
       (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
       (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# 16 px art, drawn by hand so it stays readable. Each letter is a VGA index,
# '.' is transparent.
ART16_COLOURS = {"k": 0, "B": 4, "c": 14, "w": 15, "g": 7, "d": 8,
                 "y": 11, "o": 3}
ART16 = [
    "..k.....oooooo..",
    "..k....oyyyyyyo.",
    ".kkkkk.oykykyko.",
    "kBBBBBkoyyyyyyo.",
    "kBwccBk.oyoooo..",
    "kBcccBk.oo......",
    "kBcccBkoo.......",
    "kBcccBk.........",
    "kBBBBBk.........",
    "kBgBgBk.........",
    "kBBBBBk.........",
    "kBgBgBk.........",
    "kBBBBBk.........",
    "kBgBgBk.........",
    "kBBBBBk.........",
    ".kkkkk..........",
]


def font(name, size):
    try:
        return ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    except OSError:
        return ImageFont.load_default()


def vgradient(size, top, bottom):
    """An RGB image fading from colour `top` to colour `bottom`."""
    w, h = size
    col = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / max(h - 1, 1)
        col.putpixel((0, y), tuple(round(a + (b - a) * t)
                                   for a, b in zip(top, bottom)))
    return col.resize((w, h))


def fill_shape(img, box, radius, top, bottom):
    """Paste a rounded rectangle filled with a vertical gradient."""
    x0, y0, x1, y1 = [round(v) for v in box]
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle((x0, y0, x1, y1), radius, fill=255)
    grad = vgradient((x1 - x0 + 1, y1 - y0 + 1), top, bottom)
    layer = Image.new("RGB", img.size)
    layer.paste(grad, (x0, y0))
    img.paste(layer, (0, 0), mask)


def shadow(img, shape_mask, offset, blur, strength=110):
    """Darken `img` under a blurred, shifted copy of `shape_mask`."""
    m = Image.new("L", img.size, 0)
    m.paste(shape_mask, offset)
    m = m.filter(ImageFilter.GaussianBlur(blur)).point(
        lambda v: v * strength // 255)
    img.paste((40, 50, 70), (0, 0), m)


def envelope(d, box, paper, line, width):
    x0, y0, x1, y1 = box
    d.rectangle(box, fill=paper, outline=line, width=width)
    d.line([(x0, y0), ((x0 + x1) / 2, (y0 + y1) / 2 + (y1 - y0) * 0.1),
            (x1, y0)], fill=line, width=width, joint="curve")


def bubble(d, box, tail, fill, outline, width, radius):
    """Speech bubble: rounded box with a wedge out to the point `tail`.

    The wedge leaves the bottom edge when `tail` lies below the box and the
    left edge otherwise.
    """
    x0, y0, x1, y1 = box
    d.rounded_rectangle(box, radius, fill=fill, outline=outline, width=width)
    if tail[1] > y1:
        a, b = (x0 + (x1 - x0) * 0.2, y1), (x0 + (x1 - x0) * 0.55, y1)
        inset = (0, -width * 1.5)
    else:
        a, b = (x0, y0 + (y1 - y0) * 0.45), (x0, y0 + (y1 - y0) * 0.8)
        inset = (width * 1.5, 0)
    d.polygon([(a[0] + inset[0], a[1] + inset[1]),
               (b[0] + inset[0], b[1] + inset[1]), tail], fill=fill)
    d.line([a, tail, b], fill=outline, width=width, joint="curve")


def make_splash():
    w, h = SPLASH_SIZE[0] * SS, SPLASH_SIZE[1] * SS
    s = SS
    img = vgradient((w, h), (250, 252, 255), (170, 190, 218))
    d = ImageDraw.Draw(img)

    # A soft light band behind the title and a darker footer strip.
    glow = Image.new("L", (w, h), 0)
    ImageDraw.Draw(glow).ellipse((-60 * s, -160 * s, 556 * s, 150 * s),
                                 fill=150)
    img.paste((255, 255, 255), (0, 0),
              glow.filter(ImageFilter.GaussianBlur(30 * s)))
    img.paste(vgradient((w, 44 * s), (52, 84, 140), (28, 50, 96)),
              (0, h - 44 * s))

    # Title with a gradient fill and a drop shadow.
    title_font = font("DejaVuSans-Bold.ttf", 72 * s)
    text = "Tessary"
    l, t, r, b = title_font.getbbox(text)
    tx, ty = (w - (r - l)) // 2 - l, 18 * s - t
    tmask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(tmask).text((tx, ty), text, font=title_font, fill=255)
    shadow(img, tmask, (3 * s, 4 * s), 4 * s, 140)
    img.paste(vgradient((w, h), (30, 90, 170), (10, 40, 100)), (0, 0), tmask)

    sub_font = font("DejaVuSans.ttf", 17 * s)
    sub = "SMS server for GSM phones"
    sw = d.textlength(sub, font=sub_font)
    d.text(((w - sw) / 2, 106 * s), sub, font=sub_font, fill=(50, 70, 105))

    # The phone: body, screen, keypad, antenna.
    px0, py0, px1, py1 = 84 * s, 196 * s, 194 * s, 396 * s
    body = Image.new("L", (w, h), 0)
    ImageDraw.Draw(body).rounded_rectangle((px0, py0, px1, py1), 18 * s,
                                           fill=255)
    shadow(img, body, (6 * s, 7 * s), 6 * s)
    d.rounded_rectangle((px1 - 30 * s, py0 - 30 * s, px1 - 18 * s,
                         py0 + 10 * s), 5 * s, fill=(40, 48, 66))
    fill_shape(img, (px0, py0, px1, py1), 18 * s, (92, 108, 140),
               (34, 42, 62))
    d.rounded_rectangle((px0, py0, px1, py1), 18 * s, outline=(20, 26, 40),
                        width=2 * s)
    d.rounded_rectangle((px0 + 40 * s, py0 + 10 * s, px1 - 40 * s,
                         py0 + 14 * s), 2 * s, fill=(20, 26, 40))
    sx0, sy0 = px0 + 12 * s, py0 + 24 * s
    sx1, sy1 = px1 - 12 * s, py0 + 108 * s
    fill_shape(img, (sx0, sy0, sx1, sy1), 5 * s, (200, 236, 210),
               (140, 196, 160))
    d.rounded_rectangle((sx0, sy0, sx1, sy1), 5 * s, outline=(20, 26, 40),
                        width=2 * s)
    # Signal bars and battery on the screen.
    for i in range(4):
        bh = (4 + 4 * i) * s
        bx = sx0 + (6 + 6 * i) * s
        d.rectangle((bx, sy0 + 22 * s - bh, bx + 3 * s, sy0 + 22 * s),
                    fill=(30, 60, 40))
    d.rectangle((sx1 - 24 * s, sy0 + 8 * s, sx1 - 8 * s, sy0 + 18 * s),
                outline=(30, 60, 40), width=s)
    d.rectangle((sx1 - 22 * s, sy0 + 10 * s, sx1 - 13 * s, sy0 + 16 * s),
                fill=(30, 60, 40))
    d.rectangle((sx1 - 7 * s, sy0 + 11 * s, sx1 - 6 * s, sy0 + 15 * s),
                fill=(30, 60, 40))
    envelope(d, (sx0 + 22 * s, sy0 + 34 * s, sx1 - 22 * s, sy0 + 70 * s),
             (250, 252, 240), (30, 60, 40), 2 * s)
    keys = (sx0 + 4 * s, sy1 + 14 * s)
    for row in range(4):
        for c in range(3):
            kx = keys[0] + c * 28 * s
            ky = keys[1] + row * 18 * s
            fill_shape(img, (kx, ky, kx + 20 * s, ky + 11 * s), 5 * s,
                       (230, 234, 242), (160, 170, 190))

    # Radio waves from the antenna.
    ax, ay = px1 - 24 * s, py0 - 30 * s
    for rad in (12, 21, 30):
        r = rad * s
        d.arc((ax - r, ay - r, ax + r, ay + r), 300, 350,
              fill=(60, 110, 190), width=3 * s)
        d.arc((ax - r, ay - r, ax + r, ay + r), 190, 240,
              fill=(60, 110, 190), width=3 * s)

    # Two message bubbles coming from the phone.
    msg_font = font("DejaVuSans-Bold.ttf", 20 * s)
    small = font("DejaVuSans.ttf", 15 * s)
    b1 = (236 * s, 190 * s, 470 * s, 274 * s)
    b2 = (250 * s, 300 * s, 454 * s, 372 * s)
    for box, tail, top, bot in ((b1, (198 * s, 262 * s), (255, 226, 120),
                                 (245, 176, 40)),
                                (b2, (198 * s, 346 * s), (150, 220, 255),
                                 (60, 150, 230))):
        m = Image.new("L", (w, h), 0)
        bubble(ImageDraw.Draw(m), box, tail, 255, 255, 2 * s, 16 * s)
        shadow(img, m, (4 * s, 5 * s), 5 * s, 90)
        bx0, by1 = min(box[0], tail[0]), max(box[3], tail[1])
        layer = Image.new("RGB", (w, h))
        layer.paste(vgradient((box[2] - bx0, by1 - box[1]), top, bot),
                    (bx0, box[1]))
        img.paste(layer, (0, 0), m)
        bubble(d, box, tail, None, (70, 70, 90), 2 * s, 16 * s)
    envelope(d, (b1[0] + 18 * s, b1[1] + 22 * s, b1[0] + 70 * s,
                 b1[1] + 60 * s), (255, 255, 250), (120, 80, 10), 2 * s)
    d.text((b1[0] + 84 * s, b1[1] + 14 * s), "New SMS", font=msg_font,
           fill=(90, 50, 0))
    d.text((b1[0] + 84 * s, b1[1] + 44 * s), "1 unread message", font=small,
           fill=(110, 70, 10))
    d.text((b2[0] + 20 * s, b2[1] + 12 * s), "See you at 8?", font=msg_font,
           fill=(10, 40, 90))
    d.text((b2[0] + 20 * s, b2[1] + 42 * s), "\u2713\u2713 sent", font=small,
           fill=(20, 60, 120))

    foot = font("DejaVuSans.ttf", 14 * s)
    ft = "dunmere \u2022 Tessary 1.00"
    d.text(((w - d.textlength(ft, font=foot)) / 2, h - 31 * s), ft,
           font=foot, fill=(220, 230, 245))

    img = img.resize(SPLASH_SIZE, Image.LANCZOS)
    # A 256-colour palette from the picture itself, without dithering: dither noise
    # would double the size of the GIF.
    pal = img.quantize(256, method=Image.MEDIANCUT, dither=Image.NONE)
    entries = pal.getpalette()[:768]
    pal.putpalette(entries + [0] * (768 - len(entries)))
    return img.quantize(palette=pal, dither=Image.NONE)


def draw_icon(size):
    """Vector icon art rendered at `size` pixels, RGBA."""
    k = 8
    n = size * k
    u = lambda v: v * n  # noqa: E731  (unit square to pixels)
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    line = max(1, round(n / 28))
    d.rectangle((u(0.20), u(0.02), u(0.20) + line * 1.6, u(0.2)),
                fill=(20, 24, 40, 255))
    d.rounded_rectangle((u(0.06), u(0.14), u(0.50), u(0.98)), u(0.08),
                        fill=(30, 50, 110, 255), outline=(12, 16, 30, 255),
                        width=line)
    d.rounded_rectangle((u(0.13), u(0.26), u(0.43), u(0.56)), u(0.03),
                        fill=(170, 235, 250, 255), outline=(12, 16, 30, 255),
                        width=max(1, line // 2))
    for row in range(3 if size >= 32 else 0):
        for c in range(3):
            x, y = u(0.15 + c * 0.1), u(0.64 + row * 0.1)
            d.rounded_rectangle((x, y, x + u(0.06), y + u(0.05)), u(0.015),
                                fill=(200, 210, 230, 255))
    box = (u(0.44), u(0.04), u(0.97), u(0.46))
    bubble(d, box, (u(0.44), u(0.62)), (255, 214, 50, 255),
           (120, 80, 0, 255), line, u(0.1))
    if size >= 48:
        envelope(d, (u(0.56), u(0.13), u(0.85), u(0.35)),
                 (255, 255, 255, 255), (120, 80, 0, 255),
                 max(1, line * 2 // 3))
    else:
        for i in range(3):
            cx, cy, r = u(0.57 + i * 0.135), u(0.25), u(0.045)
            d.ellipse((cx - r, cy - r, cx + r, cy + r),
                      fill=(90, 55, 0, 255))
    return img.resize((size, size), Image.LANCZOS)


def art16():
    """The hand-drawn 16 px art as rows of VGA indices, None = transparent."""
    assert len(ART16) == 16 and all(len(r) == 16 for r in ART16)
    return [[None if ch == "." else ART16_COLOURS[ch] for ch in r]
            for r in ART16]


def palette256():
    """VGA colours, a 6x6x6 colour cube and 24 greys."""
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6)
            for b in range(6)]
    greys = [(8 + 10 * i,) * 3 for i in range(24)]
    return VGA + cube + greys


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def dib(size, bpp, pixels, palette=None):
    """BMP icon image: BITMAPINFOHEADER, palette, XOR bits, AND mask.

    `pixels[y][x]` is a palette index (or None) for 4/8 bpp and an RGBA
    tuple for 32 bpp. Rows are stored bottom-up.
    """
    xor, mask = b"", b""
    for row in reversed(pixels):
        if bpp == 32:
            line = b"".join(struct.pack("4B", p[2], p[1], p[0], p[3])
                            for p in row)
            clear = [p[3] == 0 for p in row]
        else:
            idx = [0 if p is None else p for p in row]
            clear = [p is None for p in row]
            if bpp == 8:
                line = bytes(idx)
            else:
                line = bytes((idx[i] << 4) | idx[i + 1]
                             for i in range(0, size, 2))
        xor += pad4(line)
        bits = 0
        for c in clear:
            bits = (bits << 1) | c
        mask += pad4(bits.to_bytes((size + 7) // 8, "big"))
    pal = b"".join(struct.pack("4B", b, g, r, 0) for r, g, b in palette or [])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + pal + xor + mask


def make_icon():
    art = art16()
    images = []
    for size, bpp, as_png in ICON_IMAGES:
        if size == 16:
            rgba = [[(0, 0, 0, 0) if p is None else VGA[p] + (255,)
                     for p in row] for row in art]
            if bpp == 4:
                data = dib(16, 4, art, VGA)
            elif bpp == 8:
                data = dib(16, 8, art, palette256())
            else:
                data = dib(16, 32, rgba)
        elif as_png:
            buf = io.BytesIO()
            draw_icon(size).save(buf, "PNG", optimize=True)
            data = buf.getvalue()
        else:
            im = draw_icon(size)
            data = dib(size, 32, [[im.getpixel((x, y)) for x in range(size)]
                                  for y in range(size)])
        images.append((size, bpp, data))

    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256,
                           16 if bpp == 4 else 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def main():
    make_splash().save(os.path.join(HERE, "splash.gif"), optimize=False)
    with open(os.path.join(HERE, "tessary.ico"), "wb") as f:
        f.write(make_icon())


if __name__ == "__main__":
    main()
