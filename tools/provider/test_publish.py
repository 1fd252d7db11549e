"""Tests of publish-release.py, with Debian's bsdiff.

    python3 -m unittest tools/provider/test_publish.py
"""

import gzip
import hashlib
import importlib.util
import os
import random
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, 'publish-release.py')
SIGNING_TOOL = os.path.join(HERE, 'sign-answer.py')


def load_tool():
    found = importlib.util.spec_from_file_location('publish_release', TOOL)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def read(path):
    with open(path, 'rb') as f:
        return f.read()


ANSWER = ('<config>\n<entity name="programs">\n'
          '<file name="Tallyview.dll" url="http://host/files/Tallyview.dll" version="1.0.1" compressed="no"/>\n'
          '<file name="random.bin" url="http://host/files/random.bin" version="1.0.1" gz="1" patch="2"/>\n'
          '</entity>\n</config>\n')


class PublishTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tool = load_tool()
        cls.tmp = tempfile.TemporaryDirectory()
        rng = random.Random(5)
        # Code-like bytes; the new version has small edits and 1 KB inserted.
        cls.old = bytes(rng.choice(b'\x00\x48\x89\xe5\x8b\xc3') if rng.random() < .7 else rng.randrange(256)
                        for _ in range(60000))
        new = bytearray(cls.old)
        new[500:504] = b'\x90\x90\x90\x90'
        new[30000:30000] = bytes(rng.randrange(256) for _ in range(1024))
        new[50000] ^= 1
        cls.new = bytes(new)
        cls.noise = bytes(rng.randrange(256) for _ in range(3000))
        write(cls.path('old/Tallyview.dll'), cls.old)
        write(cls.path('new/Tallyview.dll'), cls.new)
        write(cls.path('new/random.bin'), cls.noise)
        write(cls.path('answer.xml'), ANSWER.encode())

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @classmethod
    def path(cls, rel):
        return os.path.join(cls.tmp.name, rel)

    def publish(self, out, *extra, answer='answer.xml'):
        return subprocess.run([sys.executable, TOOL, self.path(answer), '--files', self.path('new'),
                               '--out', self.path(out), '--earlier', '1.0.0=' + self.path('old'), *extra],
                              capture_output=True)

    def test_round_trip_patch_smaller_than_gz_and_answer_filled_in(self):
        run = self.publish('web')
        self.assertEqual(run.returncode, 0, run.stderr)
        web = self.path('web')
        patch = read(os.path.join(web, 'Tallyview.dll.from-1.0.0.patch'))
        packed = read(os.path.join(web, 'Tallyview.dll.gz'))
        self.assertEqual(read(os.path.join(web, 'Tallyview.dll')), self.new)
        self.assertEqual(gzip.decompress(packed), self.new)
        self.assertEqual(self.tool.apply_patch(self.old, patch, len(self.new)), self.new)
        self.assertLess(len(patch), 3000, 'three small edits and 1 KB inserted')
        tag = re.search(rb'<file name="Tallyview.dll"[^>]*>', run.stdout).group(0)
        for name, value in ((b'size', len(self.new)), (b'gz', len(packed)), (b'patch-from', '1.0.0'),
                            (b'patch', len(patch)), (b'sha256', hashlib.sha256(self.new).hexdigest()),
                            (b'compressed', 'no')):
            self.assertIn(b' ' + name + b'="' + str(value).encode() + b'"', tag)
        # Incompressible and without an earlier version: only the plain file,
        # and the stale gz and patch attributes are gone.
        tag = re.search(rb'<file name="random.bin"[^>]*>', run.stdout).group(0)
        self.assertNotRegex(tag, rb' (gz|patch|patch-from)=')
        self.assertEqual(sorted(os.listdir(web)),
                         ['Tallyview.dll', 'Tallyview.dll.from-1.0.0.patch', 'Tallyview.dll.gz', 'random.bin'])

    def test_signed_answer_verifies(self):
        keys = self.path('keys')
        subprocess.run([sys.executable, SIGNING_TOOL, 'keygen', keys], check=True)
        run = self.publish('signed', '--key', os.path.join(keys, 'private.pem'), '--serial', '4',
                           '--expires', '2030-01-01T00:00:00Z')
        self.assertEqual(run.returncode, 0, run.stderr)
        write(self.path('signed.xml'), run.stdout)
        self.assertIn(b'patch-from="1.0.0"', run.stdout)
        subprocess.run([sys.executable, SIGNING_TOOL, 'verify', os.path.join(keys, 'public.pem'),
                        self.path('signed.xml')], check=True)

    def test_answer_over_2046_bytes_fails_loudly_writing_nothing(self):
        long_answer = ANSWER.replace('<config>', '<config>' + '<x/>' * 430).encode()
        self.assertLess(len(long_answer), 2046, 'only the filled-in attributes take it over')
        write(self.path('long.xml'), long_answer)
        run = self.publish('long-web', answer='long.xml')
        self.assertEqual((run.returncode, run.stdout), (1, b''))
        self.assertIn(b'2046', run.stderr)
        self.assertFalse(os.path.exists(self.path('long-web')))

    def test_reference_applier_refuses_a_patch_for_another_size(self):
        patch = self.tool.make_patch(self.path('old/Tallyview.dll'), self.path('new/Tallyview.dll'))
        with self.assertRaises(self.tool.PublishError):
            self.tool.apply_patch(self.old, patch, len(self.new) + 1)


if __name__ == '__main__':
    unittest.main()
