#!/usr/bin/env python3
"""The link check reports exactly the broken links planted in planted/, and passes the good ones
beside them (a folder, a heading holding code, a repeated heading, a URL, links in code)."""
import pathlib
import subprocess
import sys
import unittest

HERE = pathlib.Path(__file__).resolve().parent

EXPECTED = """\
README.md:7: docs/missing.md: no such file
README.md:7: docs/guide.md#nowhere: no such heading in docs/guide.md
README.md:8: docs/notes.txt#top: a heading named in a file that is not Markdown
README.md:8: ../check_links.py: outside the source tree
README.md:10: docs/gone.md: no such file
README.md:18: docs/also-missing.md: no such file
docs/guide.md:7: ../README.md#links-that-do-not: no such heading in README.md
"""


class PlantedLinks(unittest.TestCase):
    def test_reports_each_broken_link_and_no_other(self):
        run = subprocess.run([sys.executable, HERE / "check_links.py", HERE / "planted"],
                             capture_output=True, text=True)
        self.assertEqual(run.stdout, EXPECTED)
        self.assertEqual(run.stderr, "7 of 13 links broken\n")
        self.assertEqual(run.returncode, 1)


if __name__ == "__main__":
    unittest.main()
