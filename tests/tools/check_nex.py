#!/usr/bin/env python3
"""NEX files read back by a reader written here from the published layout of
the ZX Spectrum Next's NEX format, and checked against what each source asks
for: which banks, which bytes at which offsets, the header fields, the
loading screen and palette blocks, the appended data, and the messages.

Loading-screen pictures are made here with ImageMagick (convert), from
pixels generated here; ImageMagick's own reading of each picture (its
colour map and its RGB pixels) is what the NEX screen must agree with.

Usage: check_nex.py QAS   (exit 77 when ImageMagick is absent; the checks
that need no picture run first)
"""
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile

QAS = os.path.abspath(sys.argv[1])
FAILURES = []

# --- The reader -----------------------------------------------------------

BANK_ORDER = [5, 2, 0, 1, 3, 4, 6, 7] + list(range(8, 112))
# Loading-screen blocks, in file order: flag bit and block size.
SCREEN_BLOCKS = [(0x01, 49152), (0x02, 6912), (0x04, 12288), (0x08, 12288), (0x10, 12288)]


class Nex:
    def __init__(self, data):
        if len(data) < 512 or data[0:4] != b"Next":
            raise ValueError("not a NEX file")
        self.version = data[4:8].decode("latin-1")
        self.ram_required = data[8]
        self.bank_count = data[9]
        self.flags = data[10]
        self.border = data[11]
        self.sp, self.pc, self.extra_files = struct.unpack_from("<HHH", data, 12)
        self.bank_table = list(data[18:130])
        (self.bar, self.bar_colour, self.bank_delay, self.loaded_delay,
         self.keep_regs) = data[130:135]
        self.core = tuple(data[135:138])
        self.hires_colour = data[138]
        self.entry_bank = data[139]
        self.handle, self.cmd_base, self.cmd_length = struct.unpack_from("<HHH", data, 140)
        self.header_rest = data[146:512]
        at = 512
        self.palette = None
        if self.flags and not self.flags & 0x80 and self.flags & (0x01 | 0x04):
            self.palette = data[at:at + 512]
            at += 512
        self.screens = {}
        for bit, size in SCREEN_BLOCKS:
            if self.flags & bit:
                self.screens[bit] = data[at:at + size]
                at += size
        self.banks = []  # (bank, bytes) in file order
        for b in BANK_ORDER:
            if self.bank_table[b]:
                self.banks.append((b, data[at:at + 16384]))
                at += 16384
        if at > len(data):
            raise ValueError("file shorter than its header says")
        self.extra = data[at:]


# --- Running the assembler ---------------------------------------------------


def scratch():
    base = os.environ.get("VELD_TOOLS_DIR") or tempfile.gettempdir()
    os.makedirs(base, exist_ok=True)
    return tempfile.mkdtemp(prefix="nex", dir=base)


