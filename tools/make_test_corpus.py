#!/usr/bin/python3
"""Makes the image corpus of tests/data that the Linux loaders are tested on.

Every format and variant the loaders read gets one small file, written by
ImageMagick where it can write that variant and by the small writers below
where it cannot (exact PNG colour types, run-length 4-bit and top-down BMP,
icons, CMYK JPEG without the Adobe marker). Beside each file, <file>.bgra
holds the B, G, R, A bytes (rows top-down) that an independent reader
decodes it to: ImageMagick, or netpbm for 16-bit PNG (which ImageMagick
rounds down to 8 bits; netpbm in turn misses the transparent colour of
an RGB tRNS chunk, so those stay with ImageMagick). corpus.txt lists: file, width, height, largest channel
difference allowed, and why the difference.

tests/data/bad/ holds files whose headers claim absurd sizes.

Run from the repository root after changing this script, and commit the
output: python3 tools/make_test_corpus.py
Needs the Debian packages imagemagick, netpbm, gcc and libjpeg-dev.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")
BAD = os.path.join(DATA, "bad")
CONVERT = "/usr/bin/convert"  # ImageMagick itself, not a wrapper
WIDTH, HEIGHT = 13, 9
WORK = tempfile.mkdtemp()
MANIFEST = []


def run(*command, **kwargs):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, **kwargs).stdout


def work(name):
    return os.path.join(WORK, name)


def magick(inputs, options, output):
    run(CONVERT, *inputs, "-strip", "-define", "png:exclude-chunks=date,time", *options, output)


def magick_bgra(path, options=()):
    """What ImageMagick decodes the file to, as B, G, R, A rows."""
    return run(CONVERT, path, *options, "-depth", "8", "bgra:-")


def netpbm_bgra(path):
    """What netpbm decodes a PNG to (16-bit samples rounded to 8 bits)."""
    pam = run("sh", "-c", 'pngtopam -alphapam "$1" | pamdepth 255', "sh", path)
    header, body = pam.split(b"ENDHDR\n", 1)
    fields = dict(line.split(b" ", 1) for line in header.split(b"\n")[1:] if b" " in line)
    depth = int(fields[b"DEPTH"])
    out = bytearray()
    for i in range(0, len(body), depth):
        tuple_ = body[i:i + depth]
        grey = depth <= 2
        r, g, b = (tuple_[0],) * 3 if grey else tuple_[0:3]
        a = tuple_[depth - 1] if depth in (2, 4) else 255
        out += bytes((b, g, r, a))
    return bytes(out)


def add(name, content, expected, width=WIDTH, height=HEIGHT, tolerance=0, why="exact"):
    """Stores a corpus file, its expected pixels and its manifest line."""
    with open(os.path.join(DATA, name), "wb") as f:
        f.write(content)
    assert len(expected) == width * height * 4, (name, len(expected))
    with open(os.path.join(DATA, name + ".bgra"), "wb") as f:
        f.write(expected)
    MANIFEST.append(f"{name} {width} {height} {tolerance} {why}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---- Base pictures: colour, and colour with an alpha ramp from 0 to 255.

SRC = work("src.png")
SRC_ALPHA = work("src_alpha.png")
run(CONVERT, "-seed", "1", "-size", f"{WIDTH}x{HEIGHT}", "plasma:fractal", "-strip", "PNG24:" + SRC)
run(CONVERT, SRC, "(", "-size", f"{HEIGHT}x{WIDTH}", "gradient:white-black", "-rotate", "90", ")",
    "-compose", "CopyOpacity", "-composite", "-strip", "PNG32:" + SRC_ALPHA)
RGBA = run(CONVERT, SRC_ALPHA, "-depth", "8", "rgba:-")


def pixel(x, y):
    return RGBA[4 * (y * WIDTH + x):4 * (y * WIDTH + x) + 4]


# ---- PNG: every colour type and bit depth, tRNS, Adam7 interlacing.

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def pack_row(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, bits, used = bytearray(), 0, 0
    for s in samples:
        bits, used = bits << depth | s, used + depth
        if used == 8:
            out.append(bits)
            bits, used = 0, 0
    if used:
        out.append(bits << (8 - used))
    return bytes(out)


def png_file(color_type, depth, samples_at, palette=None, trns=None, interlace=False):
    """samples_at(x, y) gives the samples of one pixel."""
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    raw = bytearray()
    for x0, y0, dx, dy in passes:
        xs, ys = range(x0, WIDTH, dx), range(y0, HEIGHT, dy)
        if not xs or not ys:
            continue
        for y in ys:
            raw += b"\0" + pack_row([s for x in xs for s in samples_at(x, y)], depth)
    ihdr = struct.pack(">IIBBBBB", WIDTH, HEIGHT, depth, color_type, 0, 0, 1 if interlace else 0)
    chunks = png_chunk(b"IHDR", ihdr)
    if palette:
        chunks += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        chunks += png_chunk(b"tRNS", trns)
    chunks += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b"")
    return b"\x89PNG\r\n\x1a\n" + chunks


def grey8(x, y):
    r, g, b, _ = pixel(x, y)
    return (r * 299 + g * 587 + b * 114) // 1000


def wide(value, x, y):
    """An 8-bit value spread to 16 bits with low bits that test rounding."""
    return value * 257 + (x * 37 + y * 11) % 257 - 128 if 0 < value < 255 else value * 257


def add_png(name, color_type, depth, *args, **kwargs):
    content = png_file(color_type, depth, *args, **kwargs)
    path = work(name)
    with open(path, "wb") as f:
        f.write(content)
    use_netpbm = depth == 16 and kwargs.get("trns") is None
    add(name, content, netpbm_bgra(path) if use_netpbm else magick_bgra(path))


PALETTE = [((i * 37) % 256, (i * 91 + 40) % 256, (i * 53 + 90) % 256) for i in range(256)]


def index_at(depth):
    return lambda x, y: ((x + 3 * y) % (1 << depth),)


for depth in (1, 2, 4, 8):
    add_png(f"png_gray_{depth}.png", 0, depth, lambda x, y, d=depth: (grey8(x, y) >> (8 - d),))
add_png("png_gray_16.png", 0, 16, lambda x, y: (wide(grey8(x, y), x, y),))
add_png("png_gray_8_trns.png", 0, 8, lambda x, y: (grey8(x, y),), trns=struct.pack(">H", grey8(4, 4)))
add_png("png_gray_2_trns.png", 0, 2, lambda x, y: (grey8(x, y) >> 6,), trns=struct.pack(">H", 1))
add_png("png_rgb_8.png", 2, 8, lambda x, y: pixel(x, y)[:3])
add_png("png_rgb_16.png", 2, 16, lambda x, y: [wide(v, x, y) for v in pixel(x, y)[:3]])
add_png("png_rgb_8_trns.png", 2, 8, lambda x, y: pixel(x, y)[:3], trns=struct.pack(">3H", *pixel(5, 3)[:3]))
add_png("png_rgb_16_trns.png", 2, 16, lambda x, y: [v * 257 for v in pixel(x, y)[:3]],
        trns=struct.pack(">3H", *[v * 257 for v in pixel(5, 3)[:3]]))
for depth in (1, 2, 4, 8):
    add_png(f"png_palette_{depth}.png", 3, depth, index_at(depth), palette=PALETTE[:1 << depth])
add_png("png_palette_4_trns.png", 3, 4, index_at(4), palette=PALETTE[:16], trns=bytes([0, 80, 255, 160]))
add_png("png_palette_8_trns.png", 3, 8, lambda x, y: (x * HEIGHT + y,), palette=PALETTE,
        trns=bytes((i * 29) % 256 for i in range(100)))
add_png("png_gray_alpha_8.png", 4, 8, lambda x, y: (grey8(x, y), pixel(x, y)[3]))
add_png("png_gray_alpha_16.png", 4, 16, lambda x, y: (wide(grey8(x, y), x, y), wide(pixel(x, y)[3], y, x)))
add_png("png_rgba_8.png", 6, 8, pixel)
add_png("png_rgba_16.png", 6, 16, lambda x, y: [wide(v, x, y) for v in pixel(x, y)])
add_png("png_rgba_8_adam7.png", 6, 8, pixel, interlace=True)
add_png("png_gray_2_adam7.png", 0, 2, lambda x, y: (grey8(x, y) >> 6,), interlace=True)
add_png("png_palette_4_adam7.png", 3, 4, index_at(4), palette=PALETTE[:16], interlace=True)
add_png("png_rgb_16_adam7.png", 2, 16, lambda x, y: [wide(v, x, y) for v in pixel(x, y)[:3]], interlace=True)

# ---- BMP: ImageMagick's variants, and the ones it does not write.

MAGICK_BMPS = [
    ("bmp_1.bmp", SRC, ["-type", "bilevel", "-compress", "none"], "BMP3"),
    ("bmp_4.bmp", SRC, ["-colors", "16", "-compress", "none"], "BMP3"),
    ("bmp_8.bmp", SRC, ["-colors", "200", "-compress", "none"], "BMP3"),
    ("bmp_rle8.bmp", SRC, ["-colors", "200", "-compress", "RLE"], "BMP3"),
    ("bmp_24.bmp", SRC, [], "BMP3"),
    ("bmp_core_4.bmp", SRC, ["-colors", "16"], "BMP2"),
    ("bmp_16_555_v5.bmp", SRC, ["-define", "bmp:subtype=RGB555"], "BMP"),
    ("bmp_16_565_v5.bmp", SRC, ["-define", "bmp:subtype=RGB565"], "BMP"),
    ("bmp_32_argb_v5.bmp", SRC_ALPHA, [], "BMP"),
]
for name, source, options, kind in MAGICK_BMPS:
    path = work(name)
    magick([source], options, f"{kind}:{path}")
    add(name, read(path), magick_bgra(path))

# 32 bits without bit fields: the fourth byte is not alpha, so opaque.
path = work("bmp_32_rgb.bmp")
magick([SRC_ALPHA], ["-define", "bmp3:alpha=true"], "BMP3:" + path)
add("bmp_32_rgb.bmp", read(path), magick_bgra(path, ["-alpha", "opaque"]))

# Fields narrower than 8 bits: ImageMagick shifts 4-bit and 1-bit fields
# (4 bits v give 16v, 1 bit gives 128) where the full scale repeats the bits
# (17v, 255); its result is corrected for that.
for name, subtype, fix in (("bmp_16_4444_v5.bmp", "ARGB4444", lambda v: v | v >> 4),
                           ("bmp_16_1555_v5.bmp", "ARGB1555", None)):
    path = work(name)
    magick([SRC_ALPHA], ["-define", f"bmp:subtype={subtype}"], "BMP:" + path)
    seen = bytearray(magick_bgra(path))
    for i in range(len(seen)):
        if fix is not None:
            seen[i] = fix(seen[i])
        elif i % 4 == 3:
            seen[i] = 255 if seen[i] >= 128 else 0
    add(name, read(path), bytes(seen))


def bmp_parts(path):
    """File header, info header, colour table and pixels of a BMP3 file."""
    data = read(path)
    header_size = struct.unpack("<I", data[14:18])[0]
    offset = struct.unpack("<I", data[10:14])[0]
    return data[:14], data[14:14 + header_size], data[14 + header_size:offset], data[offset:]


def bmp_file(info, table, pixels):
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels


def with_fields(info, **fields):
    """The info header with fields (by name) replaced."""
    layout = {"height": (8, "<i"), "bit_count": (14, "<H"), "compression": (16, "<I"), "size_image": (20, "<I")}
    info = bytearray(info)
    for name, value in fields.items():
        at, form = layout[name]
        info[at:at + struct.calcsize(form)] = struct.pack(form, value)
    return bytes(info)


# Top-down rows: the same picture with its rows stored from the top.
_, info, table, pixels = bmp_parts(os.path.join(DATA, "bmp_24.bmp"))
row = (WIDTH * 24 + 31) // 32 * 4
flipped = b"".join(pixels[row * y:row * (y + 1)] for y in reversed(range(HEIGHT)))
path = work("bmp_24_top_down.bmp")
with open(path, "wb") as f:
    f.write(bmp_file(with_fields(info, height=-HEIGHT), table, flipped))
add("bmp_24_top_down.bmp", read(path), magick_bgra(path))

# 16 bits without bit fields (5-5-5), and with the masks after a 40-byte header.
_, info, _, pixels = bmp_parts(os.path.join(DATA, "bmp_16_555_v5.bmp"))
plain_info = with_fields(info[:40], compression=0)
plain_info = b"\x28\0\0\0" + plain_info[4:]
path = work("bmp_16_555.bmp")
with open(path, "wb") as f:
    f.write(bmp_file(plain_info, b"", pixels))
add("bmp_16_555.bmp", read(path), magick_bgra(path))
_, info, _, pixels = bmp_parts(os.path.join(DATA, "bmp_16_565_v5.bmp"))
path = work("bmp_16_565.bmp")
with open(path, "wb") as f:
    f.write(bmp_file(b"\x28\0\0\0" + info[4:40], struct.pack("<3I", 0xF800, 0x07E0, 0x001F), pixels))
add("bmp_16_565.bmp", read(path), magick_bgra(path))

# 32 bits with four masks after a 40-byte header (BI_ALPHABITFIELDS): the
# pixels of the V5 file, so the same picture.
_, info, _, pixels = bmp_parts(os.path.join(DATA, "bmp_32_argb_v5.bmp"))
masks = struct.pack("<4I", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
add("bmp_32_alpha_fields.bmp",
    bmp_file(with_fields(b"\x28\0\0\0" + info[4:40], compression=6), masks, pixels),
    read(os.path.join(DATA, "bmp_32_argb_v5.bmp.bgra")))


def rle4(indexes):
    """Run-length 4-bit rows: runs of two alternating indexes, literal
    stretches, row ends and the bitmap end."""
    out = bytearray()
    for y in reversed(range(HEIGHT)):
        line, x = indexes[y], 0
        while x < WIDTH:
            run_ = 1
            while x + run_ < WIDTH and line[x + run_] == line[x] and run_ < 255:
                run_ += 1
            if run_ >= 3 or WIDTH - x < 3:
                out += bytes((run_, line[x] << 4 | line[x]))
                x += run_
            else:
                count = min(WIDTH - x, 5)
                literal = line[x:x + count] + [0]
                packed = bytes(literal[i] << 4 | literal[i + 1] for i in range(0, count, 2))
                out += bytes((0, count)) + packed + (b"\0" if len(packed) % 2 else b"")
                x += count
        out += b"\0\0"
    return bytes(out + b"\0\1")


_, info, table, pixels = bmp_parts(os.path.join(DATA, "bmp_4.bmp"))
row = (WIDTH * 4 + 31) // 32 * 4
indexes = []
for y in reversed(range(HEIGHT)):
    line = pixels[row * (HEIGHT - 1 - y):row * (HEIGHT - y)]
    indexes.append([line[x // 2] >> (4 - 4 * (x % 2)) & 15 for x in range(WIDTH)])
indexes[2][3:9] = [5] * 6  # a long run
coded = rle4(indexes)
path = work("bmp_rle4.bmp")
with open(path, "wb") as f:
    f.write(bmp_file(with_fields(info, compression=2, size_image=len(coded)), table, coded))
add("bmp_rle4.bmp", read(path), magick_bgra(path))

# ---- ICO: bitmap images with their AND masks, PNG images, several sizes.


def icon_bitmap(path, mask_rows=None, zero_alpha=False):
    """A BMP3 file as an icon image: height doubled, AND mask appended."""
    _, info, table, pixels = bmp_parts(path)
    width, height = struct.unpack("<ii", info[4:12])
    if zero_alpha:
        pixels = bytes(0 if i % 4 == 3 else v for i, v in enumerate(pixels))
    mask_row = (width + 31) // 32 * 4
    mask = b"".join(mask_rows[y] if mask_rows else bytes(mask_row) for y in reversed(range(height)))
    return with_fields(info, height=2 * height, size_image=0) + table + pixels + mask


def icon_file(images):
    """images: (width, height, bit count, payload) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, height, bit_count, payload in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, bit_count, len(payload), offset)
        offset += len(payload)
    return out + b"".join(image[3] for image in images)


