"""The layer rule of the product folders, read from every #include "..." of their files.

platform/rtl includes nothing of ours; platform/win and platform/net include only rtl;
imagelib includes platform; engine includes platform and imagelib; commandbars includes
platform and imagelib (its pictures serve as glyphs; what a header is used for is not read
here); app includes everything. Nothing includes upward, and no product file includes tests,
tools or anything else outside the product folders.

Run from this folder with `python3 -m unittest -q test_layers`.
"""

import os
import re
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

PLATFORM = ('platform/rtl', 'platform/win', 'platform/net')

# Each product layer and the layers its files may include, its own among them.
ALLOWED = {
    'platform/rtl': ('platform/rtl',),
    'platform/win': ('platform/rtl', 'platform/win'),
    'platform/net': ('platform/rtl', 'platform/net'),
    'imagelib': PLATFORM + ('imagelib',),
    'engine': PLATFORM + ('imagelib', 'engine'),
    'commandbars': PLATFORM + ('imagelib', 'commandbars'),
    'app': PLATFORM + ('imagelib', 'engine', 'commandbars', 'app'),
}

SOURCE_ENDINGS = ('.h', '.hpp', '.c', '.cc', '.cpp', '.inc')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    """The product layer of a path relative to the root ('a/b.h'), or None."""
    best = None
    for layer in ALLOWED:
        if path == layer or path.startswith(layer + '/'):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def resolve(root, including, name):
    """The root-relative path an include names, or None when it is not a file of the tree.

    Our includes are written from the root; a name found beside the including file is taken
    from there first, as the compiler does.
    """
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    for candidate in (beside, os.path.normpath(name)):
        if candidate.startswith('..') or os.path.isabs(candidate):
            continue
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate.replace(os.sep, '/')
    return None


def product_files(root):
    for layer in sorted(ALLOWED):
        top = os.path.join(root, layer)
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, '/')


def check_file(root, path):
    """The broken edges of one product file: (path, line, text) each."""
    layer = layer_of(path)
    problems = []
    with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = resolve(root, path, m.group(1))
            if target is None:
                continue  # a library's header (or a generated one): not ours
            target_layer = layer_of(target)
            if target_layer is None:
                problems.append((path, number, '%s includes "%s", which is outside the product folders'
                                 % (layer, m.group(1))))
            elif target_layer not in ALLOWED[layer]:
                problems.append((path, number, '%s may not include %s: "%s"' % (layer, target_layer, m.group(1))))
    return problems


def check_tree(root):
    problems = []
    for path in product_files(root):
        problems.extend(check_file(root, path))
    return problems


def describe(problems):
    return '\n'.join('%s:%d: %s' % p for p in problems)


class Tree:
    """A scratch tree of product files, written as {path: text}."""

    def __init__(self, files):
        self.dir = tempfile.TemporaryDirectory()
        for path, text in files.items():
            full = os.path.join(self.dir.name, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, 'w', encoding='utf-8') as f:
                f.write(text)

    def __enter__(self):
        return self.dir.name

    def __exit__(self, *exc):
        self.dir.cleanup()


# One header in every layer, so that any include between them resolves.
BASE = {layer + '/Base.h': '#pragma once\n' for layer in ALLOWED}
BASE['commandbars/painters/Painter.h'] = '#pragma once\n'
BASE['tests/support/Helper.h'] = '#pragma once\n'


def with_file(path, text):
    files = dict(BASE)
    files[path] = text
    return files


class CheckerTest(unittest.TestCase):
    def problems_of(self, path, text):
        with Tree(with_file(path, text)) as root:
            return check_tree(root)

    def test_every_allowed_edge_passes(self):
        files = dict(BASE)
        for layer, allowed in ALLOWED.items():
            files[layer + '/User.cpp'] = ''.join('#include "%s/Base.h"\n' % a for a in allowed)
        with Tree(files) as root:
            self.assertEqual(check_tree(root), [])

    def test_an_upward_include_is_named_with_its_file_and_line(self):
        problems = self.problems_of('platform/rtl/Strings.cpp',
                                    '#include "platform/rtl/Base.h"\n\n#include "platform/win/Base.h"\n')
        self.assertEqual(len(problems), 1)
        path, line, text = problems[0]
        self.assertEqual((path, line), ('platform/rtl/Strings.cpp', 3))
        self.assertIn('platform/rtl may not include platform/win', text)

    def test_every_edge_the_list_does_not_allow_is_refused(self):
        for layer, allowed in ALLOWED.items():
            for other in ALLOWED:
                if other in allowed:
                    continue
                with self.subTest(layer=layer, includes=other):
                    problems = self.problems_of(layer + '/User.cpp', '#include "%s/Base.h"\n' % other)
                    self.assertEqual([(p, n) for p, n, _ in problems], [(layer + '/User.cpp', 1)])

    def test_win_and_net_do_not_include_each_other(self):
        self.assertEqual(len(self.problems_of('platform/net/Http.cpp', '#include "platform/win/Base.h"\n')), 1)
        self.assertEqual(len(self.problems_of('platform/win/Files.cpp', '#include "platform/net/Base.h"\n')), 1)

    def test_a_subfolder_belongs_to_its_layer(self):
        self.assertEqual(self.problems_of('commandbars/painters/Flat.cpp', '#include "imagelib/Base.h"\n'), [])
        self.assertEqual(len(self.problems_of('imagelib/bmc/Codec.cpp', '#include "engine/Base.h"\n')), 1)
        self.assertEqual(len(self.problems_of('engine/Task.cpp', '#include "commandbars/painters/Painter.h"\n')), 1)

    def test_an_include_beside_the_file_is_judged_by_where_it_lands(self):
        files = with_file('imagelib/bmc/Codec.cpp', '#include "Codec.h"\n#include "../../engine/Base.h"\n')
        files['imagelib/bmc/Codec.h'] = '#pragma once\n'
        with Tree(files) as root:
            self.assertEqual([(p, n) for p, n, _ in check_tree(root)], [('imagelib/bmc/Codec.cpp', 2)])

    def test_tests_and_other_folders_are_outside_the_product(self):
        problems = self.problems_of('app/Main.cpp', '#include "tests/support/Helper.h"\n')
        self.assertEqual(len(problems), 1)
        self.assertIn('outside the product folders', problems[0][2])

    def test_library_headers_and_commented_includes_are_passed_over(self):
        text = ('#include <windows.h>\n#include "jpeglib.h"\n// #include "engine/Base.h"\n'
                '  #  include "platform/rtl/Base.h"\n')
        self.assertEqual(self.problems_of('platform/rtl/Jpeg.cpp', text), [])

    def test_an_indented_or_spaced_include_is_still_read(self):
        problems = self.problems_of('platform/rtl/Odd.cpp', '#ifdef X\n  #  include "app/Base.h"\n#endif\n')
        self.assertEqual([(p, n) for p, n, _ in problems], [('platform/rtl/Odd.cpp', 2)])

    def test_the_report_names_file_and_line(self):
        self.assertEqual(describe([('engine/A.cpp', 7, 'engine may not include app: "app/Base.h"')]),
                         'engine/A.cpp:7: engine may not include app: "app/Base.h"')


class ProductTreeTest(unittest.TestCase):
    def test_product_folders_keep_the_layers(self):
        self.assertTrue(any(True for _ in product_files(ROOT)), 'no product file found under ' + ROOT)
        problems = check_tree(ROOT)
        if problems:
            self.fail('includes against the layer rule:\n' + describe(problems))


if __name__ == '__main__':
    unittest.main()
