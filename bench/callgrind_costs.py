#!/usr/bin/env python3
"""Reads the callgrind dumps of bench/instruction_run and says, per lookup, what each part costs.

Each dump holds one batch of lookups (its trigger names it, "sqlite/VELDORIN/1/module"). For a
batch run through a module it gives, per lookup:
  own        instructions executed in the module's own code (VELDORIN.so or MARQUETH.so: the
             frame and the operation tables), self cost
  own+libc   the same plus the C library routines that code calls (memcpy, memset, memchr):
             the entry point's inclusive cost minus its calls into the driver manager (and so the
             driver and the engine) and into the PGMS modules
  converter  TARNIVEL calls per lookup, and instructions per call (inclusive)
  allocs     calls the module's own code makes to malloc, calloc, realloc or operator new
and for every batch the total instructions per lookup, which compares the ways with each other.

usage: callgrind_costs.py LOOKUPS_PER_BATCH OUTPUT_JSON DUMP...
"""
import json
import re
import sys
from collections import defaultdict

MODULE_OBJECTS = re.compile(r"/(VELDORIN|MARQUETH)\.so$")
HELPER_OBJECTS = re.compile(r"/(libc\.so\.6|ld-linux-x86-64\.so\.2)$")
CONVERTER_ENTRY = "TARNIVEL"
ALLOCATORS = re.compile(r"^(malloc|calloc|realloc|reallocarray|posix_memalign|aligned_alloc|"
                        r"memalign|valloc|strdup|strndup|operator new.*)$")
TRIGGER = re.compile(r"^desc: Trigger: Client Request: (\S+)")


class Names:
    """Callgrind's name compression: "(id) name" defines, "(id)" refers."""

    def __init__(self):
        self.by_id = {}

    def read(self, value):
        match = re.match(r"\((\d+)\)\s*(.*)$", value)
        if not match:
            return value
        number, name = match.groups()
        if name:
            self.by_id[number] = name
        return self.by_id.get(number, value)


def cost_of(line):
    # "<position> <Ir>": with one event and line positions, the last field is the cost.
    fields = line.split()
    return int(fields[-1]) if len(fields) >= 2 else 0


def read_dump(path):
    objects, functions = Names(), Names()
    batch = None
    totals = defaultdict(int)
    calls_to = defaultdict(int)
    ob = fn = None
    callee_ob = callee_fn = None
    pending_calls = None
    with open(path, encoding="utf-8", errors="replace") as dump:
        for raw in dump:
            line = raw.rstrip("\n")
            trigger = TRIGGER.match(line)
            if trigger:
                batch = trigger.group(1)
                continue
            if line.startswith("summary:"):
                totals["total"] = int(line.split()[1])
                continue
            key, _, value = line.partition("=")
            if key == "ob":
                ob = objects.read(value)
            elif key == "fn":
                fn = functions.read(value)
            elif key == "cob":
                callee_ob = objects.read(value)
            elif key == "cfn":
                callee_fn = functions.read(value)
            elif key == "calls":
                pending_calls = int(value.split()[0])
            elif line[:1].isdigit() or line[:1] in "+-*":
                cost = cost_of(line)
                in_module = bool(ob and MODULE_OBJECTS.search(ob))
                in_converter = bool(ob and ob.endswith("/TARNIVEL.so"))
                if pending_calls is None:
                    if in_module:
                        totals["own"] += cost
                    if in_converter:
                        totals["converter"] += cost
                    continue
                target_ob = callee_ob or ob
                calls_to[callee_fn] += pending_calls
                if in_module:
                    if HELPER_OBJECTS.search(target_ob):
                        totals["module_libc"] += cost
                    if callee_fn and ALLOCATORS.match(callee_fn):
                        totals["module_allocations"] += pending_calls
                if in_converter and target_ob != ob:
                    totals["converter"] += cost
                pending_calls = callee_ob = callee_fn = None
    totals["converter_calls"] = calls_to.get(CONVERTER_ENTRY, 0)
    return batch, totals


def per_lookup(batch, totals, lookups):
    row = {"batch": batch, "total": totals["total"] / lookups}
    if batch.endswith("/module"):
        calls = totals["converter_calls"]
        row.update({
            "own": totals["own"] / lookups,
            "own_and_libc": (totals["own"] + totals["module_libc"]) / lookups,
            "converter_calls": calls / lookups,
            "converter_per_call": totals["converter"] / calls if calls else 0.0,
            "allocations": totals["module_allocations"] / lookups,
        })
    return row


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    lookups = int(argv[1])
    rows = []
    for path in argv[3:]:
        batch, totals = read_dump(path)
        if batch:
            rows.append(per_lookup(batch, totals, lookups))
    rows.sort(key=lambda row: row["batch"])
    if not rows:
        sys.exit("callgrind_costs.py: no dump of a lookup batch among the files given")
    with open(argv[2], "w", encoding="utf-8") as out:
        json.dump({"lookups_per_batch": lookups, "batches": rows}, out, indent=2)


if __name__ == "__main__":
    main(sys.argv)