def mask_rows_from_alpha():
    rows = []
    for y in range(HEIGHT):
        bits = bytearray((WIDTH + 31) // 32 * 4)
        for x in range(WIDTH):
            if pixel(x, y)[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return rows


def add_icon(name, images, index=0):
    path = work(name)
    with open(path, "wb") as f:
        f.write(icon_file(images))
    add(name, read(path), magick_bgra(f"{path}[{index}]"))


# Transparent pixels under the mask are stored black, as icon editors do.
masked = work("masked.png")
run(CONVERT, SRC_ALPHA, "-background", "black", "-alpha", "remove", "(", SRC_ALPHA, "-alpha", "extract",
    "-threshold", "50%", ")", "-compose", "Multiply", "-composite", "-strip", "PNG24:" + masked)
bitmaps = {}
for name, options in (("24", []), ("8", ["-colors", "200", "-compress", "none"]),
                      ("4", ["-colors", "16", "-compress", "none"])):
    bitmaps[name] = work(f"icon{name}.bmp")
    magick([masked], options, "BMP3:" + bitmaps[name])
bitmaps["32"] = work("icon32.bmp")
magick([SRC_ALPHA], ["-define", "bmp3:alpha=true"], "BMP3:" + bitmaps["32"])
mask = mask_rows_from_alpha()
small_png = work("small.png")
magick([SRC_ALPHA], ["-resize", "5x5!"], "PNG32:" + small_png)
icon_png = work("icon.png")
magick([SRC_ALPHA], [], "PNG32:" + icon_png)

add_icon("ico_bmp_24_mask.ico", [(WIDTH, HEIGHT, 24, icon_bitmap(bitmaps["24"], mask))])
add_icon("ico_bmp_8_mask.ico", [(WIDTH, HEIGHT, 8, icon_bitmap(bitmaps["8"], mask))])
add_icon("ico_bmp_4_mask.ico", [(WIDTH, HEIGHT, 4, icon_bitmap(bitmaps["4"], mask))])
add_icon("ico_bmp_32_alpha.ico", [(WIDTH, HEIGHT, 32, icon_bitmap(bitmaps["32"]))])
add_icon("ico_png.ico", [(WIDTH, HEIGHT, 32, read(icon_png))])
small_bitmap = work("small4.bmp")
magick([SRC], ["-resize", "8x8!", "-colors", "16", "-compress", "none"], "BMP3:" + small_bitmap)
# The largest image is chosen whatever its place in the directory.
add_icon("ico_largest_of_three.ico", [(8, 8, 4, icon_bitmap(small_bitmap)),
                                      (WIDTH, HEIGHT, 32, icon_bitmap(bitmaps["32"])),
                                      (5, 5, 32, read(small_png))], index=1)
# 32-bit pixels whose fourth bytes are all 0 take their alpha from the mask,
# like the 24-bit icon of the same picture.
opaque32 = work("icon32opaque.bmp")
magick([masked], ["-alpha", "on", "-define", "bmp3:alpha=true"], "BMP3:" + opaque32)
add("ico_bmp_32_zero_alpha.ico",
    icon_file([(WIDTH, HEIGHT, 32, icon_bitmap(opaque32, mask, zero_alpha=True))]),
    read(os.path.join(DATA, "ico_bmp_24_mask.ico.bgra")))

# ---- GIF: first frame, transparency, interlacing, 87a, a frame smaller than the screen.

for name, source, options, read_options in (
        ("gif_basic.gif", [SRC], ["-colors", "64"], []),
        ("gif_transparent.gif", [SRC_ALPHA], ["-channel", "A", "-threshold", "50%", "+channel", "-colors", "64"], []),
        ("gif_interlaced.gif", [SRC], ["-colors", "64", "-interlace", "GIF"], []),
        ("gif_87a.gif", [SRC], ["-colors", "32"], []),
        ("gif_animated.gif", [SRC, "(", SRC, "-negate", ")"], ["-colors", "64"], []),
        ("gif_sub_frame.gif", ["(", SRC, "-resize", "7x5!", ")"], ["-repage", f"{WIDTH}x{HEIGHT}+3+2", "-colors", "16"],
         ["-background", "none", "-flatten"])):
    path = work(name)
    magick(source, options, ("GIF87:" if "87a" in name else "GIF:") + path)
    add(name, read(path), magick_bgra(path + "[0]", read_options))

# ---- JPEG: grey, colour (4:2:0 and 4:4:4), progressive, YCCK, CMYK with and without the Adobe marker.

for name, options in (("jpeg_420.jpg", []), ("jpeg_444.jpg", ["-sampling-factor", "1x1"]),
                      ("jpeg_gray.jpg", ["-colorspace", "Gray"]), ("jpeg_progressive.jpg", ["-interlace", "JPEG"]),
                      ("jpeg_ycck_adobe.jpg", ["-colorspace", "CMYK"])):
    path = work(name)
    magick([SRC], ["-quality", "90"] + options, path)
    add(name, read(path), magick_bgra(path))

CMYK_WRITER = r"""
#include <stdio.h>
#include <jpeglib.h>
/* Writes the same CMYK picture as argv[1]: stored inverted with an Adobe
 * marker when argv[2] is "adobe", else stored plain without one. */
int main(int argc, char** argv) {
    int adobe = argc > 2 && argv[2][0] == 'a';
    FILE* file = fopen(argv[1], "wb");
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = 13, c.image_height = 9, c.input_components = 4, c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_CMYK);
    c.write_Adobe_marker = adobe;
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < 9; y++) {
        unsigned char row[13 * 4];
        for (int x = 0; x < 13; x++) {
            unsigned char ink[4] = {x * 19, y * 28, (x * y * 7) & 255, (x + y) * 10};
            for (int k = 0; k < 4; k++) row[x * 4 + k] = adobe ? 255 - ink[k] : ink[k];
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    return fclose(file);
}
"""
with open(work("cmyk.c"), "w") as f:
    f.write(CMYK_WRITER)
run("gcc", "-o", work("cmyk"), work("cmyk.c"), "-ljpeg")
run(work("cmyk"), work("jpeg_cmyk_adobe.jpg"), "adobe")
run(work("cmyk"), work("jpeg_cmyk_plain.jpg"), "plain")
adobe_pixels = magick_bgra(work("jpeg_cmyk_adobe.jpg"))
add("jpeg_cmyk_adobe.jpg", read(work("jpeg_cmyk_adobe.jpg")), adobe_pixels)
# ImageMagick takes every CMYK JPEG as inverted; the plain file's expected
# pixels are those of its Adobe twin, up to the lossy coding of either.
add("jpeg_cmyk_plain.jpg", read(work("jpeg_cmyk_plain.jpg")), adobe_pixels, tolerance=2,
    why="same_inks_as_adobe_twin")

# ---- TIFF: what libtiff's RGBA interface reads.

for name, source, options, read_options, tolerance, why in (
        ("tiff_rgb.tif", SRC, ["-compress", "none"], [], 0, "exact"),
        ("tiff_rgba_unassociated.tif", SRC_ALPHA, ["-compress", "none"], [], 0, "exact"),
        ("tiff_rgba_associated.tif", SRC_ALPHA, ["-define", "tiff:alpha=associated"], [], 1,
         "premultiplied_storage"),
        ("tiff_lzw.tif", SRC, ["-compress", "LZW"], [], 0, "exact"),
        ("tiff_deflate.tif", SRC, ["-compress", "Zip"], [], 0, "exact"),
        ("tiff_jpeg.tif", SRC, ["-compress", "JPEG", "-quality", "90"], [], 0, "exact"),
        ("tiff_packbits.tif", SRC, ["-compress", "RLE"], [], 0, "exact"),
        ("tiff_gray.tif", SRC, ["-colorspace", "Gray"], [], 0, "exact"),
        ("tiff_bilevel.tif", SRC, ["-type", "bilevel"], [], 0, "exact"),
        ("tiff_palette.tif", SRC, ["-colors", "16", "-type", "palette"], [], 1, "colormap_16_to_8_truncated"),
        ("tiff_16.tif", SRC, ["-depth", "16"], [], 0, "exact"),
        ("tiff_tiled.tif", SRC, ["-define", "tiff:tile-geometry=8x8"], [], 0, "exact"),
        ("tiff_planar.tif", SRC, ["-interlace", "plane"], [], 0, "exact"),
        ("tiff_cmyk.tif", SRC, ["-colorspace", "CMYK"], [], 1, "cmyk_conversion_truncated"),
        ("tiff_bottom_left.tif", SRC, ["-orient", "BottomLeft"], ["-auto-orient"], 0, "exact")):
    path = work(name)
    magick([source], options, path)
    add(name, read(path), magick_bgra(path, read_options), tolerance=tolerance, why=why)
path = work("tiff_1x1.tif")
run(CONVERT, "-size", "1x1", "xc:#336699", "-strip", path)
add("tiff_1x1.tif", read(path), magick_bgra(path), width=1, height=1)

# ---- Files whose headers claim sizes no loader accepts.


def bad(name, content):
    with open(os.path.join(BAD, name), "wb") as f:
        f.write(content)


_, info, table, pixels = bmp_parts(os.path.join(DATA, "bmp_24.bmp"))
bad("bmp_huge.bmp", bmp_file(b"\x28\0\0\0" + struct.pack("<ii", 100000, 100000) + info[12:], table, pixels))
png = read(os.path.join(DATA, "png_rgba_8.png"))
ihdr = struct.pack(">II", 1000000, 1000000) + png[24:29]
bad("png_huge.png", png[:8] + png_chunk(b"IHDR", ihdr) + png[33:])
gif = bytearray(read(os.path.join(DATA, "gif_basic.gif")))
gif[6:10] = struct.pack("<HH", 65535, 65535)
bad("gif_huge.gif", bytes(gif))
jpeg = bytearray(read(os.path.join(DATA, "jpeg_420.jpg")))
sof = jpeg.find(b"\xff\xc0")
jpeg[sof + 5:sof + 9] = struct.pack(">HH", 65500, 65500)
bad("jpeg_huge.jpg", bytes(jpeg))
# A grey TIFF of 1000000 x 1000000 pixels with one strip of 16 bytes.
entries = [(256, 4, 1000000), (257, 4, 1000000), (258, 3, 8), (259, 3, 1), (262, 3, 1), (273, 4, 8),
           (277, 3, 1), (278, 4, 1000000), (279, 4, 16)]
ifd = struct.pack("<H", len(entries)) + b"".join(struct.pack("<HHII", tag, kind, 1, value)
                                                 for tag, kind, value in entries) + b"\0\0\0\0"
bad("tiff_huge.tif", b"II*\0" + struct.pack("<I", 24) + bytes(16) + ifd)
huge_icon = bytearray(icon_bitmap(bitmaps["24"], mask))
huge_icon[4:12] = struct.pack("<ii", 70000, 140000)
bad("ico_huge.ico", icon_file([(0, 0, 24, bytes(huge_icon))]))

with open(os.path.join(DATA, "corpus.txt"), "w") as f:
    f.write("# file width height tolerance why (made by tools/make_test_corpus.py)\n")
    f.write("\n".join(MANIFEST) + "\n")
shutil.rmtree(WORK)
