#!/usr/bin/python3
"""Draws the picture map's region maps under resources/maps/world/<region>/ from the country
outlines of the Digital Chart of the World as packaged for Debian (gmt-dcw, LGPL-3+).

Each region gets "map.ini" (the map's edges in degrees, its size in pixels and one
"Region_<CC>" group per clickable country, with its English name), "back.png" (sea, land and borders) and one
"<CC>.gif" per country: the country's pixels in (85, 85, 85) on a transparent mask colour,
cropped to the rectangle that map.ini gives. The map is linear in longitude and latitude
between its edges; the pixel height is chosen so that the middle latitude keeps its shape.

A developer tool run by hand when the maps should change; the build and CI use the committed
output and need none of this. Run from the top of the source tree:

    apt-get install gmt-dcw python3-netcdf4
    /usr/bin/python3 scripts/make-region-maps.py [resources/maps]

Only the standard library besides netCDF4 (the Debian package's reader for dcw-gmt.nc).
"""

import math
import os
import struct
import sys
import zlib

import netCDF4

DCW_DIR = "/usr/share/gmt-dcw"

# folder, description, continents, west, east, north, south, width in pixels
REGIONS = [
    ("europe", "Europe", {"EU"}, -25.0, 45.0, 72.0, 34.0, 700),
    ("africa", "Africa", {"AF"}, -26.0, 60.0, 38.0, -36.0, 690),
    ("asia", "Asia", {"AS"}, 25.0, 195.0, 78.0, -12.0, 780),
    ("south_america", "South America", {"SA"}, -92.0, -30.0, 14.0, -57.0, 500),
    ("north_america", "North America", {"NA"}, -180.0, -50.0, 78.0, 7.0, 780),
    ("oceania", "Oceania", {"OC"}, 110.0, 215.0, 22.0, -50.0, 780),
]

# Countries that lie on two continents are clickable on both maps.
EXTRA_MEMBERS = {
    "europe": {"RU", "TR", "KZ", "GE", "AZ", "AM"},
    "asia": {"EG", "CY"},
    "africa": set(),
    "south_america": {"PA"},
    "north_america": {"GL"},
    "oceania": {"ID", "TL"},
}

SEA = (207, 226, 240)
OTHER_LAND = (226, 224, 218)
LAND = (246, 243, 234)
BORDER = (150, 146, 136)
COUNTRY = (85, 85, 85)
MASK = (255, 0, 255)

# A country drawn smaller than this many pixels gets a dot of DOT_RADIUS at each of its
# islands so that it can still be clicked.
SMALL_COUNTRY_PIXELS = 30
DOT_RADIUS = 3


def read_countries():
    """[(continent, code, name)] from the package's country list."""
    countries = []
    with open(os.path.join(DCW_DIR, "dcw-countries.txt"), encoding="utf-8") as listing:
        for line in listing:
            if line.startswith("#") or not line.strip():
                continue
            continent, code, name = line.rstrip("\n").split(" ", 2)
            countries.append((continent, code, name))
    return countries


def read_outline(dataset, code):
    """The country's closed rings as lists of (longitude, latitude); longitudes unwrapped so
    that a ring crossing the antimeridian stays continuous."""
    lon_var = dataset.variables[code + "_lon"]
    lat_var = dataset.variables[code + "_lat"]
    lon_min, lon_scale = lon_var.getncattr("min"), lon_var.getncattr("scale")
    lat_min, lat_scale = lat_var.getncattr("min"), lat_var.getncattr("scale")
    lons, lats = lon_var[:].tolist(), lat_var[:].tolist()
    rings, ring = [], []
    for raw_lon, raw_lat in zip(lons, lats):
        if raw_lon == 65535:  # ring separator
            if len(ring) > 2:
                rings.append(ring)
            ring = []
            continue
        lon = lon_min + raw_lon / lon_scale
        lat = lat_min + raw_lat / lat_scale
        if ring:
            previous = ring[-1][0]
            while lon - previous > 180.0:
                lon -= 360.0
            while lon - previous < -180.0:
                lon += 360.0
        ring.append((lon, lat))
    if len(ring) > 2:
        rings.append(ring)
    return rings


