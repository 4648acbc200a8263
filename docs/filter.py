#!/usr/bin/env python3
"""Doxygen input filter for the public headers.

The headers document themselves in plain // comments. This filter shows them to Doxygen
as documentation: the comment block that opens a header becomes the file's description,
comment lines before a declaration its description, and a comment after a member on the
same line that member's. Section rules ("// --- Name ---") stay plain comments. Every
declaration in the header's namespaces joins the group of its module folder
(docs/modules.dox).
Characters that Doxygen would read as commands or HTML in the prose are escaped; text in
`backticks` is left as it is.

    filter.py HEADER   (prints the filtered header)
"""
import os
import re
import sys

NAMESPACE = re.compile(r"^namespace [\w:]+ \{$")
NAMESPACE_END = re.compile(r"^\}\s*// namespace")
SECTION = re.compile(r"^\s*//\s*---")
LINE = re.compile(r"^(\s*)//(?!/)\s?(.*)$")
TRAILING = re.compile(r"^(.*[;,])(\s*)//(?!/)\s?(.*)$")
# Outside code spans: what would be a command, an entity or a tag.
SPECIAL = re.compile(r"([\\@&<>#%$]|::)")


def escape(text):
    parts = text.split("`")
    for i in range(0, len(parts), 2):
        parts[i] = SPECIAL.sub(r"\\\1", parts[i])
    return "`".join(parts)


def module_of(path):
    parts = os.path.normpath(path).split(os.sep)
    if "src" in parts:
        index = len(parts) - 1 - parts[::-1].index("src")
        if index + 2 < len(parts):
            return parts[index + 1]
    return None


def main():
    path = sys.argv[1]
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    module = module_of(path)
    out = []
    state = "start"  # start -> header (the opening block) -> body
    for line in lines:
        if state == "start" and line.strip() == "#pragma once":
            out.append(line)
            state = "expect-header"
            continue
        m = LINE.match(line)
        if state == "expect-header":
            if m and not SECTION.match(line):
                out.append("/// @file")
                if module:
                    out.append(f"/// @ingroup {module}")
                out.append("/// " + escape(m.group(2)))
                state = "header"
                continue
            if line.strip():
                state = "body"
        elif state == "header":
            if m and not SECTION.match(line):
                out.append("/// " + escape(m.group(2)))
                continue
            out.append("")
            state = "body"
        if state == "body" or state == "start":
            if module and NAMESPACE_END.match(line):
                out.append("/** @} */")
            if module and NAMESPACE.match(line):
                out.append(line)
                out.append(f"/** @addtogroup {module}\n@{{ */")
            elif SECTION.match(line):
                out.append(line)
            elif m:
                out.append(f"{m.group(1)}/// {escape(m.group(2))}")
            else:
                t = TRAILING.match(line)
                if t and t.group(1).count('"') % 2 == 0:
                    out.append(f"{t.group(1)}{t.group(2)}///< {escape(t.group(3))}")
                else:
                    out.append(line)
            continue
        out.append(line)
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()
