#!/usr/bin/python3
"""Prints how a window presents itself to the desktop, a line each: its
class (instance and class), caption, _NET_WM_PID (every item it holds) and
WM_CLIENT_MACHINE, and how its icon pixmap compares with a picture, pixel
for pixel.

usage: identity.py WINDOW ICON.ppm   (WINDOW as xdotool gives it; the
       picture a binary PPM of the icon the window should carry)

Only the icon's opaque pixels count, those its mask shows, if it has one.
The display must be 24-bit in 32-bit pixels, as the window tests' Xvfb is.
"""
import sys

from Xlib import X, Xatom, Xutil, display


def read_ppm(path):
    """The width, height and RGB bytes of a binary PPM with 8-bit samples."""
    with open(path, "rb") as f:
        data = f.read()
    magic, width, height, maxval, pixels = data.split(maxsplit=4)
    if magic != b"P6" or maxval != b"255":
        sys.exit(f"{path}: not a binary PPM with 8-bit samples")
    return int(width), int(height), pixels


def mask_bits(d, mask, width, height):
    """Whether each pixel of a width x height mask bitmap is set, row by row;
    every pixel is when there is no mask."""
    if not mask:
        return [True] * (width * height)
    data = mask.get_image(0, 0, width, height, X.ZPixmap, 1).data
    pad = {f.depth: f.scanline_pad for f in d.display.info.pixmap_formats}[1]
    stride = (width + pad - 1) // pad * pad // 8
    lsb = d.display.info.bitmap_format_bit_order == X.LSBFirst
    return [bool(data[y * stride + x // 8] & (1 << (x % 8 if lsb else 7 - x % 8)))
            for y in range(height) for x in range(width)]


def icon_differences(d, pixmap, mask, expected):
    """The size of the icon pixmap, how many of its pixels are opaque, and
    how many of those differ from the expected picture (all when the sizes
    differ)."""
    width, height, rgb = expected
    geometry = pixmap.get_geometry()
    bits = {f.depth: f.bits_per_pixel for f in d.display.info.pixmap_formats}
    if geometry.depth != 24 or bits[24] != 32 or d.display.info.image_byte_order != X.LSBFirst:
        sys.exit(f"icon of depth {geometry.depth}: only 24-bit icons in 32-bit pixels are compared")
    size = f"{geometry.width}x{geometry.height}"
    if (geometry.width, geometry.height) != (width, height):
        return size, geometry.width * geometry.height, width * height
    data = pixmap.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data
    opaque = [p for p, shown in enumerate(mask_bits(d, mask, width, height)) if shown]
    differ = sum(1 for p in opaque
                 if (data[4 * p + 2], data[4 * p + 1], data[4 * p]) != tuple(rgb[3 * p:3 * p + 3]))
    return size, len(opaque), differ


def main():
    d = display.Display()
    window = d.create_resource_object("window", int(sys.argv[1]))
    wm_class = window.get_wm_class() or ("", "")
    pid = window.get_full_property(d.intern_atom("_NET_WM_PID"), Xatom.CARDINAL)
    machine = window.get_full_property(Xatom.WM_CLIENT_MACHINE, Xatom.STRING)
    print(f"class: {wm_class[0]} {wm_class[1]}")
    print(f"name: {window.get_wm_name()}")
    print(f"pid: {' '.join(str(item) for item in pid.value) if pid else 'none'}")
    print(f"machine: {machine.value.decode() if machine else 'none'}")

    hints = window.get_wm_hints()
    if not hints or not hints.flags & Xutil.IconPixmapHint:
        print("icon: none")
    else:
        mask = hints.icon_mask if hints.flags & Xutil.IconMaskHint and hints.icon_mask.id else None
        size, opaque, differ = icon_differences(d, hints.icon_pixmap, mask, read_ppm(sys.argv[2]))
        print(f"icon: {size}, {opaque} opaque pixels, {differ} differ")


main()
