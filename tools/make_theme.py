#!/usr/bin/env python3
"""Makes the launcher's built-in copy of GTK's default theme from the GTK it is
built against: the theme's style sheet with only the rules that can apply to
the launcher's own windows (the launcher, its message boxes and the menu of a
message's selectable text), with the radio button's bullet pre-rendered as PNG
at 1x, 2x and 3x, so that no SVG loader is needed.

A selector stays when it names only CSS nodes from NODES (or none) and no
style class from OTHERS; one that names any other node or such a class
cannot match a widget of ours, so leaving it out changes nothing we show. A
rule stays with the selectors it keeps, in its place; every at-rule (colours,
keyframes) stays.

Usage: make_theme.py LIBGTK OUTPUT_DIR
Writes OUTPUT_DIR/theme/{gtk.css,bullet@*.png} and OUTPUT_DIR/theme.gresource.xml.
The style sheet and images are GTK's (LGPL-2.1-or-later), see THIRD-PARTY.md.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

THEME = "/org/gtk/libgtk/theme/Adwaita"
# What GTK's own gtk.css of the theme imports; ours stands in for that gtk.css
# (see StartGtk in backends/gtk/gtk_window.cpp).
STYLE_SHEET = THEME + "/gtk-contained.css"
# Where the pre-rendered images go.
IMAGES = "/kivora/theme"
SCALES = (1, 2, 3)

# The CSS nodes of the launcher's widgets (window, label, radio button,
# button, image), of a message box (with the title bar GTK draws itself where
# the window manager does not, as on Wayland) and of the menu of its
# selectable text.
NODES = {
    "window", "decoration", "label", "selection", "radiobutton", "radio", "button", "image",
    "messagedialog", "box", "headerbar", "title", "separator",
    "menu", "menuitem", "arrow", "accelerator",
}
# Style classes that only other widgets carry, or that only a program sets on
# its own widgets (the launcher sets none), or that only a dialog with its
# buttons in a header bar gets (a message box has them below its text).
OTHERS = {
    "app-notification", "circular", "content-view", "destructive-action", "devel", "emoji", "emoji-completion",
    "emoji-picker", "emoji-section", "entry-tag", "gtkstyle-fallback", "icon-dropshadow", "inline-toolbar",
    "insertion-cursor", "keycap", "linked", "location-bar", "lowres-icon", "magnifier", "menubar",
    "needs-attention", "osd", "path-bar", "primary-toolbar", "rubberband", "scale-popup", "selection-menu",
    "selection-mode", "sidebar", "sidebar-button", "slider-button", "stack-switcher", "suggested-action", "tile",
    "touch-selection", "view",
}


def gresource_extract(library, path):
    return subprocess.run(["gresource", "extract", library, path], check=True, capture_output=True).stdout


def statements(css):
    """The top-level statements: (prelude, block) pairs, and at-rules ending
    in ';' as (text, None)."""
    css = re.sub(r"/\*.*?\*/", "", css, flags=re.S)
    out, depth, start, i = [], 0, 0, 0
    while i < len(css):
        c = css[i]
        if c == '"' or c == "'":
            i = css.index(c, i + 1)
        elif c == "{":
            if depth == 0:
                prelude, open_at = css[start:i].strip(), i
            depth += 1
        elif c == "}":
            depth -= 1
            if depth == 0:
                out.append((prelude, css[open_at:i + 1]))
                start = i + 1
        elif c == ";" and depth == 0:
            out.append((css[start:i + 1].strip(), None))
            start = i + 1
        i += 1
    if css[start:].strip():
        raise SystemExit("make_theme: the style sheet ends inside a statement")
    return out


def split_selectors(prelude):
    """The selectors of a rule: its prelude split at commas outside brackets."""
    parts, depth, start = [], 0, 0
    for i, c in enumerate(prelude):
        depth += c == "("
        depth -= c == ")"
        if c == "," and depth == 0:
            parts.append(prelude[start:i].strip())
            start = i + 1
    parts.append(prelude[start:].strip())
    return parts


def can_match(selector):
    """Whether a selector can match a node of ours, by the node names and style
    classes it asks for (not those inside :not())."""
    selector = re.sub(r":not\([^()]*\)", "", selector)
    selector = re.sub(r"\([^()]*\)", "", selector)
    names = set()
    for compound in re.split(r"[\s>+~]+", selector.strip()):
        m = re.match(r"[A-Za-z][\w-]*", compound)
        if m:
            names.add(m.group(0))
    return names <= NODES and not set(re.findall(r"\.([\w-]+)", selector)) & OTHERS


def reduce(css):
    kept = []
    for prelude, block in statements(css):
        if prelude.startswith("@"):
            kept.append(prelude if block is None else prelude + " " + block)
            continue
        selectors = [s for s in split_selectors(prelude) if can_match(s)]
        if selectors:
            kept.append(", ".join(selectors) + " " + block)
    return "\n".join(kept) + "\n"


# GTK's theme draws the radio button's bullet from an SVG, recoloured to the
# radio's colour, and falls back to a pre-rendered PNG of 1x only. Ours is
# PNG at every scale: GTK's own rendering of that SVG (gtk-encode-symbolic-svg)
# at 2x and 3x, recoloured as GTK recolours it; at 1x GTK 3 draws a
# -gtk-scaled() image without resolving its colours (the first image stays
# as parsed), so 1x is the same pixels already in the radio's colour, which
# the theme gives one value for every state but insensitive (the launcher's
# radios never are).
BULLET = ('image(-gtk-recolor(url("assets/bullet-symbolic.svg")), '
          '-gtk-recolor(url("assets/bullet-symbolic.symbolic.png")))')


def read_png(data):
    """Width, height and RGBA rows of an 8-bit RGBA PNG."""
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            if (depth, colour) != (8, 6):
                raise SystemExit("make_theme: not an 8-bit RGBA PNG")
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + n
    raw, stride, rows, prev = zlib.decompress(idat), 4 * width, [], bytearray(4 * width)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            p = a + b - c
            paeth = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 0xFF
        rows.append(line)
        prev = line
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def radio_colour(css):
    """The colour of a checked radio in every state but insensitive."""
    colours = set()
    for prelude, block in statements(css):
        for selector in split_selectors(prelude):
            if re.fullmatch(r"radio:checked(:[\w-]+)*", selector) and ":disabled" not in selector:
                colours.update(re.findall(r"(?<![\w-])color: ([^;]+);", block))
    if len(colours) != 1 or not re.fullmatch(r"#[0-9a-f]{6}", next(iter(colours))):
        raise SystemExit(f"make_theme: a checked radio's colour is not one #rrggbb: {colours}")
    value = next(iter(colours))
    return tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))


def pre_render_bullet(css, library, out):
    if css.count(BULLET) != 1:
        raise SystemExit("make_theme: the radio button's bullet is not drawn as expected")
    with tempfile.TemporaryDirectory() as tmp:
        svg = os.path.join(tmp, "bullet-symbolic.svg")
        with open(svg, "wb") as f:
            f.write(gresource_extract(library, f"{THEME}/assets/bullet-symbolic.svg"))
        side = int(re.search(rb'\swidth="(\d+)"', open(svg, "rb").read()).group(1))
        for scale in SCALES:
            subprocess.run(["gtk-encode-symbolic-svg", "-o", tmp, svg, f"{side * scale}x{side * scale}"],
                           check=True, capture_output=True)
            os.replace(os.path.join(tmp, "bullet-symbolic.symbolic.png"),
                       os.path.join(out, "theme", f"bullet@{scale}.symbolic.png"))
    # The encoding keeps the shape in the alpha channel, and the parts in
    # another colour than the foreground in red, green and blue; the bullet
    # has none.
    width, height, rows = read_png(open(os.path.join(out, "theme", "bullet@1.symbolic.png"), "rb").read())
    if any(row[i] or row[i + 1] or row[i + 2] for row in rows for i in range(0, len(row), 4)):
        raise SystemExit("make_theme: the bullet is not in the foreground colour alone")
    r, g, b = radio_colour(css)
    for row in rows:
        for i in range(0, len(row), 4):
            row[i:i + 3] = bytes((r, g, b))
    write_png(os.path.join(out, "theme", "bullet@1.png"), width, height, rows)
    images = [f'url("resource://{IMAGES}/bullet@1.png")'] + [
        f'-gtk-recolor(url("resource://{IMAGES}/bullet@{s}.symbolic.png"))' for s in SCALES[1:]]
    return css.replace(BULLET, f"-gtk-scaled({', '.join(images)})"), ["bullet@1.png"] + [
        f"bullet@{s}.symbolic.png" for s in SCALES[1:]]


def main():
    library, out = sys.argv[1], sys.argv[2]
    os.makedirs(os.path.join(out, "theme"), exist_ok=True)
    css = reduce(gresource_extract(library, STYLE_SHEET).decode("utf-8"))
    css, images = pre_render_bullet(css, library, out)
    with open(os.path.join(out, "theme", "gtk.css"), "w") as f:
        f.write("/* GTK's Adwaita theme (LGPL-2.1-or-later), reduced to the rules the launcher's windows can use"
                " by tools/make_theme.py. */\n" + css)
    files = [f'  <gresource prefix="{THEME}">\n    <file alias="gtk.css">theme/gtk.css</file>\n  </gresource>',
             f'  <gresource prefix="{IMAGES}">'] + [
        f'    <file alias="{name}">theme/{name}</file>' for name in images] + ["  </gresource>"]
    with open(os.path.join(out, "theme.gresource.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<gresources>\n' + "\n".join(files) + "\n</gresources>\n")


if __name__ == "__main__":
    main()