class Projection:
    def __init__(self, west, east, north, south, width):
        self.west, self.east, self.north, self.south = west, east, north, south
        middle = math.radians((north + south) / 2.0)
        self.width = width
        self.height = int(round(width * (north - south) / ((east - west) * math.cos(middle))))

    def to_pixels(self, ring, shift):
        sx = self.width / (self.east - self.west)
        sy = self.height / (self.north - self.south)
        points = []
        for lon, lat in ring:
            point = ((lon + shift - self.west) * sx, (self.north - lat) * sy)
            # Vertices closer than a tenth of a pixel add nothing but time.
            if not points or abs(point[0] - points[-1][0]) + abs(point[1] - points[-1][1]) > 0.1:
                points.append(point)
        return points


def fill_rings(rings, width, height):
    """Even-odd scanline fill of pixel-space rings, sampled at pixel centres: the set of
    (x, y) inside."""
    crossings = {}
    for ring in rings:
        count = len(ring)
        for index in range(count):
            x0, y0 = ring[index]
            x1, y1 = ring[(index + 1) % count]
            if y0 == y1:
                continue
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            first = max(0, int(math.ceil(y0 - 0.5)))
            last = min(height - 1, int(math.ceil(y1 - 0.5)) - 1)
            slope = (x1 - x0) / (y1 - y0)
            for row in range(first, last + 1):
                crossings.setdefault(row, []).append(x0 + (row + 0.5 - y0) * slope)
    inside = set()
    for row, xs in crossings.items():
        xs.sort()
        for start, end in zip(xs[0::2], xs[1::2]):
            left = max(0, int(math.ceil(start - 0.5)))
            right = min(width - 1, int(math.ceil(end - 0.5)) - 1)
            for column in range(left, right + 1):
                inside.add((column, row))
    return inside


def ring_outline(rings, width, height):
    """The pixels each ring's edges pass through: the borders drawn on the background."""
    line = set()
    for ring in rings:
        count = len(ring)
        for index in range(count):
            x0, y0 = ring[index]
            x1, y1 = ring[(index + 1) % count]
            steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
            for step in range(steps + 1):
                x = int(x0 + (x1 - x0) * step / steps)
                y = int(y0 + (y1 - y0) * step / steps)
                if 0 <= x < width and 0 <= y < height:
                    line.add((x, y))
    return line


def project_country(projection, rings):
    """Pixel rings of the country, drawn once per 360-degree shift that brings it into view
    (a map past the antimeridian shows the same outline a turn further east)."""
    projected = []
    for ring in rings:
        lons = [lon for lon, _ in ring]
        for shift in (-360.0, 0.0, 360.0):
            if max(lons) + shift < projection.west or min(lons) + shift > projection.east:
                continue
            projected.append(projection.to_pixels(ring, shift))
    return projected


def dots_for_small_country(pixel_rings, width, height):
    dots = set()
    for ring in pixel_rings:
        cx = sum(x for x, _ in ring) / len(ring)
        cy = sum(y for _, y in ring) / len(ring)
        for dy in range(-DOT_RADIUS, DOT_RADIUS + 1):
            for dx in range(-DOT_RADIUS, DOT_RADIUS + 1):
                if dx * dx + dy * dy > DOT_RADIUS * DOT_RADIUS + 1:
                    continue
                x, y = int(cx) + dx, int(cy) + dy
                if 0 <= x < width and 0 <= y < height:
                    dots.add((x, y))
    return dots


