#!/usr/bin/env python3
"""Checks the relative links of README.md and docs/ under a source tree.

Each link that is not a URL must name a file or folder inside the tree and, when it names a
heading (#anchor), a heading of that Markdown file as GitHub spells its anchors. Links inside
code are not links. Prints each broken link as FILE:LINE: TARGET: WHY and exits 1 when there is
one.

Usage: check_links.py SOURCE_DIR
"""
import functools
import pathlib
import re
import sys
import urllib.parse

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+)(.+?)\1", re.S)
# [text](target) or [text](target "title"), images too; the text may run over lines.
INLINE_LINK = re.compile(r"!?\[([^\]]*)\]\(\s*(<[^>]*>|[^)\s]*)(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)", re.M)
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
URL = re.compile(r"^([a-zA-Z][a-zA-Z0-9+.-]*:|//)")


def without_fences(text):
    """The text with fenced code blocks blanked, line breaks kept."""
    lines, fence = [], None
    for line in text.split("\n"):
        opening = FENCE.match(line)
        if fence is None and opening:
            fence = opening.group(1)
            lines.append("")
        elif fence is not None:
            if line.strip().startswith(fence[0] * len(fence)) and not line.strip().strip(fence[0]):
                fence = None
            lines.append("")
        else:
            lines.append(line)
    return "\n".join(lines)


def without_code(text):
    """The text with fenced blocks and code spans blanked, line breaks kept."""
    return CODE_SPAN.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), without_fences(text))


def anchor(heading, seen):
    """GitHub's anchor of a heading: its text in lower case, links and markup dropped, every
    character but letters, digits, '_', '-' and spaces dropped, spaces made '-'; a repeated
    anchor gets -1, -2, ..."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = re.sub(r"[^\w\- ]", "", text.lower().replace("`", "").replace("*", ""))
    slug = text.replace(" ", "-")
    count = seen.get(slug, 0)
    seen[slug] = count + 1
    return slug if count == 0 else f"{slug}-{count}"


@functools.cache
def anchors_of(path):
    seen, found = {}, set()
    for line in without_fences(path.read_text(encoding="utf-8")).split("\n"):
        match = HEADING.match(line)
        if match:
            found.add(anchor(match.group(2), seen))
    return found


def links_of(text):
    """(line number, target) of every link outside code."""
    plain = without_code(text)
    for pattern, group in ((INLINE_LINK, 2), (REFERENCE, 1)):
        for match in pattern.finditer(plain):
            line = plain.count("\n", 0, match.start(group)) + 1
            yield line, match.group(group).strip("<>")


def problem(root, document, target):
    """Why a link of `document` to `target` does not resolve, or None."""
    if URL.match(target):
        return None
    path_part, _, fragment = target.partition("#")
    path = urllib.parse.unquote(path_part)
    named = (document.parent / path).resolve() if path else document
    if root != named and root not in named.parents:
        return "outside the source tree"
    if not named.exists():
        return "no such file"
    if not fragment:
        return None
    if named.suffix != ".md":
        return "a heading named in a file that is not Markdown"
    if urllib.parse.unquote(fragment) not in anchors_of(named):
        return f"no such heading in {named.relative_to(root)}"
    return None


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1]).resolve()
    documents = [root / "README.md"] + sorted((root / "docs").rglob("*.md"))
    broken = checked = 0
    for document in documents:
        for line, target in links_of(document.read_text(encoding="utf-8")):
            checked += 1
            why = problem(root, document, target)
            if why:
                broken += 1
                print(f"{document.relative_to(root)}:{line}: {target}: {why}")
    if broken:
        print(f"{broken} of {checked} links broken", file=sys.stderr)
        return 1
    print(f"{checked} links in {len(documents)} files resolve")
    return 0


if __name__ == "__main__":
    sys.exit(main())
