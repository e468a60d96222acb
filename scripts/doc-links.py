#!/usr/bin/python3
"""doc-links.py ROOT: every relative link in the Markdown files under ROOT
names a file under ROOT, and a #fragment names a heading of the Markdown file
it points into. Prints each link that does not, as FILE:LINE: TARGET (why),
and exits 1 when there is one, 0 otherwise. Links with a scheme (https:,
mailto:) are left alone: a folder that is shipped alone is checked for what it
holds."""
import pathlib
import re
import sys

LINK = re.compile(r"\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


def anchors(path):
    """The fragments the headings of a Markdown file answer to, numbered as a
    renderer numbers repeated headings (name, name-1, ...)."""
    seen = {}
    names = set()
    in_code = False
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("```"):
            in_code = not in_code
        match = None if in_code else HEADING.match(line)
        if not match:
            continue
        name = re.sub(r"[^\w\- ]", "", match.group(1).lower()).replace(" ", "-")
        count = seen.get(name, 0)
        seen[name] = count + 1
        names.add(name if count == 0 else f"{name}-{count}")
    return names


def broken_links(root):
    for doc in sorted(root.rglob("*.md")):
        in_code = False
        for number, line in enumerate(doc.read_text(encoding="utf-8").splitlines(), 1):
            if line.startswith("```"):
                in_code = not in_code
            if in_code:
                continue
            for target in LINK.findall(line):
                if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
                    continue
                path, _, fragment = target.partition("#")
                where = (doc.parent / path).resolve() if path else doc.resolve()
                name = f"{doc.relative_to(root)}:{number}: {target}"
                if not where.is_relative_to(root.resolve()) or not where.is_file():
                    yield f"{name} (no such file in {root})"
                elif fragment and where.suffix == ".md" and fragment not in anchors(where):
                    yield f"{name} (no such heading)"


def main():
    if len(sys.argv) != 2 or not pathlib.Path(sys.argv[1]).is_dir():
        print("usage: doc-links.py ROOT (a folder)", file=sys.stderr)
        return 2
    broken = list(broken_links(pathlib.Path(sys.argv[1])))
    for line in broken:
        print(line)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
