#!/usr/bin/python3
"""Checks the DOM that Chromium dumped of an import report against the project's own files.

usage: check_page.py DOM PAGE.html PROJECT.CHP [--aborted] [N=FLAGS ...]

- one row per message of the CHP file's directory, numbered 1..N, and nothing else;
- every imported message's address and length as its "file<n>" key in the .zpf says, its
  duration as its entry in the .tbl says; N=FLAGS gives a message's expected flags (a
  message not named has none; with --aborted it may also have failed, and the page must
  say that the import was aborted, with messages imported before and failed after);
- the count of messages with warnings at the top matches the rows;
- every audio link resolves to an existing file beside the page;
- no element or attribute but the page's own: no script, no event handler, and the project
  name shows as the CHP file's text.
"""
import os
import re
import sys
import urllib.parse
from html.parser import HTMLParser

# The tags the report itself writes.
OWN_TAGS = {
    "html", "head", "meta", "title", "style", "body", "main", "header", "p", "h1", "h2", "div",
    "span", "dl", "dt", "dd", "time", "section", "svg", "rect", "g", "text", "path", "table",
    "thead", "tbody", "tr", "th", "td", "audio", "footer", "i",
}


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.elements = []  # (tag, attributes)
        self.h1 = ""
        self.note = ""
        self._in = None

    def handle_starttag(self, tag, attrs):
        self.elements.append((tag, dict(attrs)))
        self._in = tag if tag == "h1" or dict(attrs).get("id") == "note" else None

    def handle_endtag(self, tag):
        self._in = None

    def handle_data(self, data):
        if self._in == "h1":
            self.h1 += data
        elif self._in:
            self.note += data


def field(raw, at, size):
    text = raw[at:at + size].split(b"\0")[0]
    return text.decode("latin-1")


def main():
    dom_path, page_path, chp_path = sys.argv[1:4]
    aborted = "--aborted" in sys.argv[4:]
    expected_flags = dict(arg.split("=", 1) for arg in sys.argv[4:] if arg != "--aborted")
    errors = []
    page = Page()
    with open(dom_path, encoding="utf-8") as f:
        dom = f.read()
    page.feed(dom)

    raw = open(chp_path, "rb").read()
    name = field(raw, 76, 28)
    count = min(int.from_bytes(raw[142:144], "little"), (len(raw) - 144) // 16)
    base = os.path.splitext(chp_path)[0]
    zpf = open(base + ".zpf", encoding="latin-1", newline="").read()
    tbl = open(base + ".tbl", encoding="latin-1", newline="").read()

    for tag, attrs in page.elements:
        if tag not in OWN_TAGS:
            errors.append(f"an element <{tag}> the page does not write")
        if tag == "i" and not attrs.get("class", "").startswith("k-"):
            errors.append("an <i> element that is no legend key")
        for attr in attrs:
            if attr.startswith("on"):
                errors.append(f"an event handler {attr} on <{tag}>")
    if page.h1 != name:
        errors.append(f"the heading shows {page.h1!r}, not the project name {name!r}")

    rows = [a for t, a in page.elements if t == "tr" and "msg" in a.get("class", "").split()]
    numbers = [int(a["data-number"]) for a in rows]
    if numbers != list(range(1, count + 1)):
        errors.append(f"rows {numbers}, not 1..{count}")
    for a in rows:
        n = int(a["data-number"])
        flags = a.get("data-flags", "")
        if aborted and str(n) not in expected_flags and flags == "failed":
            pass
        elif flags != expected_flags.get(str(n), ""):
            errors.append(f"message {n}: flags {flags!r}, not {expected_flags.get(str(n), '')!r}")
        listed = re.search(rf"^file{n}=.* \[1(\d+) (\d+)\]\*\r?$", zpf, re.M | re.I)
        if "failed" in flags:
            if listed:
                errors.append(f"message {n}: failed, but the project file lists it")
            continue
        if not listed:
            errors.append(f"message {n}: imported, but the project file doesn't list it")
            continue
        start, end = int(listed.group(1)), int(listed.group(2))
        entry = re.search(rf"^WORD{n - 1:04d}\r\n\tDATA\t[0-9A-F]+\t;\[.*\]\[(\d+) msec\]", tbl, re.M)
        want = (str(start), str(end - start), entry.group(1) if entry else "?")
        got = (a.get("data-address"), a.get("data-length"), a.get("data-duration-ms"))
        if got != want:
            errors.append(f"message {n}: address, length, duration {got}, not {want}")

    warned = sum("warning" in a.get("data-flags", "").split() for a in rows)
    shown = re.search(r'id="warned"><span class="label">[^<]*</span><span class="[^"]*">(\d+)<', dom)
    if (int(shown.group(1)) if shown else 0) != warned:
        errors.append(f"the page counts {shown and shown.group(1)} messages with warnings, not {warned}")

    if aborted:
        flags = [a.get("data-flags") for a in rows]
        if "aborted" not in page.note:
            errors.append(f"the page does not say the import was aborted: {page.note!r}")
        if "failed" not in flags or flags[0] == "failed" or flags != sorted(flags, key=lambda f: f == "failed"):
            errors.append(f"not messages imported, then messages failed: {flags}")

    folder = os.path.dirname(os.path.abspath(page_path))
    audios = [a for t, a in page.elements if t == "audio"]
    imported = [a for a in rows if "failed" not in a.get("data-flags", "")]
    if len(audios) != len(imported):
        errors.append(f"{len(audios)} audio players for {len(imported)} imported messages")
    for a in audios:
        target = os.path.join(folder, urllib.parse.unquote(a.get("src", "")))
        if not os.path.isfile(target):
            errors.append(f"the audio link {a.get('src')!r} names no file")

    for e in errors:
        print(f"check_page: {os.path.basename(page_path)}: {e}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