def write_png(path, width, height, pixels):
    """An 8-bit palette PNG; `pixels` rows of palette indexes, `palette` in pixels.palette."""
    palette, rows = pixels

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)))
        out.write(chunk(b"PLTE", b"".join(bytes(colour) for colour in palette)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def lzw_encode(indexes, min_code_size):
    """GIF's variable-length LZW, restarting the table when it is full."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(index,): index for index in range(clear)}

    size = min_code_size + 1
    table, next_code = fresh_table(), end + 1
    emit(clear, size)
    current = ()
    for index in indexes:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = fresh_table(), end + 1, min_code_size + 1
        current = (index,)
    if current:
        emit(table[current], size)
    emit(end, size)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def write_mask_gif(path, width, height, inside):
    """Two colours: index 0 the transparent mask colour, index 1 the country."""
    indexes = [1 if (x, y) in inside else 0 for y in range(height) for x in range(width)]
    data = lzw_encode(indexes, 2)
    with open(path, "wb") as out:
        out.write(b"GIF89a")
        out.write(struct.pack("<HHBBB", width, height, 0xF1, 0, 0))  # 4-entry global palette
        out.write(bytes(MASK) + bytes(COUNTRY) + bytes(4) + bytes(2))
        out.write(b"\x21\xF9\x04\x01\x00\x00\x00\x00")  # index 0 transparent
        out.write(b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0))
        out.write(bytes([2]))
        for start in range(0, len(data), 255):
            block = data[start : start + 255]
            out.write(bytes([len(block)]) + block)
        out.write(b"\x00\x3B")


def make_region(dataset, countries, region, target):
    folder, description, continents, west, east, north, south, width = region
    projection = Projection(west, east, north, south, width)
    height = projection.height
    members = {code for continent, code, _ in countries if continent in continents}
    members |= EXTRA_MEMBERS[folder]

    land, others, borders = {}, set(), set()
    for continent, code, _ in countries:
        rings = project_country(projection, read_outline(dataset, code))
        if not rings:
            continue
        inside = fill_rings(rings, width, height)
        if code in members:
            if len(inside) < SMALL_COUNTRY_PIXELS:
                inside |= dots_for_small_country(rings, width, height)
            if inside:
                land[code] = inside
        else:
            others |= inside
        borders |= ring_outline(rings, width, height)

    # A small country's dot lies on top of its neighbours: clear it from them, so that the
    # click goes to the small country whatever the code order.
    small = [code for code in land if len(land[code]) <= (2 * DOT_RADIUS + 1) ** 2 * 3]
    for code in small:
        for other in land:
            if other != code and other not in small:
                land[other] -= land[code]

    os.makedirs(os.path.join(target, folder), exist_ok=True)
    palette = [SEA, OTHER_LAND, LAND, BORDER]
    rows = [bytearray(width) for _ in range(height)]
    for x, y in others:
        rows[y][x] = 1
    for inside in land.values():
        for x, y in inside:
            rows[y][x] = 2
    for x, y in borders:
        if rows[y][x]:
            rows[y][x] = 3
    write_png(os.path.join(target, folder, "back.png"), width, height, (palette, rows))

    ini = [
        "[Map]",
        "Region=" + description,
        "Description=" + description + " (Digital Chart of the World)",
        "",
        "[Coordinates]",
        "LongitudeStart=%g" % west,
        "LongitudeEnd=%g" % east,
        "LatitudeStart=%g" % north,
        "LatitudeEnd=%g" % south,
        "PixelWidth=%d" % width,
        "PixelHeight=%d" % height,
    ]
    names = {code: name for _, code, name in countries}
    for code in sorted(land):
        inside = land[code]
        if not inside:
            continue
        left = min(x for x, _ in inside)
        top = min(y for _, y in inside)
        right = max(x for x, _ in inside) + 1
        bottom = max(y for _, y in inside) + 1
        local = {(x - left, y - top) for x, y in inside}
        write_mask_gif(os.path.join(target, folder, code + ".gif"), right - left, bottom - top, local)
        ini += [
            "",
            "[Region_" + code + "]",
            # English name until the program's own country table names it.
            "Name=" + names[code],
            "PixelPosLeft=%d" % left,
            "PixelPosTop=%d" % top,
            "PixelWidth=%d" % (right - left),
            "PixelHeight=%d" % (bottom - top),
        ]
    with open(os.path.join(target, folder, "map.ini"), "w", encoding="utf-8") as out:
        out.write("\n".join(ini) + "\n")
    print("%s: %d x %d, %d countries" % (folder, width, height, len(land)))


def main():
    target = os.path.join(sys.argv[1] if len(sys.argv) > 1 else "resources/maps", "world")
    dataset = netCDF4.Dataset(os.path.join(DCW_DIR, "dcw-gmt.nc"))
    dataset.set_auto_maskandscale(False)
    countries = read_countries()
    for region in REGIONS:
        make_region(dataset, countries, region, target)


if __name__ == "__main__":
    main()
