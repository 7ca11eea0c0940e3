#!/usr/bin/python3
"""Check the application icon and print the version strings.

    check_icon.py icon FILE     FILE is an .ico or a PE executable
    check_icon.py version EXE   print the VERSIONINFO of a PE executable

`icon` prints one line per image, "WxH bpp format", and exits 0 only if the
icon holds exactly the expected ten images in the expected order and every
image is internally consistent. Standard library only.
"""
import struct
import sys

# (size, bpp, allowed formats), in order.
EXPECTED = [(16, 4, {"bmp"}), (16, 8, {"bmp"}), (16, 32, {"bmp"}),
            (24, 32, {"bmp"}), (32, 32, {"bmp"})] + \
           [(n, 32, {"bmp", "png"}) for n in (48, 64, 72, 96, 128)]

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class BadFile(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise BadFile(msg)


# ---------------------------------------------------------------- images

def describe_image(data):
    """Return (width, height, bpp, format) read from the image data itself."""
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        need(len(data) >= 33 and data[12:16] == b"IHDR", "PNG without IHDR")
        w, h, depth, ctype = struct.unpack(">IIBB", data[16:26])
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(ctype)
        need(channels, "PNG colour type %d" % ctype)
        need(data.endswith(b"IEND\xaeB`\x82"), "PNG not ending in IEND")
        return w, h, depth * channels, "png"
    need(len(data) >= 40, "image shorter than BITMAPINFOHEADER")
    (size, w, h2, planes, bpp, comp, _, _, _, used, _) = \
        struct.unpack("<IiiHHIIiiII", data[:40])
    need(size == 40, "BITMAPINFOHEADER size %d" % size)
    need(h2 == 2 * w, "DIB height %d is not twice width %d" % (h2, w))
    need(planes == 1, "DIB planes %d" % planes)
    need(comp == 0, "DIB compression %d" % comp)
    colours = (used or 1 << bpp) if bpp <= 8 else 0
    stride = lambda bits: (w * bits + 31) // 32 * 4  # noqa: E731
    want = 40 + 4 * colours + (stride(bpp) + stride(1)) * w
    need(len(data) == want, "%dx%d %d bpp DIB is %d bytes, expected %d"
         % (w, w, bpp, len(data), want))
    return w, w, bpp, "bmp"


def check_entry(index, width, height, colours, planes, bitcount, data):
    """Compare directory entry `index` with the image it points to."""
    try:
        return check_image(width, height, colours, planes, bitcount, data)
    except (BadFile, struct.error) as e:
        raise BadFile("image %d: %s" % (index, e))


def check_image(width, height, colours, planes, bitcount, data):
    w, h, bpp, fmt = describe_image(data)
    need((width or 256, height or 256) == (w, h),
         "directory says %dx%d, image is %dx%d" % (width, height, w, h))
    need(bitcount == bpp,
         "directory says %d bpp, image is %d" % (bitcount, bpp))
    need(planes == 1, "directory planes %d" % planes)
    need(colours == (1 << bpp if bpp < 8 else 0),
         "colour count %d for %d bpp" % (colours, bpp))
    return w, h, bpp, fmt


def read_ico(blob):
    need(len(blob) >= 6, "file too short")
    reserved, kind, count = struct.unpack("<HHH", blob[:6])
    need(reserved == 0 and kind == 1, "not an icon file")
    need(len(blob) >= 6 + 16 * count, "icon directory truncated")
    out = []
    for i in range(count):
        w, h, c, _, planes, bpp, size, off = \
            struct.unpack("<BBBBHHII", blob[6 + 16 * i:22 + 16 * i])
        need(off + size <= len(blob), "image %d runs past end of file" % i)
        out.append(check_entry(i, w, h, c, planes, bpp, blob[off:off + size]))
    return out


# ---------------------------------------------------------------- PE files

def pe_resources(blob):
    """Return {(type, name): data} for the first language of each resource."""
    need(blob[:2] == b"MZ", "not a PE file")
    pe = struct.unpack_from("<I", blob, 0x3C)[0]
    need(blob[pe:pe + 4] == b"PE\0\0", "PE signature missing")
    nsec, optsize = struct.unpack_from("<H12xH", blob, pe + 6)
    opt = pe + 24
    magic = struct.unpack_from("<H", blob, opt)[0]
    dirs = opt + {0x10B: 96, 0x20B: 112}[magic]
    rsrc_rva, rsrc_size = struct.unpack_from("<II", blob, dirs + 2 * 8)
    need(rsrc_rva, "no resource directory")
    sections = []
    for i in range(nsec):
        vsize, va, rawsize, rawptr = \
            struct.unpack_from("<IIII", blob, opt + optsize + 40 * i + 8)
        sections.append((va, max(vsize, rawsize), rawptr))

    def at(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise BadFile("RVA %#x outside every section" % rva)

    base = at(rsrc_rva)

    def entries(off):
        named, ids = struct.unpack_from("<HH", blob, base + off + 12)
        for i in range(named + ids):
            name, child = struct.unpack_from("<II", blob,
                                             base + off + 16 + 8 * i)
            yield (None if name & 0x80000000 else name), child

    res = {}
    for rtype, sub in entries(0):
        need(sub & 0x80000000, "resource type level is not a directory")
        for name, langs in entries(sub & 0x7FFFFFFF):
            need(langs & 0x80000000, "resource name level is not a directory")
            _, leaf = next(entries(langs & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", blob, base + leaf)
            res.setdefault((rtype, name), blob[at(rva):at(rva) + size])
    return res


def read_exe_icon(res):
    groups = sorted(n for t, n in res if t == RT_GROUP_ICON and n is not None)
    need(groups, "no icon group with a numeric id")
    grp = res[(RT_GROUP_ICON, groups[0])]
    reserved, kind, count = struct.unpack_from("<HHH", grp)
    need(reserved == 0 and kind == 1, "bad icon group header")
    need(len(grp) == 6 + 14 * count, "icon group size does not match count")
    out = []
    for i in range(count):
        w, h, c, _, planes, bpp, size, rid = \
            struct.unpack_from("<BBBBHHIH", grp, 6 + 14 * i)
        data = res.get((RT_ICON, rid))
        need(data is not None, "icon group names missing RT_ICON %d" % rid)
        need(len(data) == size, "RT_ICON %d is %d bytes, group says %d"
             % (rid, len(data), size))
        out.append(check_entry(i, w, h, c, planes, bpp, data))
    return out


def version_info(blob):
    """Return ((file, product) version, [(key, value)]) from RT_VERSION."""
    data = next((v for (t, _), v in pe_resources(blob).items()
                 if t == RT_VERSION), None)
    need(data is not None, "no version resource")
    strings = []

    def node(off, end):
        length, vlen, vtype = struct.unpack_from("<HHH", data, off)
        need(length >= 6 and off + length <= end, "bad version block length")
        kend = data.index(b"\0\0", off + 6)
        while (kend - off) % 2:
            kend = data.index(b"\0\0", kend + 1)
        key = data[off + 6:kend].decode("utf-16-le")
        val = (kend + 2 + 3) & ~3
        return key, vlen, vtype, val, off + length

    def children(off, end):
        while off < end:
            key, vlen, vtype, val, stop = node(off, end)
            yield key, vlen, vtype, val, stop
            off = (stop + 3) & ~3

    key, vlen, _, val, end = node(0, len(data))
    need(key == "VS_VERSION_INFO" and vlen == 52, "bad VS_VERSION_INFO")
    sig, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", data, val)
    need(sig == 0xFEEF04BD, "bad VS_FIXEDFILEINFO signature")
    ver = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF,  # noqa: E731
                                          ls >> 16, ls & 0xFFFF)
    fixed = (ver(fms, fls), ver(pms, pls))
    for block, _, _, val, stop in children((val + 52 + 3) & ~3, end):
        for key, vlen, _, cval, cstop in children(val, stop):
            if block == "StringFileInfo":
                strings.append(("StringTable", key))
                for k, _, _, v, s in children(cval, cstop):
                    strings.append((k, data[v:s].decode("utf-16-le")
                                    .split("\0")[0]))
            elif block == "VarFileInfo":
                words = struct.unpack_from("<%dH" % (vlen // 2), data, cval)
                strings.append((key, " ".join(
                    "0x%04x" % w if i % 2 == 0 else str(w)
                    for i, w in enumerate(words))))
    return fixed, strings


# ---------------------------------------------------------------- main

def cmd_icon(path):
    blob = open(path, "rb").read()
    images = read_ico(blob) if blob[:2] != b"MZ" \
        else read_exe_icon(pe_resources(blob))
    ok = len(images) == len(EXPECTED)
    for i, (w, h, bpp, fmt) in enumerate(images):
        good = False
        if i < len(EXPECTED):
            size, want_bpp, formats = EXPECTED[i]
            good = (w, h, bpp) == (size, size, want_bpp) and fmt in formats
        ok = ok and good
        print("%dx%d %d %s%s" % (w, h, bpp, fmt,
                                 "" if good else "  <-- unexpected"))
    if len(images) != len(EXPECTED):
        print("%d images, expected %d" % (len(images), len(EXPECTED)))
    return 0 if ok else 1


def cmd_version(path):
    (filever, prodver), strings = version_info(open(path, "rb").read())
    for k, v in strings:
        print("%s=%s" % (k, v))
    print("FileVersion=%s ProductVersion=%s" % (filever, prodver))
    return 0


def main(argv):
    if len(argv) != 3 or argv[1] not in ("icon", "version"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        return {"icon": cmd_icon, "version": cmd_version}[argv[1]](argv[2])
    except (BadFile, struct.error, ValueError, KeyError, OSError) as e:
        print("error: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
