#!/usr/bin/env python3
"""Publishes the releases the release test installs, from the built programs.

    make-releases.py BINDIR OUTDIR

OUTDIR/base/files holds the five programs of BINDIR as built, and
OUTDIR/base.version their version. r1 and r2 are the
two releases after it (every program's version raised by one, then by two),
and bad is r1's Tovrin.exe with its import of Praxel.dll renamed to a
library nobody has, with r1's Praxel.dll. OUTDIR/lacking holds Tovrin.exe
and Tallyview.dll without their main dialog template, for the start-up
check's test. For each release NAME,
OUTDIR/NAME/files holds its programs, OUTDIR/web/NAME what publish-release.py
serves for it, OUTDIR/NAME.xml its answer (@URL@ for the provider's address,
files under @URL@/files/NAME/) and OUTDIR/NAME.version its version.
"""
import importlib.util
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, '..', '..', 'tools')
PUBLISH = os.path.join(TOOLS, 'provider', 'publish-release.py')
RAISE = os.path.join(TOOLS, 'demo', 'raise-version.py')
PROGRAMS = ['Tovrin.exe', 'Praxel.dll', 'Utils.dll', 'Tallyview.dll', 'switcher.exe']
MISSING = b'Absent.dll'
RT_DIALOG = 5
MAIN_DIALOG = 129        # IDD_DIALLER
STATISTICS_DIALOG = 102  # IDD_STATISTICS
found = importlib.util.spec_from_file_location('raise_version', RAISE)
raise_version = importlib.util.module_from_spec(found)
found.loader.exec_module(raise_version)


def raise_all(source, target):
    os.makedirs(target)
    versions = {subprocess.run([sys.executable, RAISE, os.path.join(source, name), os.path.join(target, name)],
                               check=True, stdout=subprocess.PIPE, text=True).stdout.strip()
                for name in PROGRAMS}
    if len(versions) != 1:
        sys.exit(f'make-releases: the programs carry different versions {sorted(versions)}')
    return versions.pop()


class Image:
    """A program's bytes and where its sections and directories are."""

    def __init__(self, path):
        self.path = path
        self.data = bytearray(open(path, 'rb').read())
        pe = struct.unpack_from('<I', self.data, 0x3C)[0]
        sections = struct.unpack_from('<H', self.data, pe + 6)[0]
        optional_size = struct.unpack_from('<H', self.data, pe + 20)[0]
        optional = pe + 24
        self.directories = optional + (112 if struct.unpack_from('<H', self.data, optional)[0] == 0x20B else 96)
        self.sections = [struct.unpack_from('<IIII', self.data, optional + optional_size + 40 * i + 8)
                         for i in range(sections)]

    def directory(self, index):
        """File offset of data directory index."""
        return self.offset(struct.unpack_from('<I', self.data, self.directories + 8 * index)[0])

    def offset(self, rva):
        for size, address, _, raw in self.sections:
            if address <= rva < address + max(size, 1):
                return rva - address + raw
        sys.exit(f'make-releases: RVA {rva:#x} is in no section of {self.path}')

    def save(self, path):
        open(path, 'wb').write(self.data)


def rename_import(image, old, new):
    """Renames the library an import descriptor names."""
    at = image.directory(1)
    while struct.unpack_from('<I', image.data, at + 12)[0]:
        name_at = image.offset(struct.unpack_from('<I', image.data, at + 12)[0])
        name = bytes(image.data[name_at:image.data.index(b'\0', name_at)])
        if name.lower() == old.lower():
            image.data[name_at:name_at + len(new)] = new
            return
        at += 20
    sys.exit(f'make-releases: {image.path} imports no {old.decode()}')


def hide_resource(image, kind, number):
    """Gives a resource an id nothing asks for, so it is not found."""
    root = image.directory(2)

    def entries(directory):
        named, numbered = struct.unpack_from('<HH', image.data, directory + 12)
        return [directory + 16 + 8 * i for i in range(named + numbered)]

    for entry in entries(root):
        name, target = struct.unpack_from('<II', image.data, entry)
        if name == kind and target & 0x80000000:
            for inner in entries(root + (target & 0x7FFFFFFF)):
                if struct.unpack_from('<I', image.data, inner)[0] == number:
                    struct.pack_into('<I', image.data, inner, 0x7FFF)
                    return
    sys.exit(f'make-releases: {image.path} has no resource {kind}/{number}')


def file_version(path):
    """major.minor.revision of a program's fixed version block."""
    data = open(path, 'rb').read()
    at = raise_version.find_fixed_info(data)
    if at < 0:
        sys.exit(f'make-releases: {path} has no version resource')
    ms, ls = struct.unpack_from('<II', data, at + 8)
    return f'{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}'


def publish(out, name, files, version, earlier):
    """earlier: (version, folder) of the releases before, for the patches."""
    template = os.path.join(out, name + '.template')
    with open(template, 'w') as f:
        f.write('<config><entity name="package">')
        for program in sorted(os.listdir(files)):
            f.write(f'<file name="{program}" url="@URL@/files/{name}/{program}" version="{version}"/>')
        f.write('</entity></config>')
    answer = subprocess.run([sys.executable, PUBLISH, template, '--files', files, '--out',
                             os.path.join(out, 'web', name)] +
                            [f'--earlier={v}={folder}' for v, folder in earlier],
                            check=True, stdout=subprocess.PIPE).stdout
    open(os.path.join(out, name + '.xml'), 'wb').write(answer)
    open(os.path.join(out, name + '.version'), 'w').write(version)


def main(bindir, out):
    shutil.rmtree(out, ignore_errors=True)
    base = os.path.join(out, 'base', 'files')
    os.makedirs(base)
    for program in PROGRAMS:
        shutil.copy(os.path.join(bindir, program), base)
    r1 = os.path.join(out, 'r1', 'files')
    r2 = os.path.join(out, 'r2', 'files')
    bad = os.path.join(out, 'bad', 'files')
    v0 = file_version(os.path.join(base, 'Tovrin.exe'))
    open(os.path.join(out, 'base.version'), 'w').write(v0)
    v1 = raise_all(base, r1)
    v2 = raise_all(r1, r2)
    os.makedirs(bad)
    for program in ('Tovrin.exe', 'Praxel.dll'):
        shutil.copy(os.path.join(r1, program), bad)
    dialler = Image(os.path.join(bad, 'Tovrin.exe'))
    rename_import(dialler, b'Praxel.dll', MISSING)
    dialler.save(dialler.path)
    lacking = os.path.join(out, 'lacking')
    os.makedirs(lacking)
    for program, dialog in (('Tovrin.exe', MAIN_DIALOG), ('Tallyview.dll', STATISTICS_DIALOG)):
        image = Image(os.path.join(base, program))
        hide_resource(image, RT_DIALOG, dialog)
        image.save(os.path.join(lacking, program))
    publish(out, 'r1', r1, v1, [(v0, base)])
    publish(out, 'r2', r2, v2, [(v0, base), (v1, r1)])
    publish(out, 'bad', bad, v1, [(v0, base)])


if __name__ == '__main__':
    main(*sys.argv[1:])
