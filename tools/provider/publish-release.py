#!/usr/bin/env python3
"""Publishes a release: the files, their gzip forms and patches, and the answer.

    publish-release.py ANSWER.xml --files DIR --out WEBDIR [--earlier V=DIR ...]
                       [--key PRIVATE.pem --serial N --expires TIME]

For every file element of ANSWER.xml, DIR/<name> is the new file. It goes to
WEBDIR under the last part of its url's path, with beside it:
  - <url name>.gz: the file as one gzip member, offered (gz="N") when smaller
    than the file;
  - <url name>.from-V.patch: a patch from the newest earlier release that holds
    the file (--earlier V=DIR: DIR/<name> is version V of it), made with
    Debian's bsdiff and re-encoded; offered (patch-from="V" patch="N") only
    when smaller than what would be fetched otherwise.
The file element gets size and sha256 too. The answer goes to standard
output, signed by sign-answer.py when --key is given. An answer a dialler
could not read whole (over 2,046 bytes), a missing file or a failing bsdiff
is an error, and then nothing is written.

A patch is one gzip member holding "TOVDIFF1", the new size and the lengths
of the control, diff and extra blocks (unsigned 64-bit little-endian), the
control block of (add, copy, seek) triples (signed 64-bit little-endian),
the diff block and the extra block.
"""

import argparse
import bz2
import gzip
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from provider import load_signing_tool  # noqa: E402

signer = load_signing_tool()
MAX_ANSWER = signer.MAX_ANSWER
MAGIC = b'TOVDIFF1'
HEADER = struct.Struct('<8sQQQQ')
TRIPLE = struct.Struct('<qqq')


class PublishError(Exception):
    pass


def version_key(text):
    """Orders versions as the dialler does: three numbers."""
    parts = [int(p) if p.isdigit() else 0 for p in text.split('.') if p][:3]
    return tuple(parts + [0] * (3 - len(parts)))


def gzip_member(data):
    # mtime 0: the same input always gives the same bytes.
    return gzip.compress(data, compresslevel=9, mtime=0)


def bsdiff_number(raw):
    """bsdiff's sign-magnitude 64-bit little-endian number."""
    value = int.from_bytes(raw[:7] + bytes([raw[7] & 0x7F]), 'little')
    return -value if raw[7] & 0x80 else value


def from_bsdiff(patch):
    """(new size, triples, diff, extra) from a "BSDIFF40" patch."""
    if len(patch) < 32 or patch[:8] != b'BSDIFF40':
        raise PublishError('bsdiff wrote no BSDIFF40 patch')
    control_length, diff_length, new_size = (bsdiff_number(patch[i:i + 8]) for i in (8, 16, 24))
    if min(control_length, diff_length, new_size) < 0 or 32 + control_length + diff_length > len(patch):
        raise PublishError('the bsdiff patch has bad lengths')
    control = bz2.decompress(patch[32:32 + control_length])
    diff = bz2.decompress(patch[32 + control_length:32 + control_length + diff_length])
    extra = bz2.decompress(patch[32 + control_length + diff_length:])
    if len(control) % 24:
        raise PublishError('the bsdiff control block is not whole triples')
    triples = [tuple(bsdiff_number(control[i + j:i + j + 8]) for j in (0, 8, 16)) for i in range(0, len(control), 24)]
    return new_size, triples, diff, extra


def encode_patch(new_size, triples, diff, extra):
    control = b''.join(TRIPLE.pack(*t) for t in triples)
    return gzip_member(HEADER.pack(MAGIC, new_size, len(control), len(diff), len(extra)) + control + diff + extra)


