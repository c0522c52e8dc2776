#!/usr/bin/env python3
"""The installed manual holds together: every link and picture of every page
leads to a file of the manual (and to an anchor that exists), every page can
be reached from index.html, and every picture has a text for screen readers.

    manual_links.py MANUAL_DIR
"""
import sys
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import unquote, urlsplit


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.ids, self.problems = [], set(), []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        if tag == "a" and "href" in a:
            self.links.append(a["href"])
        if tag in ("img", "link") and ("src" in a or "href" in a):
            self.links.append(a.get("src") or a.get("href"))
        if tag == "img" and not a.get("alt"):
            self.problems.append("a picture without alt text: %s" % a.get("src"))


def main():
    root = Path(sys.argv[1])
    pages = {}
    for path in sorted(root.glob("*.html")):
        page = Page()
        page.feed(path.read_text(encoding="utf-8"))
        pages[path.name] = page
    problems = []
    if "index.html" not in pages:
        problems.append("no index.html")
    for name, page in pages.items():
        problems += ["%s: %s" % (name, p) for p in page.problems]
        for link in page.links:
            parts = urlsplit(link)
            if parts.scheme or parts.netloc:
                problems.append("%s: a link that leaves the manual: %s" % (name, link))
                continue
            target = unquote(parts.path) or name
            if not (root / target).is_file():
                problems.append("%s: %s does not exist" % (name, link))
            elif parts.fragment and target in pages and parts.fragment not in pages[target].ids:
                problems.append("%s: %s has no anchor #%s" % (name, target, parts.fragment))
    seen, todo = set(), ["index.html"]
    while todo:
        name = todo.pop()
        if name in seen or name not in pages:
            continue
        seen.add(name)
        todo += [unquote(urlsplit(l).path) for l in pages[name].links if urlsplit(l).path.endswith(".html")]
    for name in sorted(set(pages) - seen):
        problems.append("%s cannot be reached from index.html" % name)
    for p in problems:
        print("FAIL:", p, file=sys.stderr)
    if problems:
        return 1
    print("%d pages, every link leads somewhere" % len(pages))
    return 0


if __name__ == "__main__":
    sys.exit(main())
