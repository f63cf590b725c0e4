"""Reads the window dumps that `xwd` writes (ZPixmap, 24 or 32 bits per pixel)
and writes them as PNG files for people to look at."""

import struct
import zlib

_HEADER_FIELDS = 25  # CARD32 fields of an XWD version 7 header
_Z_PIXMAP = 2
_COLOUR_ENTRY_BYTES = 12


class XwdImage:
    def __init__(self, data):
        fields = struct.unpack(">%dI" % _HEADER_FIELDS, data[:_HEADER_FIELDS * 4])
        (header_size, _version, pixmap_format, _depth, self.width, self.height,
         _xoffset, byte_order, _unit, _bit_order, _pad, bits_per_pixel,
         self.bytes_per_line, _visual_class, red_mask, green_mask, blue_mask,
         _bits_per_rgb, _entries, ncolors) = fields[:20]
        if pixmap_format != _Z_PIXMAP or bits_per_pixel not in (24, 32):
            raise ValueError("unsupported window dump: format %d, %d bits"
                             % (pixmap_format, bits_per_pixel))
        self._pixel_bytes = bits_per_pixel // 8
        self._little = byte_order == 0
        self._masks = (red_mask, green_mask, blue_mask)
        self._shifts = tuple((m & -m).bit_length() - 1 for m in self._masks)
        start = header_size + ncolors * _COLOUR_ENTRY_BYTES
        self._pixels = data[start:start + self.bytes_per_line * self.height]

    def pixel(self, x, y):
        """(red, green, blue) at column x, row y counted from the top."""
        at = y * self.bytes_per_line + x * self._pixel_bytes
        raw = self._pixels[at:at + self._pixel_bytes]
        value = int.from_bytes(raw, "little" if self._little else "big")
        return tuple((value & m) >> s for m, s in zip(self._masks, self._shifts))

    def write_png(self, path):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                rows.extend(self.pixel(x, y))

        def chunk(kind, body):
            crc = zlib.crc32(kind + body) & 0xFFFFFFFF
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b""))


def read_xwd(path):
    with open(path, "rb") as f:
        return XwdImage(f.read())
