#!/usr/bin/env python3
"""Draws the plug-in's icons and About bitmap and writes them to
resources/images/ (standard library only, output byte-for-byte repeatable).

  editor.ico        icon 104: a satellite dish on a blue tile (editor window)
  about_top.ico     icon 105: a gold star
  about_middle.ico  icon 106: a channel list with check marks
  about_bottom.ico  icon 107: a television set
  about.bmp         bitmap 108: a dish under a night sky, 92 x 108, 24-bit

Every icon holds a 32 x 32 and a 16 x 16 image, 32-bit with alpha plus the
1-bit AND mask that older readers use. Shapes are plain predicates over the
plane; each pixel takes the share of its 4 x 4 sub-samples that fall inside,
which gives smooth edges without any imaging library.

Usage: scripts/make_images.py [output directory]
"""

import math
import os
import struct
import sys

SUBSAMPLES = 4


def hex_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class Canvas:
    """An RGBA image with straight (not premultiplied) alpha, 0..255 floats."""

    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        if background is None:
            fill = [0.0, 0.0, 0.0, 0.0]
        else:
            fill = [float(c) for c in hex_colour(background)] + [255.0]
        self.pixels = [list(fill) for _ in range(width * height)]

    def paint(self, colour, inside, box=None):
        """Paints colour wherever inside(x, y) holds; box limits the pixels
        visited (x0, y0, x1, y1 in pixel coordinates)."""
        red, green, blue = hex_colour(colour)
        if box is None:
            box = (0, 0, self.width, self.height)
        x0 = max(0, int(math.floor(box[0])))
        y0 = max(0, int(math.floor(box[1])))
        x1 = min(self.width, int(math.ceil(box[2])))
        y1 = min(self.height, int(math.ceil(box[3])))
        step = 1.0 / SUBSAMPLES
        offsets = [(i + 0.5) * step for i in range(SUBSAMPLES)]
        total = SUBSAMPLES * SUBSAMPLES
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if inside(px + ox, py + oy):
                            hits += 1
                if not hits:
                    continue
                cover = hits / total
                pixel = self.pixels[py * self.width + px]
                back_alpha = pixel[3] / 255.0
                out_alpha = cover + back_alpha * (1.0 - cover)
                for channel, value in enumerate((red, green, blue)):
                    mixed = value * cover + pixel[channel] * back_alpha * (1.0 - cover)
                    pixel[channel] = mixed / out_alpha
                pixel[3] = out_alpha * 255.0

    def rgba_rows(self):
        """Rows top to bottom of (r, g, b, a) byte tuples."""
        rows = []
        for py in range(self.height):
            row = []
            for px in range(self.width):
                pixel = self.pixels[py * self.width + px]
                row.append(tuple(int(round(min(255.0, max(0.0, c)))) for c in pixel))
            rows.append(row)
        return rows


# Shapes: each returns a predicate over pixel coordinates.

def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        nx = min(max(x, x0 + radius), x1 - radius)
        ny = min(max(y, y0 + radius), y1 - radius)
        return (x - nx) ** 2 + (y - ny) ** 2 <= radius * radius
    return inside


