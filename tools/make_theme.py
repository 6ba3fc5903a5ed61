#!/usr/bin/env python3
"""Makes the launcher's built-in copy of GTK's default theme from the GTK it is
built against: the theme's style sheet with only the rules that can apply to
the launcher's own windows (the launcher, its message boxes and the menu of a
message's selectable text).

A selector stays when it names only CSS nodes from NODES (or none) and no
style class from OTHERS; one that names any other node or such a class
cannot match a widget of ours, so leaving it out changes nothing we show. A
rule stays with the selectors it keeps, in its place; every at-rule (colours,
keyframes) stays.

Usage: make_theme.py LIBGTK OUTPUT_DIR
Writes OUTPUT_DIR/theme/gtk.css and OUTPUT_DIR/theme.gresource.xml.
The style sheet is GTK's (LGPL-2.1-or-later), see THIRD-PARTY.md.
"""
import os
import re
import subprocess
import sys

THEME = "/org/gtk/libgtk/theme/Adwaita"
# What GTK's own gtk.css of the theme imports; ours stands in for that gtk.css
# (see StartGtk in backends/gtk/gtk_window.cpp).
STYLE_SHEET = THEME + "/gtk-contained.css"

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


def main():
    library, out = sys.argv[1], sys.argv[2]
    os.makedirs(os.path.join(out, "theme"), exist_ok=True)
    css = reduce(gresource_extract(library, STYLE_SHEET).decode("utf-8"))
    with open(os.path.join(out, "theme", "gtk.css"), "w") as f:
        f.write("/* GTK's Adwaita theme (LGPL-2.1-or-later), reduced to the rules the launcher's windows can use"
                " by tools/make_theme.py. */\n" + css)
    files = [f'  <gresource prefix="{THEME}">\n    <file alias="gtk.css">theme/gtk.css</file>\n  </gresource>',
]
    with open(os.path.join(out, "theme.gresource.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<gresources>\n' + "\n".join(files) + "\n</gresources>\n")


if __name__ == "__main__":
    main()