def make_patch(old_path, new_path):
    """Our patch from old to new, through Debian's bsdiff."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, 'patch')
        run = subprocess.run(['bsdiff', old_path, new_path, out], capture_output=True)
        if run.returncode != 0:
            raise PublishError(f'bsdiff failed on {new_path}: {run.stderr.decode(errors="replace").strip()}')
        with open(out, 'rb') as f:
            return encode_patch(*from_bsdiff(f.read()))


def apply_patch(old, patch, expected_size):
    """The reference applier: the new file, or PublishError for any patch the
    dialler refuses."""
    try:
        content = gzip.decompress(patch)
    except (OSError, EOFError) as e:
        raise PublishError(f'not one gzip member: {e}')
    if len(content) < HEADER.size:
        raise PublishError('bad magic')
    magic, new_size, control_length, diff_length, extra_length = HEADER.unpack_from(content)
    if magic != MAGIC:
        raise PublishError('bad magic')
    if new_size != expected_size:
        raise PublishError('wrong size')
    if control_length % 24:
        raise PublishError('control block not whole triples')
    if HEADER.size + control_length + diff_length + extra_length != len(content):
        raise PublishError('block lengths do not fill the patch')
    at = HEADER.size
    control = content[at:at + control_length]
    diff = content[at + control_length:at + control_length + diff_length]
    extra = content[at + control_length + diff_length:]
    new = bytearray()
    old_pos = diff_pos = extra_pos = 0
    for add, copy, seek in TRIPLE.iter_unpack(control):
        if add < 0 or copy < 0:
            raise PublishError('negative length')
        if len(new) + add > new_size:
            raise PublishError('write past the new size')
        if diff_pos + add > len(diff):
            raise PublishError('read outside a block')
        if add and (old_pos < 0 or old_pos + add > len(old)):
            raise PublishError('read outside the old file')
        new += bytes((old[old_pos + i] + diff[diff_pos + i]) & 0xFF for i in range(add))
        old_pos, diff_pos = old_pos + add, diff_pos + add
        if len(new) + copy > new_size:
            raise PublishError('write past the new size')
        if extra_pos + copy > len(extra):
            raise PublishError('read outside a block')
        new += extra[extra_pos:extra_pos + copy]
        extra_pos += copy
        old_pos += seek
    if (len(new), diff_pos, extra_pos) != (new_size, len(diff), len(extra)):
        raise PublishError('not used up')
    return bytes(new)


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def without_attributes(tag, names):
    """The start tag without the named attributes (values are never searched)."""
    match = signer.START_TAG.fullmatch(tag)
    kept = [m.group(0) for m in signer.ATTRIBUTE.finditer(match.group(2)) if m.group(1) not in names]
    return b'<' + match.group(1) + b''.join(kept) + (b'/>' if match.group(3) else b'>')


def publish_file(tag, files, earlier, outputs):
    """The file element's new start tag; adds the file and its forms to
    outputs (served name: bytes)."""
    name = signer.attribute(tag, b'name')
    url = signer.attribute(tag, b'url')
    version = signer.attribute(tag, b'version') or b''
    if not name or not url:
        raise PublishError(f'a file element needs name and url: {tag.decode(errors="replace")}')
    name, url, version = os.fsdecode(name), url.decode(), version.decode()
    path = os.path.join(files, name)
    if os.path.basename(name) != name or not os.path.isfile(path):
        raise PublishError(f'no file for {name!r} in {files}')
    served = os.path.basename(urllib.parse.urlsplit(url).path)
    if not served:
        raise PublishError(f'the url of {name} names no file')
    data = read(path)
    outputs[served] = data

    tag = without_attributes(tag, (b'gz', b'patch-from', b'patch'))
    tag = signer.set_attribute(tag, b'size', str(len(data)).encode())
    tag = signer.set_attribute(tag, b'sha256', hashlib.sha256(data).hexdigest().encode())
    fetched = len(data)
    packed = gzip_member(data)
    if len(packed) < len(data):
        outputs[served + '.gz'] = packed
        tag = signer.set_attribute(tag, b'gz', str(len(packed)).encode())
        fetched = len(packed)

    # The newest earlier release holding the file: most customers have it.
    for old_version, folder in sorted(earlier, key=lambda e: version_key(e[0]), reverse=True):
        old_path = os.path.join(folder, name)
        if version_key(old_version) >= version_key(version) or not os.path.isfile(old_path):
            continue
        if read(old_path) == data:
            break
        patch = make_patch(old_path, path)
        if apply_patch(read(old_path), patch, len(data)) != data:
            raise PublishError(f'the patch for {name} from {old_version} does not rebuild it')
        if len(patch) < fetched:
            outputs[f'{served}.from-{old_version}.patch'] = patch
            tag = signer.set_attribute(tag, b'patch-from', old_version.encode())
            tag = signer.set_attribute(tag, b'patch', str(len(patch)).encode())
        break
    return tag


def publish(answer, files, earlier, outputs):
    """The unsigned answer with every file element filled in; the files to
    serve go into outputs."""
    body = signer.signed_part(answer)
    root_at = signer.skip_prolog(body)
    result = bytearray(body[:root_at])
    at = root_at
    for match in signer.START_TAG.finditer(body, root_at):
        result += body[at:match.start()]
        tag = match.group(0)
        result += publish_file(tag, files, earlier, outputs) if match.group(1) == b'file' else tag
        at = match.end()
    result += body[at:]
    if len(result) > MAX_ANSWER:
        raise PublishError(f'the answer has {len(result)} bytes; a dialler reads {MAX_ANSWER}')
    return bytes(result)


def earlier_release(text):
    version, sep, folder = text.partition('=')
    if not sep or not re.fullmatch(r'\d+\.\d+\.\d+', version) or not os.path.isdir(folder):
        raise argparse.ArgumentTypeError(f'{text!r} is not VERSION=DIR with an existing DIR')
    return version, folder


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('answer')
    parser.add_argument('--files', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('--earlier', action='append', default=[], type=earlier_release)
    parser.add_argument('--key')
    parser.add_argument('--serial', type=int)
    parser.add_argument('--expires')
    args = parser.parse_args(argv)
    if args.key and (args.serial is None or not args.expires):
        parser.error('--key needs --serial and --expires')
    outputs = {}
    try:
        answer = publish(read(args.answer), args.files, args.earlier, outputs)
        if args.key:
            answer = signer.sign(read(args.key), answer, args.files, args.serial, args.expires)
        # Only a complete release is written.
        os.makedirs(args.out, exist_ok=True)
        for served, data in outputs.items():
            with open(os.path.join(args.out, served), 'wb') as f:
                f.write(data)
    except (PublishError, signer.AnswerError, OSError, ValueError) as e:
        print(f'publish-release: {e}', file=sys.stderr)
        return 1
    sys.stdout.buffer.write(answer)
    return 0


if __name__ == '__main__':
    sys.exit(main())
