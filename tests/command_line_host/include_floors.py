#!/usr/bin/env python3
"""The folders of itemlookup/ are the floors of one house. A file includes headers from its own
folder or from the floors below it, never from a floor above, nor from the other folder of its
own floor: so each floor can be read, tested and changed knowing only what lies beneath it.

Usage: include_floors.py ITEMLOOKUP_DIR   names every include that runs back up, exits 1 if any
       include_floors.py --self-test      proves the check finds planted back-arrows
"""

import pathlib
import re
import sys
import tempfile

# Top to bottom; folders on one line share a floor. "" is itemlookup/ itself, where main.cpp is.
FLOORS = [
    [""],  # main(): the process, and what ends it
    ["command"],  # the command line, help, where things are installed, the choice of connection
    ["batch", "check"],  # the subcommands beyond a single lookup
    ["report"],  # results as a person or a JSON reader reads them, and the output
    ["lookup"],  # requests, the module calls, their results, and retrying them
    ["connection"],  # the ODBC connection, the engine behind it, the demo database
    ["errors_and_text"],  # the error that stops a run, text encoding, printable text
    ["platform"],  # the system seam, one file per system: it knows nothing of the rest
]

SOURCE_SUFFIXES = {".cpp", ".hpp", ".h", ".in"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def floor_of(folder):
    for level, folders in enumerate(FLOORS):
        if folder in folders:
            return level
    return None


def back_arrows(root):
    """Each problem as 'path:line: what', in file order."""
    root = pathlib.Path(root)
    problems = []
    for folders in FLOORS:
        for folder in folders:
            if not (root / folder).is_dir():
                problems.append(f"{root / folder}: a floor's folder that does not exist")
    folders = {path.name for path in root.iterdir() if path.is_dir()}
    for folder in sorted(folders):
        if floor_of(folder) is None:
            problems.append(f"{root / folder}: a folder on no floor (add it to FLOORS)")
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        relative = path.relative_to(root)
        own = relative.parts[0] if len(relative.parts) > 1 else ""
        own_floor = floor_of(own)
        if own_floor is None:
            continue  # named above
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            header = match.group(1)
            parts = header.split("/")
            if len(parts) > 1 and parts[0] in folders:
                target = parts[0]
            elif len(parts) == 1 and (root / header).is_file():
                target = ""
            else:
                continue  # from outside itemlookup/: the modules' interface, the build layout
            target_floor = floor_of(target)
            if target == own or (target_floor is not None and target_floor > own_floor):
                continue
            where = f"{path}:{number}"
            if target_floor == own_floor:
                problems.append(f"{where}: {own} includes {header}, beside it on the same floor")
            elif target_floor is not None:
                problems.append(f"{where}: {own or 'main'} includes {header}, from a floor above")
    return problems


def self_test():
    """A clean house passes; each kind of plant is named, and nothing else is."""
    with tempfile.TemporaryDirectory() as work:
        root = pathlib.Path(work)
        below = None
        for folders in reversed(FLOORS):
            for folder in filter(None, folders):
                (root / folder).mkdir()
                include = f'#include "{below}"\n' if below else ""
                (root / folder / "piece.hpp").write_text(include)
            below = f"{folders[0]}/piece.hpp" if folders[0] else None
        (root / "main.cpp").write_text('#include "command/piece.hpp"\n#include "item_lookup.h"\n')
        failures = []
        if back_arrows(root):
            failures.append(f"a clean house reads as {back_arrows(root)}")
        # Each plant, and the problem it must raise (after the tree's own path).
        plants = [
            ("lookup/up.cpp", '#include "report/piece.hpp"\n',
             "lookup/up.cpp:1: lookup includes report/piece.hpp, from a floor above"),
            ("batch/beside.cpp", '#include "check/piece.hpp"\n',
             "batch/beside.cpp:1: batch includes check/piece.hpp, beside it on the same floor"),
            ("errors_and_text/far_up.hpp", "  #  include <command/piece.hpp>\n",
             "errors_and_text/far_up.hpp:1: errors_and_text includes command/piece.hpp, "
             "from a floor above"),
            ("command/top.cpp", '#include "main.cpp"\n',
             "command/top.cpp:1: command includes main.cpp, from a floor above"),
            ("attic/piece.hpp", "", "attic: a folder on no floor (add it to FLOORS)"),
        ]
        for plant, text, _ in plants:
            (root / plant).parent.mkdir(exist_ok=True)
            (root / plant).write_text(text)
        expected = sorted(f"{root}/{problem}" for _, _, problem in plants)
        found = sorted(back_arrows(root))
        if found != expected:
            failures.append(f"the plants read as {found}, not {expected}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


def main(arguments):
    if arguments == ["--self-test"]:
        return self_test()
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    problems = back_arrows(arguments[0])
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} include(s) run back up the stack of itemlookup/", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