def segment(ax, ay, bx, by, width):
    """A stroke of the given width from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    half2 = (width / 2.0) ** 2

    def inside(x, y):
        t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
        t = min(1.0, max(0.0, t))
        qx, qy = ax + t * dx - x, ay + t * dy - y
        return qx * qx + qy * qy <= half2
    return inside


def polygon(points):
    """Even-odd point-in-polygon test."""
    def inside(x, y):
        result = False
        count = len(points)
        for i in range(count):
            ax, ay = points[i]
            bx, by = points[(i + 1) % count]
            if (ay > y) != (by > y):
                cross = ax + (y - ay) * (bx - ax) / (by - ay)
                if x < cross:
                    result = not result
        return result
    return inside


def star(cx, cy, outer, inner):
    points = []
    for i in range(10):
        radius = outer if i % 2 == 0 else inner
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return polygon(points)


def arc_band(cx, cy, inner, outer, direction, half_angle):
    """The part of the ring between inner and outer radius that lies within
    half_angle radians of the given direction (radians, y pointing down)."""
    def inside(x, y):
        distance2 = (x - cx) ** 2 + (y - cy) ** 2
        if distance2 < inner * inner or distance2 > outer * outer:
            return False
        angle = math.atan2(y - cy, x - cx) - direction
        angle = (angle + math.pi) % (2 * math.pi) - math.pi
        return abs(angle) <= half_angle
    return inside


def dish_bowl(cx, cy, radius, depth):
    """A dish seen from the side: the part of a disc lying beyond a chord,
    opening towards the upper right. depth is the chord's distance from the
    centre towards the lower left."""
    nx, ny = -math.sqrt(0.5), math.sqrt(0.5)

    def inside(x, y):
        if (x - cx) ** 2 + (y - cy) ** 2 > radius * radius:
            return False
        return (x - cx) * nx + (y - cy) * ny >= depth
    return inside


def draw_dish(canvas, cx, cy, radius, colours, base_y, stroke):
    """A satellite dish on a stand: bowl, feed arm and feed, post and foot.
    Returns the position of the feed."""
    bowl, arm, feed = colours
    nx, ny = -math.sqrt(0.5), math.sqrt(0.5)
    depth = radius * 0.25
    chord_x, chord_y = cx + nx * depth, cy + ny * depth
    feed_x, feed_y = cx - nx * radius * 0.55, cy - ny * radius * 0.55
    back_x, back_y = cx + nx * radius * 0.8, cy + ny * radius * 0.8
    canvas.paint(arm, segment(back_x, back_y, back_x + radius * 0.05, base_y, stroke * 1.3))
    canvas.paint(arm, segment(back_x - radius * 0.45, base_y, back_x + radius * 0.55, base_y,
                              stroke * 1.3))
    canvas.paint(bowl, dish_bowl(cx, cy, radius, depth))
    canvas.paint(arm, segment(chord_x, chord_y, feed_x, feed_y, stroke))
    canvas.paint(feed, circle(feed_x, feed_y, stroke * 1.3))
    return feed_x, feed_y


# The images, drawn on a square of the given size.

def editor_icon(size):
    s = float(size)
    canvas = Canvas(size, size)
    canvas.paint("#1F5FAD", rounded_rect(0.03 * s, 0.03 * s, 0.97 * s, 0.97 * s, 0.2 * s))
    draw_dish(canvas, 0.46 * s, 0.45 * s, 0.33 * s, ("#FFFFFF", "#D8E4F2", "#FFB300"),
              0.82 * s, max(1.3, 0.07 * s))
    return canvas


def star_icon(size):
    s = float(size)
    canvas = Canvas(size, size)
    canvas.paint("#C46A00", star(0.5 * s, 0.53 * s, 0.5 * s, 0.21 * s))
    canvas.paint("#FFC21A", star(0.5 * s, 0.53 * s, 0.39 * s, 0.165 * s))
    return canvas


def list_icon(size):
    s = float(size)
    canvas = Canvas(size, size)
    canvas.paint("#5A6B7D", rounded_rect(0.1 * s, 0.03 * s, 0.9 * s, 0.97 * s, 0.1 * s))
    inset = max(1.0, 0.06 * s)
    canvas.paint("#FFFFFF", rounded_rect(0.1 * s + inset, 0.03 * s + inset,
                                         0.9 * s - inset, 0.97 * s - inset, 0.06 * s))
    stroke = max(1.3, 0.09 * s)
    for row in range(3):
        y = (0.25 + row * 0.25) * s
        if size >= 24:
            canvas.paint("#1E9E3A", segment(0.22 * s, y, 0.29 * s, y + 0.07 * s, stroke))
            canvas.paint("#1E9E3A", segment(0.29 * s, y + 0.07 * s, 0.4 * s, y - 0.08 * s, stroke))
        else:
            canvas.paint("#1E9E3A", circle(0.3 * s, y, 0.08 * s))
        canvas.paint("#1F5FAD", segment(0.5 * s, y, 0.76 * s, y, stroke))
    return canvas


def television_icon(size):
    s = float(size)
    canvas = Canvas(size, size)
    stroke = max(1.2, 0.06 * s)
    canvas.paint("#3A3F47", segment(0.5 * s, 0.24 * s, 0.3 * s, 0.05 * s, stroke))
    canvas.paint("#3A3F47", segment(0.5 * s, 0.24 * s, 0.72 * s, 0.06 * s, stroke))
    canvas.paint("#3A3F47", rounded_rect(0.42 * s, 0.76 * s, 0.58 * s, 0.9 * s, 0.02 * s))
    canvas.paint("#3A3F47", rounded_rect(0.24 * s, 0.86 * s, 0.76 * s, 0.95 * s, 0.04 * s))
    canvas.paint("#3A3F47", rounded_rect(0.04 * s, 0.22 * s, 0.96 * s, 0.8 * s, 0.1 * s))
    bezel = max(1.5, 0.09 * s)
    canvas.paint("#39A0E8", rounded_rect(0.04 * s + bezel, 0.22 * s + bezel,
                                         0.96 * s - bezel, 0.8 * s - bezel, 0.05 * s))
    canvas.paint("#BFE3FA", polygon([(0.04 * s + bezel, 0.62 * s), (0.6 * s, 0.22 * s + bezel),
                                     (0.78 * s, 0.22 * s + bezel),
                                     (0.04 * s + bezel, 0.76 * s)]))
    return canvas


def about_bitmap():
    width, height = 92, 108
    canvas = Canvas(width, height, background="#17345E")
    for x, y, r in ((8, 9, 1.0), (30, 6, 0.8), (49, 16, 1.1), (12, 34, 0.8), (83, 44, 0.9),
                    (60, 5, 0.7), (86, 70, 0.8), (5, 62, 0.9), (40, 30, 0.7)):
        canvas.paint("#DCE6F5", circle(x + 0.5, y + 0.5, r))
    # The satellite, high up on the right.
    canvas.paint("#9FB4CC", segment(62, 25, 86, 9, 1.2))
    canvas.paint("#3F86D8", polygon([(58, 23), (64, 19), (69, 26), (63, 30)]))
    canvas.paint("#3F86D8", polygon([(79, 12), (85, 8), (90, 15), (84, 19)]))
    canvas.paint("#E9EEF4", polygon([(69, 16), (76, 12), (80, 19), (73, 23)]))
    canvas.paint("#FFB300", circle(69.5, 21.5, 1.6))
    # The ground and the dish.
    canvas.paint("#0F2645", rounded_rect(-10, 96, width + 10, height + 10, 0))
    feed_x, feed_y = draw_dish(canvas, 38, 62, 30, ("#F2F5F9", "#B7C6D8", "#FFB300"), 97, 3.2)
    # The signal between the satellite and the feed.
    direction = math.atan2(21.5 - feed_y, 69.5 - feed_x)
    for inner in (6.0, 11.0, 16.0):
        canvas.paint("#FFD45C", arc_band(feed_x, feed_y, inner, inner + 2.2, direction, 0.55))
    return canvas


# File writers.

def and_mask_row(row):
    """One row of the 1-bit AND mask: set where the pixel is mostly clear,
    padded to a multiple of 32 bits."""
    bits = bytearray(((len(row) + 31) // 32) * 4)
    for x, (_, _, _, alpha) in enumerate(row):
        if alpha < 128:
            bits[x // 8] |= 0x80 >> (x % 8)
    return bytes(bits)


def icon_image(canvas):
    """An icon directory entry's image: BITMAPINFOHEADER with doubled height,
    32-bit BGRA pixels bottom-up, then the AND mask bottom-up."""
    rows = canvas.rgba_rows()
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = b"".join(and_mask_row(row) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def write_icon(path, draw):
    images = [(size, icon_image(draw(size))) for size in (32, 16)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(data for _, data in images))


def write_bitmap(path, canvas):
    """A 24-bit bottom-up BMP at 96 dots per inch."""
    rows = canvas.rgba_rows()
    stride = (canvas.width * 3 + 3) // 4 * 4
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for (r, g, b, _) in row)
        pixels += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0,
                       len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "images")
    os.makedirs(out_dir, exist_ok=True)
    write_icon(os.path.join(out_dir, "editor.ico"), editor_icon)
    write_icon(os.path.join(out_dir, "about_top.ico"), star_icon)
    write_icon(os.path.join(out_dir, "about_middle.ico"), list_icon)
    write_icon(os.path.join(out_dir, "about_bottom.ico"), television_icon)
    write_bitmap(os.path.join(out_dir, "about.bmp"), about_bitmap())


if __name__ == "__main__":
    main()
