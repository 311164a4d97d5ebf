#!/usr/bin/env python3
"""Checks that includes point down the folder order of src/.

base < wireless, records < survey < locate < net < services < ui < app; the
server stands apart on base, wireless, records, survey and net. A folder includes
only itself and the folders below it. Two files never include each other (a
header and its .cpp count as one file): such a pair is one concept split badly. Platform code lives in win32/ and
linux/ folders: portable code includes neither, and neither includes the other.
Nothing under src/ includes the tests' helpers (tests/support/: the loopback test
server and the like), so no program carries them.
Prints each include that breaks these rules as FILE:LINE and exits 1.

    check_includes.py [SRC]      (default: the src/ beside this tools/ folder)
"""

import os
import re
import sys

ORDER = ["base", "wireless", "records", "survey", "locate", "net", "services", "ui", "app"]
BELOW = {layer: set(ORDER[:ORDER.index(layer)]) for layer in ORDER}
BELOW["records"] = {"base"}  # beside wireless, not above it
BELOW["server"] = {"base", "wireless", "records", "survey", "net"}
PLATFORMS = ("win32", "linux")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def platform_of(parts):
    return next((p for p in parts if p in PLATFORMS), None)


def unit(name):
    """A source's unit: its path without the extension, header and .cpp as one."""
    return os.path.splitext(name)[0].replace(os.sep, "/")


def faults(src):
    includes = {}  # (unit, included unit) -> where
    for folder, _, names in sorted(os.walk(src)):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(folder, name))
            parts = os.path.relpath(os.path.join(folder, name), src).split(os.sep)
            if len(parts) < 2:
                continue
            layer, platform = parts[0], platform_of(parts[1:-1])
            if layer not in BELOW:
                yield f"{path}:1: the folder {layer}/ has no place in the include order"
                continue
            with open(path, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    header = match.group(1).split("/")
                    if header[0] == "support":
                        yield f"{path}:{number}: {match.group(1)} is a test helper"
                        continue
                    if len(header) < 2 or header[0] not in BELOW:
                        continue  # resource.h and the like, beside the sources
                    target, target_platform = header[0], platform_of(header[1:-1])
                    where = f"{path}:{number}: {'/'.join(parts[:-1])}/ includes {match.group(1)}"
                    pair = (unit("/".join(parts)), unit(match.group(1)))
                    if pair[0] != pair[1]:
                        includes.setdefault(pair, where)
                    if target != layer and target not in BELOW[layer]:
                        yield f"{where}, from a higher folder"
                    elif target_platform and target_platform != platform:
                        yield f"{where}, platform code outside {target_platform}/"
    for (including, included), where in sorted(includes.items()):
        if (included, including) in includes:
            yield f"{where}, which includes it back"


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "src")
    found = list(faults(src))
    for fault in found:
        print(fault)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
