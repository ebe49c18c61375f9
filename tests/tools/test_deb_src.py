"""tools/deb-src.sh: deb-src entries follow the machine's own package sources."""
import os
import pathlib
import subprocess
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "tools" / "deb-src.sh"


def derive(files):
    """Runs the script over an apt folder holding `files` (relative name -> text)."""
    with tempfile.TemporaryDirectory() as etc:
        os.makedirs(os.path.join(etc, "sources.list.d"))
        for name, text in files.items():
            with open(os.path.join(etc, name), "w", encoding="utf-8") as f:
                f.write(text)
        out = subprocess.run(["bash", str(SCRIPT), etc], check=True, capture_output=True, text=True)
        return out.stdout


def stanzas(text):
    """The deb822 stanzas of `text` as dicts of field -> value."""
    result = []
    for block in text.strip().split("\n\n"):
        if not block.strip():
            continue
        fields = {}
        for line in block.splitlines():
            key, _, value = line.partition(":")
            fields[key.strip()] = value.strip()
        result.append(fields)
    return result


DEB822 = """Types: deb
# a comment inside the stanza
URIs: http://mirror.example.org/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.example.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
"""


class DebSrcTest(unittest.TestCase):
    def test_deb822_stanzas_are_copied_with_their_mirror(self):
        got = stanzas(derive({"sources.list.d/debian.sources": DEB822}))
        self.assertEqual(len(got), 2)
        self.assertEqual({s["Types"] for s in got}, {"deb-src"})
        self.assertEqual([s["URIs"] for s in got],
                         ["http://mirror.example.org/debian", "http://mirror.example.org/debian-security"])
        self.assertEqual(got[0]["Suites"], "bookworm bookworm-updates")
        self.assertEqual(got[0]["Components"], "main contrib")
        self.assertEqual(got[1]["Signed-By"], "/usr/share/keyrings/debian-archive-keyring.gpg")

    def test_one_line_entries_keep_options_and_components(self):
        text = ("# deb http://commented.example.com/debian bookworm main\n"
                "deb [arch=amd64 signed-by=/etc/apt/keyrings/m.gpg] http://other.example.net/debian bookworm main non-free\n"
                "deb-src http://other.example.net/debian bookworm main\n"
                "deb http://other.example.net/debian-security bookworm-security main\n")
        got = stanzas(derive({"sources.list": text}))
        self.assertEqual(len(got), 2)
        self.assertEqual(got[0], {"Types": "deb-src", "URIs": "http://other.example.net/debian",
                                  "Suites": "bookworm", "Components": "main non-free",
                                  "Signed-By": "/etc/apt/keyrings/m.gpg", "Architectures": "amd64"})
        self.assertEqual(got[1]["Suites"], "bookworm-security")
        self.assertNotIn("Signed-By", got[1])

    def test_only_binary_enabled_entries_count_and_files_do_not_run_together(self):
        files = {
            # A file without a trailing blank line, followed by one of source entries only.
            "sources.list.d/a.sources": "Types: deb\nURIs: http://a.example.org/debian\nSuites: bookworm\nComponents: main",
            "sources.list.d/b.sources": "Types: deb-src\nURIs: http://b.example.org/debian\nSuites: bookworm\n",
            "sources.list.d/c.sources": ("Types: deb deb-src\nURIs: http://c.example.org/debian\nSuites: bookworm\n"
                                         "Enabled: no\n"),
            "sources.list.d/d.list": "deb http://d.example.org/debian bookworm main\n",
        }
        got = stanzas(derive(files))
        self.assertEqual([s["URIs"] for s in got], ["http://a.example.org/debian", "http://d.example.org/debian"])

    def test_no_binary_source_gives_nothing(self):
        self.assertEqual(derive({"sources.list": "# nothing here\n"}), "")
        self.assertEqual(derive({}), "")


if __name__ == "__main__":
    unittest.main()
