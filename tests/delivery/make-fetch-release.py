#!/usr/bin/env python3
"""Publishes a point release of a real program for the fetch test.

    make-fetch-release.py PROGRAM OUTDIR

OUTDIR/old/<name> is PROGRAM as version 50.0.0; OUTDIR/new/<name> is it with
three small edits and 1 KB inserted, as 50.0.1; OUTDIR/web holds what
publish-release.py serves for it and OUTDIR/answer.xml its answer, with
@URL@ for the provider's address.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PUBLISH = os.path.join(HERE, '..', '..', 'tools', 'provider', 'publish-release.py')


def main(program, out):
    name = os.path.basename(program)
    shutil.rmtree(out, ignore_errors=True)
    for folder in ('old', 'new', 'web'):
        os.makedirs(os.path.join(out, folder))
    old = open(program, 'rb').read()
    new = bytearray(old)
    for at in (len(new) // 5, len(new) // 2, len(new) * 4 // 5):
        new[at] ^= 0x5A
    new[len(new) // 3:len(new) // 3] = bytes((i * 7) & 0xFF for i in range(1024))
    shutil.copy(program, os.path.join(out, 'old', name))
    with open(os.path.join(out, 'new', name), 'wb') as f:
        f.write(new)
    template = os.path.join(out, 'template.xml')
    with open(template, 'w') as f:
        f.write('<config><entity name="tools"><file name="%s" url="@URL@/files/%s" version="50.0.1"/>'
                '</entity></config>' % (name, name))
    answer = subprocess.run([sys.executable, PUBLISH, template, '--files', os.path.join(out, 'new'),
                             '--out', os.path.join(out, 'web'), '--earlier', '50.0.0=' + os.path.join(out, 'old')],
                            check=True, stdout=subprocess.PIPE).stdout
    with open(os.path.join(out, 'answer.xml'), 'wb') as f:
        f.write(answer)
    offered = sorted(os.listdir(os.path.join(out, 'web')))
    if offered != sorted([name, name + '.gz', name + '.from-50.0.0.patch']):
        sys.exit('make-fetch-release: expected a gzip form and a patch, got %s' % offered)


if __name__ == '__main__':
    main(*sys.argv[1:])