def assemble(folder, source, files=None):
    for name, data in (files or {}).items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    with open(os.path.join(folder, "main.asm"), "w", encoding="latin-1") as f:
        f.write(source)
    p = subprocess.run([QAS, "main.asm"], cwd=folder, capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")


def read_nex(folder, name="t.nex"):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return Nex(f.read())


def check(name, cond, detail=""):
    if not cond:
        FAILURES.append(f"{name}: {detail}")


def db_lines(data):
    return "".join("        DB " + ",".join(str(b) for b in data[i:i + 32]) + "\n"
                   for i in range(0, len(data), 32))


def warnings_of(stdout):
    return [line.split(" : warning: ", 1)[1] for line in stdout.splitlines()
            if " : warning: " in line]


# --- Banks, header fields, versions -------------------------------------------


def check_banks_and_order():
    """Banks 5, 2 and 0 through the default view and bank 50 directly: RamReqd
    1 and the order 5, 2, 0, 50; every byte where the source put it."""
    d = scratch()
    src = """        EMULATE_SPECTRUM "NEXT"
        ORG $4000
        DB $55, $AA
        ORG $7FFF
        DB $57
        ORG $8000
start:  DI
        JR start
        ORG $C123
        DB $C1
        ORG $40000 + 50 * $4000 + $3FFF
        DB 50
        OUTPUT_NEX "t.nex", $FF00, start, "2.1.17", 0, 3, 4, 1, 6
"""
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("banks: run", rc == 0 and n is not None, out + err)
    if not n:
        return
    check("banks: version", n.version == "V1.1", n.version)
    check("banks: RamReqd", n.ram_required == 1)
    check("banks: count", n.bank_count == 4, n.bank_count)
    check("banks: order", [b for b, _ in n.banks] == [5, 2, 0, 50], [b for b, _ in n.banks])
    check("banks: table", [i for i, v in enumerate(n.bank_table) if v] == [0, 2, 5, 50])
    banks = dict(n.banks)
    check("banks: bank 5", banks[5][0:2] == b"\x55\xAA" and banks[5][0x3FFF] == 0x57)
    check("banks: bank 2", banks[2][0:3] == b"\xF3\x18\xFD")
    check("banks: bank 0", banks[0][0x123] == 0xC1 and banks[0].count(0) == 16383)
    check("banks: bank 50", banks[50][0x3FFF] == 50)
    check("banks: fields", (n.sp, n.pc, n.border, n.bank_delay, n.loaded_delay, n.keep_regs)
          == (0xFF00, 0x8000, 6, 3, 4, 1))
    check("banks: core", n.core == (2, 1, 17), n.core)
    check("banks: no screen", n.flags == 0 and n.palette is None and not n.screens)
    check("banks: V1.1 zeros", bytes(n.header_rest) == bytes(366)
          and (n.handle, n.cmd_base, n.cmd_length, n.entry_bank) == (0, 0, 0, 0))
    check("banks: nothing after", n.extra == b"")


def check_all_banks():
    """Every bank 0 to 111 used: each is recognised by its first and last
    byte, so the file order 5, 2, 0, 1, 3, 4, 6, 7, 8 ... 111 shows."""
    d = scratch()
    src = '        EMULATE_SPECTRUM "NEXT"\n'
    for b in range(112):
        src += f"        ORG $40000 + {b} * $4000\n        DB {b}\n"
        src += f"        ORG $40000 + {b} * $4000 + $3FFF\n        DB {255 - b}\n"
    src += '        OUTPUT_NEX "t.nex", 0, 0\n'
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("all banks: run", rc == 0 and n is not None, out + err)
    if not n:
        return
    check("all banks: count", n.bank_count == 112 and n.ram_required == 1)
    check("all banks: order", [b for b, _ in n.banks] == BANK_ORDER)
    check("all banks: contents", all(data[0] == b and data[0x3FFF] == 255 - b
                                     for b, data in n.banks))
    check("all banks: size", n.extra == b"")


def check_models_and_versions():
    """128K banks through $10000 + n * $4000; a 48K program has no banks; the
    V1.2 rule and its three 16-bit fields; RamReqd 0 below bank 48."""
    d = scratch()
    src = """        EMULATE_SPECTRUM "128K"
        ORG $10000 + 7 * $4000
        DB 7
        ORG $8000
        DB 2
        ORG $40000 + 47 * $4000
        DB 47
        OUTPUT_NEX "t.nex", $5FFF, $C000, "0.0.0", 7
"""
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("128K: run", rc == 0 and n is not None, out + err)
    if n:
        # 128K machines have no bank 47: the address maps nowhere.
        check("128K: banks", [b for b, _ in n.banks] == [2, 7], [b for b, _ in n.banks])
        check("128K: RamReqd", n.ram_required == 0)
        check("128K: V1.2 by entry bank", n.version == "V1.2" and n.entry_bank == 7
              and (n.handle, n.cmd_base, n.cmd_length) == (0, 0, 0))
        check("128K: data", dict(n.banks)[7][0] == 7 and dict(n.banks)[2][0] == 2)
    d = scratch()
    src = """        EMULATE_SPECTRUM "NEXT"
pu8NEXFileHandle EQU $1234
pu8NEXCmdLineBase EQU $ABCD
u16NEXCmdLineLength EQU 300
        ORG $40000 + 47 * $4000
        DB 47
        OUTPUT_NEX "t.nex", 0, 0
"""
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("V1.2: run", rc == 0 and n is not None, out + err)
    if n:
        check("V1.2: by handle", n.version == "V1.2" and n.entry_bank == 0)
        check("V1.2: fields", (n.handle, n.cmd_base, n.cmd_length) == (0x1234, 0xABCD, 300),
              (n.handle, n.cmd_base, n.cmd_length))
        check("V1.2: RamReqd 0 for bank 47", n.ram_required == 0 and n.bank_count == 1)
    d = scratch()
    src = """        EMULATE_SPECTRUM "48K"
        ORG $8000
        DB 1
        OUTPUT_NEX "t.nex", 0, $8000
"""
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("48K: run", rc == 0 and n is not None, out + err)
    if n:
        check("48K: no banks", n.bank_count == 0 and not n.banks and n.extra == b"")


def check_data_lists():
    """OUTPUT_NEX_DATA in every mode, with a file included by DF."""
    d = scratch()
    blob = bytes(range(256)) * 3 + b"end"
    src = """        EMULATE_SPECTRUM "NEXT"
        OUTPUT_NEX "t.nex", 0, 0
        OUTPUT_NEX_DATA "t.nex", DBL, 1, 2, 3
        OUTPUT_NEX_DATA "t.nex", DB, "AB", -1, DW, $1234, "C", DEFWBE, $1234
        OUTPUT_NEX_DATA "t.nex", DL, $12345678, DEFLBE, $12345678, DBTB, "xy", "z", 9
        OUTPUT_NEX_DATA "t.nex", DS, 3, 2:$EE, 1:-1, DB, 7
        OUTPUT_NEX_DATA "t.nex", DW, 1, DF, "blob.bin", 2
        OUTPUT_NEX_DATA "t.nex", DBLW, DBLL, DS, 300:$11
"""
    rc, out, err = assemble(d, src, {"blob.bin": blob})
    n = read_nex(d)
    check("data: run", rc == 0 and n is not None, out + err)
    if not n:
        return
    want = bytes([3, 1, 2, 3])
    want += b"AB\xff" + b"\x34\x12" + b"C\x00" + b"\x12\x34"
    want += b"\x78\x56\x34\x12" + b"\x12\x34\x56\x78" + b"x\xf9\xfa\x09"
    want += bytes(3) + b"\xee\xee" + b"\xff" + b"\x07"
    want += b"\x01\x00" + blob + b"\x02\x00"
    want += struct.pack("<H", 304) + struct.pack("<I", 300) + b"\x11" * 300
    check("data: bytes", n.extra == want, f"\n got {n.extra[:80].hex()}\nwant {want[:80].hex()}")
    check("data: no banks", n.bank_count == 0)


def check_size_limit():
    """112 banks and 300000 appended bytes pass 2 MiB: no file, a message,
    exit code 1; a NEX of exactly 2 MiB is written."""
    d = scratch()
    src = '        EMULATE_SPECTRUM "NEXT"\n'
    for b in range(112):
        src += f"        ORG $40000 + {b} * $4000\n        DB {b}\n"
    body = "        OUTPUT_NEX \"{0}\", 0, 0\n        OUTPUT_NEX_DATA \"{0}\", DS, {1}\n"
    room = 0x200000 - 512 - 112 * 16384
    src += body.format("big.nex", room + 1) + body.format("t.nex", room)
    rc, out, err = assemble(d, src)
    check("limit: exit code", rc == 1, rc)
    check("limit: message", "big.nex" in err and "2097152" in err, err)
    check("limit: no file", not os.path.exists(os.path.join(d, "big.nex")))
    size = os.path.getsize(os.path.join(d, "t.nex")) if os.path.exists(os.path.join(d, "t.nex")) else -1
    check("limit: 2 MiB written", size == 0x200000, size)


# --- Screens from memory ---------------------------------------------------------


def check_memory_screens():
    """Every kind of raw screen data, taken from memory cells: flags, the
    screen block, the Timex hi-res colour, and no palette block."""
    rnd = random.Random(7)
    data = bytes(rnd.randrange(256) for _ in range(12353))
    kinds = [  # length, flags, block bit, screen bytes, hi-res colour
        (6912, 0x82, 0x02, 6912, 0),
        (6976, 0x02, 0x02, 6912, 0),
        (12288, 0x90, 0x10, 12288, 0),
        (12289, 0x88, 0x08, 12288, data[12288]),
        (12352, 0x10, 0x10, 12288, 0),
        (12353, 0x08, 0x08, 12288, data[12288]),
    ]
    # Screen data at cell $60000 (bank 8 of the Next: included as a bank too).
    for length, flags, bit, size, hires in kinds:
        d = scratch()
        src = ('        EMULATE_SPECTRUM "NEXT"\n        ORG $60000\n' + db_lines(data[:length])
               + '        OUTPUT_NEX "t.nex", 0, 0\n'
               + f'        OUTPUT_NEX_SCREEN "t.nex", "", $60000, {length}, 1, 5\n')
        rc, out, err = assemble(d, src)
        n = read_nex(d)
        tag = f"memory screen {length}"
        check(tag + ": run", rc == 0 and n is not None and out.count("warning") == 0, out + err)
        if not n:
            continue
        check(tag + ": flags", n.flags == flags, hex(n.flags))
        check(tag + ": no palette block", n.palette is None)
        check(tag + ": screen", list(n.screens) == [bit] and n.screens[bit] == data[:size])
        check(tag + ": hi-res colour", n.hires_colour == hires, n.hires_colour)
        check(tag + ": bar", (n.bar, n.bar_colour) == (1, 5))
        check(tag + ": bank 8 follows", [b for b, _ in n.banks] == [8] and n.extra == b"")
    # A hi-res colour given in the directive replaces the one in the data.
    d = scratch()
    src = ('        EMULATE_SPECTRUM "NEXT"\n        ORG $60000\n' + db_lines(data[:12289])
           + '        OUTPUT_NEX "t.nex", 0, 0\n'
           + '        OUTPUT_NEX_SCREEN "t.nex", "", $60000, 12289, 0, 0, $2B\n')
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("hi-res colour given", n is not None and n.hires_colour == 0x2B)
    # A range reaching past the image gives no screen, and the header says so.
    d = scratch()
    src = ('        EMULATE_SPECTRUM "NEXT"\n        OUTPUT_NEX "t.nex", 0, 0\n'
           '        OUTPUT_NEX_SCREEN "t.nex", "", $239000 - 6911 + 1, 6912, 0, 0\n')
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("screen past the image: written without screen",
          rc == 0 and n is not None and n.flags == 0 and not n.screens and n.extra == b"",
          out + err)
    check("screen past the image: warning",
          warnings_of(out) == ["While generating a nex file, Outputscreen sizes didn't match"],
          out)


# --- Pictures ----------------------------------------------------------------------


def ppm(width, height, colours, seed):
    """A P6 picture of `colours` random colours in blocks."""
    rnd = random.Random(seed)
    cols = [bytes(rnd.randrange(256) for _ in range(3)) for _ in range(colours)]
    px = bytearray()
    for y in range(height):
        for x in range(width):
            px += cols[(x // 8 + (y // 6) * 7) % colours]
    return b"P6 %d %d 255\n" % (width, height) + bytes(px)


def magick(folder, src_name, out_name, *options):
    subprocess.run(["convert", os.path.join(folder, src_name), *options, out_name],
                   cwd=folder, check=True, capture_output=True)


def colour_map(path):
    """ImageMagick's colour map of an indexed picture, in file order."""
    text = subprocess.run(["identify", "-verbose", path], capture_output=True, check=True,
                          text=True).stdout
    entries = {}
    in_map = False
    for line in text.splitlines():
        if line.strip() == "Colormap:":
            in_map = True
            continue
        m = re.match(r"\s*(\d+): \(\s*([\d.]+),\s*([\d.]+),\s*([\d.]+)", line)
        if in_map and m:
            entries[int(m.group(1))] = tuple(int(float(m.group(i))) for i in (2, 3, 4))
        elif in_map:
            break
    return [entries.get(i, (0, 0, 0)) for i in range(256)]


def rgb_pixels(path):
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout


def nine_bit(r, g, b):
    return bytes([(r & 0xE0) | ((g >> 5) << 2) | (b >> 6), 1 if b & 0x20 else 0])


def check_picture_screens():
    """Layer 2 and low-resolution screens from every kind of picture
    ImageMagick writes: the screen holds indices whose colour-map colours
    are ImageMagick's pixels, the palette block is its colour map in the
    Next's colours, and the banks follow."""
    d = scratch()
    with open(os.path.join(d, "big.ppm"), "wb") as f:
        f.write(ppm(256, 192, 200, 1))
    with open(os.path.join(d, "small.ppm"), "wb") as f:
        f.write(ppm(128, 96, 60, 2))
    pictures = [  # file, source picture, ImageMagick output and options, flags
        ("plain.bmp", "big.ppm", "BMP3:plain.bmp", ["-type", "Palette", "-compress", "None"], 0x01),
        ("v5.bmp", "big.ppm", "BMP:v5.bmp", ["-type", "Palette", "-compress", "None"], 0x01),
        ("os2.bmp", "big.ppm", "BMP2:os2.bmp", ["-type", "Palette"], 0x01),
        ("rle.bmp", "big.ppm", "BMP3:rle.bmp", ["-type", "Palette", "-compress", "RLE"], 0x01),
        ("pic.png", "big.ppm", "PNG8:pic.png", [], 0x01),
        ("inter.png", "big.ppm", "PNG8:inter.png", ["-interlace", "PNG"], 0x01),
        ("low.bmp", "small.ppm", "BMP3:low.bmp", ["-type", "Palette", "-compress", "RLE"], 0x04),
        ("low.png", "small.ppm", "PNG8:low.png", [], 0x04),
    ]
    for name, src_pic, target, options, flags in pictures:
        magick(d, src_pic, target, *options)
        path = os.path.join(d, name)
        cmap = colour_map(path)
        pixels = rgb_pixels(path)
        src = f"""        EMULATE_SPECTRUM "NEXT"
        ORG $8000
        DB $99
        OUTPUT_NEX "t.nex", 0, $8000
        OUTPUT_NEX_SCREEN "t.nex", "{name}", 1, 2
"""
        rc, out, err = assemble(d, src)
        n = read_nex(d)
        tag = f"picture {name}"
        check(tag + ": run", rc == 0 and n is not None and "warning" not in out, out + err)
        if not n:
            continue
        check(tag + ": flags", n.flags == flags, hex(n.flags))
        screen = n.screens.get(flags, b"")
        check(tag + ": screen colours", len(screen) * 3 == len(pixels) and
              b"".join(bytes(cmap[i]) for i in screen) == pixels)
        check(tag + ": palette", n.palette == b"".join(nine_bit(*c) for c in cmap))
        check(tag + ": bank after", [b for b, _ in n.banks] == [2] and n.banks[0][1][0] == 0x99
              and n.extra == b"")

    # A palette of 256 8-bit colours from memory, and one of 512 bytes from a
    # file, take the picture's place.
    rnd = random.Random(3)
    pal8 = bytes(rnd.randrange(256) for _ in range(256))
    pal9 = bytes(rnd.randrange(256) for _ in range(512))
    src = ('        EMULATE_SPECTRUM "NEXT"\n        ORG $60000\n' + db_lines(pal8)
           + '        OUTPUT_NEX "t.nex", 0, 0\n'
           + '        OUTPUT_NEX_SCREEN "t.nex", "plain.bmp", 0, 0\n'
           + '        OUTPUT_NEX_PALETTE "t.nex", "", $60000, 256\n'
           + '        OUTPUT_NEX "u.nex", 0, 0\n'
           + '        OUTPUT_NEX_SCREEN "u.nex", "low.png", 0, 0\n'
           + '        OUTPUT_NEX_PALETTE "u.nex", "pal.nxp"\n')
    rc, out, err = assemble(d, src, {"pal.nxp": pal9})
    n, u = read_nex(d), read_nex(d, "u.nex")
    check("palette: run", rc == 0 and n is not None and u is not None, out + err)
    if n and u:
        want = b"".join(bytes([c, 1 if c & 3 else 0]) for c in pal8)
        check("palette: 8-bit colours", n.flags == 0x01 and n.palette == want)
        check("palette: 512 bytes as given", u.flags == 0x04 and u.palette == pal9)
    # A palette of another length: warned at the directive and when the file
    # is written; the palette block is then the default one.
    src = ('        EMULATE_SPECTRUM "NEXT"\n        OUTPUT_NEX "t.nex", 0, 0\n'
           '        OUTPUT_NEX_SCREEN "t.nex", "plain.bmp", 0, 0\n'
           '        OUTPUT_NEX_PALETTE "t.nex", "", $60000, 100\n')
    rc, out, err = assemble(d, src)
    n = read_nex(d)
    check("odd palette: warnings", rc == 0 and warnings_of(out) == [
        "This isn't a recognised palette file type!",
        "While generating a nex file, OutputPalette sizes didn't match"], out)
    default = b"".join(bytes([c, 1 if c & 3 else 0]) for c in range(256))
    check("odd palette: default block", n is not None and n.flags == 0x01
          and n.palette == default)


def check_bad_pictures():
    """Each bad picture gives one message naming it and no screen; the rest
    of the NEX is written. A missing file is an error (exit code 1)."""
    d = scratch()
    with open(os.path.join(d, "big.ppm"), "wb") as f:
        f.write(ppm(256, 192, 200, 4))
    with open(os.path.join(d, "few.ppm"), "wb") as f:
        f.write(ppm(256, 192, 12, 5))
    with open(os.path.join(d, "odd.ppm"), "wb") as f:
        f.write(ppm(100, 80, 100, 6))
    magick(d, "few.ppm", "BMP3:four.bmp", "-type", "Palette", "-compress", "None")
    magick(d, "big.ppm", "BMP3:true.bmp", "-type", "TrueColor")
    magick(d, "big.ppm", "PNG24:true.png")
    magick(d, "odd.ppm", "BMP3:odd.bmp", "-type", "Palette", "-compress", "None")
    magick(d, "big.ppm", "BMP3:full.bmp", "-type", "Palette", "-compress", "None")
    magick(d, "big.ppm", "BMP3:rle.bmp", "-type", "Palette", "-compress", "RLE")
    magick(d, "big.ppm", "PNG8:full.png")
    with open(os.path.join(d, "full.bmp"), "rb") as f:
        full = f.read()
    with open(os.path.join(d, "rle.bmp"), "rb") as f:
        rle = bytearray(f.read())
    with open(os.path.join(d, "full.png"), "rb") as f:
        png = f.read()
    # The RLE rows are 256 pixels long; a header saying 128 x 96 makes them
    # run past the picture.
    struct.pack_into("<ii", rle, 18, 128, 96)
    extra = {
        "empty.scr": b"",
        "short.bmp": full[:len(full) // 2],
        "liar.bmp": bytes(rle),
        "short.png": png[:len(png) // 2],
        "junk.scr": b"\x01" * 5000,
    }
    four_bits = struct.unpack_from("<H", open(os.path.join(d, "four.bmp"), "rb").read(), 28)[0]
    check("bad: ImageMagick wrote a 4-bit bitmap", four_bits == 4, four_bits)
    not_indexed = "A nex screen.bmp file doesn't appear to be an indexed file. Can't use it"
    cases = [  # file, expected warning (None: error 245)
        ("four.bmp", not_indexed),
        ("true.bmp", not_indexed),
        ("true.png", not_indexed),
        ("odd.bmp", 'The NEX screen picture "odd.bmp" is 100 x 80 pixels; '
                    "a loading screen is 256 x 192 or 128 x 96"),
        ("empty.scr", 'The NEX screen file "empty.scr" is empty'),
        ("junk.scr", 'The NEX screen file "junk.scr" is neither a picture nor screen data '
                     "(5000 bytes is no screen size)"),
        ("short.bmp", 'The NEX screen picture "short.bmp" can\'t be read: '
                      "the file ends before its pixels"),
        ("liar.bmp", 'The NEX screen picture "liar.bmp" can\'t be read: '
                     "the compressed data runs past the picture"),
        ("short.png", None),
        ("missing.bmp", None),
    ]
    for name, want in cases:
        src = f"""        EMULATE_SPECTRUM "NEXT"
        ORG $C000
        DB 1
        OUTPUT_NEX "t.nex", 0, $C000
        OUTPUT_NEX_SCREEN "t.nex", "{name}", 1, 2
"""
        try:
            os.remove(os.path.join(d, "t.nex"))
        except FileNotFoundError:
            pass
        rc, out, err = assemble(d, src, extra)
        n = read_nex(d)
        tag = f"bad picture {name}"
        check(tag + ": NEX written without screen", n is not None and n.flags == 0
              and [b for b, _ in n.banks] == [0] and n.extra == b"", out + err)
        if name == "missing.bmp":
            check(tag + ": error", rc == 1 and "File Not Found" in err and name in err, err)
            continue
        got = warnings_of(out)
        if want is None:  # a truncated PNG: libpng's words, naming the file
            check(tag + ": one warning", rc == 0 and len(got) == 1 and name in got[0]
                  and "can't be read" in got[0], out)
        else:
            check(tag + ": warning", rc == 0 and got == [want], out)


def check_example():
    """The Next example program as a NEX file: its code in bank 2 at offset 0
    (logical $8000 is page 4) after its layer 2 loading screen, and nothing
    else. (check_examples.py checks the screen and palette.)"""
    example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                           "next")
    if not os.path.exists(os.path.join(example, "stripes.asm")):
        return
    d = os.path.join(scratch(), "next")
    shutil.copytree(example, d)
    p = subprocess.run([QAS, "stripes.asm"], cwd=d, capture_output=True, timeout=60)
    n = read_nex(d, "stripes.nex")
    check("example: run", p.returncode == 0 and n is not None, p.stdout + p.stderr)
    if not n:
        return
    with open(os.path.join(d, "stripes.bin"), "rb") as f:
        code = f.read()
    check("example: bank 2 only", [b for b, _ in n.banks] == [2] and n.pc == 0x8000)
    check("example: layer 2 screen", n.flags == 0x01 and len(n.screens[1]) == 49152)
    check("example: code", n.banks[0][1][:len(code)] == code and
          n.banks[0][1][len(code):] == bytes(16384 - len(code)))


def main():
    check_banks_and_order()
    check_all_banks()
    check_models_and_versions()
    check_data_lists()
    check_size_limit()
    check_memory_screens()
    check_example()
    skipped = not (shutil.which("convert") and shutil.which("identify")
                   and os.path.exists("/usr/bin/convert"))
    if not skipped:
        check_picture_screens()
        check_bad_pictures()
    for f in FAILURES:
        print("FAIL", f)
    if FAILURES:
        return 1
    if skipped:
        print("ImageMagick is not installed: picture checks skipped")
        return 77
    print("NEX checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
