#!/usr/bin/env python3
"""Signs the provider's update answers for diallers built with its key.

    sign-answer.py keygen DIR
        Writes DIR/private.pem and DIR/public.pem, a new ECDSA P-256 pair.
        Build the dialler with -DTOVRIN_UPDATE_KEY=DIR/public.pem; keep
        private.pem off the web server.
    sign-answer.py sign KEY ANSWER.xml --files DIR --serial N --expires TIME [--action WORD]
        Fills in each file element's sha256 from DIR/<name>, stamps the root
        with serial="N", expires="TIME" (YYYY-MM-DDTHH:MM:SSZ, UTC) and
        action="WORD" (default update: the request the answer is for), and
        writes the signed answer to standard output. Raise N with every new
        answer: a dialler ignores an answer older than the newest it has seen,
        or older than the lowest serial it was built with (--min-serial).
    sign-answer.py verify PUBLIC.pem ANSWER
        Exit status 0 when the answer's signature is good.
    sign-answer.py c-header PUBLIC.pem
        The key as the C++ header the build compiles in.

A signed answer is the answer up to and including the '>' that closes its
root element, then a line with
    <!--tovrin-signature:ecdsa-p256-sha256:BASE64-->
where BASE64 holds r and s (32 bytes each) of the signature over those bytes.
Diallers without a key stop reading at the root's end and never see it.
"""

import argparse
import base64
import hashlib
import os
import re
import sys

from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature, encode_dss_signature

# The dialler reads at most this many bytes of an answer.
MAX_ANSWER = 2046
SIGNATURE_OPEN = b'<!--tovrin-signature:ecdsa-p256-sha256:'
SIGNATURE_CLOSE = b'-->'
STAMP = re.compile(rb'\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z')
# The dialler takes an action word of at most 30 bytes.
ACTION = re.compile(r'[A-Za-z0-9_.-]{1,30}')
NAME = rb'[A-Za-z_:][-A-Za-z0-9_.:]*'
ATTRIBUTE = re.compile(rb'\s+(' + NAME + rb')\s*=\s*("[^"]*"|\'[^\']*\')')
START_TAG = re.compile(rb'<(' + NAME + rb')((?:\s+' + NAME + rb'\s*=\s*(?:"[^"]*"|\'[^\']*\'))*)\s*(/?)>')


class AnswerError(Exception):
    pass


def skip_prolog(data):
    """Offset of the root's start tag: past the declaration, comments,
    processing instructions and blanks."""
    at = 0
    while True:
        while at < len(data) and data[at:at + 1].isspace():
            at += 1
        for opener, closer in ((b'<?', b'?>'), (b'<!--', b'-->')):
            if data.startswith(opener, at):
                end = data.find(closer, at)
                if end < 0:
                    raise AnswerError('unterminated declaration or comment before the root')
                at = end + len(closer)
                break
        else:
            if not data.startswith(b'<', at) or data.startswith(b'<!', at):
                raise AnswerError('no root element')
            return at


def root_end(data, root_at, root_name, self_closing):
    """Offset just past the '>' that closes the root element."""
    start = START_TAG.match(data, root_at)
    if self_closing:
        return start.end()
    depth = 0
    pattern = re.compile(rb'<(/?)(' + NAME + rb')[^>]*?(/?)>|<!--.*?-->|<\?.*?\?>', re.S)
    at = start.end()
    for match in pattern.finditer(data, at):
        if match.group(2) != root_name:
            continue
        if match.group(1):
            if depth == 0:
                return match.end()
            depth -= 1
        elif not match.group(3):
            depth += 1
    raise AnswerError('the root element is not closed')


def set_attribute(tag, name, value):
    """The start tag with name="value" replaced or added before its end."""
    match = START_TAG.fullmatch(tag)
    attributes = [(m.group(1), m.group(2)) for m in ATTRIBUTE.finditer(match.group(2))]
    attributes = [(n, v) for n, v in attributes if n != name] + [(name, b'"' + value + b'"')]
    text = b'<' + match.group(1) + b''.join(b' ' + n + b'=' + v for n, v in attributes)
    return text + (b'/>' if match.group(3) else b'>')


def attribute(tag, name):
    for m in ATTRIBUTE.finditer(START_TAG.fullmatch(tag).group(2)):
        if m.group(1) == name:
            return m.group(2)[1:-1]
    return None


def signed_part(data):
    """The bytes a signature covers: prolog and root, nothing after."""
    root_at = skip_prolog(data)
    start = START_TAG.match(data, root_at)
    if not start:
        raise AnswerError('the root element\'s start tag cannot be read')
    return data[:root_end(data, root_at, start.group(1), bool(start.group(3)))]


def stamp(data, files_dir, serial, expires, action):
    """The answer's signed part with serial, expires, action (unless None)
    and file digests set."""
    data = signed_part(data)
    root_at = skip_prolog(data)
    out = bytearray(data[:root_at])
    first = True
    at = root_at
    for match in START_TAG.finditer(data, root_at):
        out += data[at:match.start()]
        tag = match.group(0)
        if first:
            tag = set_attribute(tag, b'serial', str(serial).encode())
            tag = set_attribute(tag, b'expires', expires.encode())
            if action is not None:
                tag = set_attribute(tag, b'action', action.encode())
            first = False
        elif match.group(1) == b'file':
            name = attribute(tag, b'name')
            path = os.path.join(files_dir, os.fsdecode(name or b''))
            if not name or os.path.basename(path) != os.fsdecode(name) or not os.path.isfile(path):
                raise AnswerError(f'no file for {name!r} in {files_dir}')
            with open(path, 'rb') as f:
                tag = set_attribute(tag, b'sha256', hashlib.sha256(f.read()).hexdigest().encode())
        out += tag
        at = match.end()
    out += data[at:]
    return bytes(out)


def sign(private_pem, data, files_dir, serial, expires, action='update'):
    """The signed answer, or AnswerError. For the tests' forgeries, serial
    may also be a text of digits, stamped as given (a dialler reads at most
    ten), and action None stamps none: answers no keyed dialler takes."""
    if isinstance(serial, str):
        if not serial.isascii() or not serial.isdigit():
            raise AnswerError('the serial text must be digits')
    elif not 0 <= serial <= 0xFFFFFFFF:
        raise AnswerError('the serial must be between 0 and 4294967295')
    if not STAMP.fullmatch(expires.encode()):
        raise AnswerError('expires must look like 2027-01-31T23:59:59Z')
    if action is not None and not ACTION.fullmatch(action):
        raise AnswerError('the action must be 1 to 30 letters, digits, "_", "." or "-"')
    body = stamp(data, files_dir, serial, expires, action)
    key = serialization.load_pem_private_key(private_pem, password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != 'secp256r1':
        raise AnswerError('the key is not an ECDSA P-256 private key')
    r, s = decode_dss_signature(key.sign(body, ec.ECDSA(hashes.SHA256())))
    signature = base64.b64encode(r.to_bytes(32, 'big') + s.to_bytes(32, 'big'))
    signed = body + b'\n' + SIGNATURE_OPEN + signature + SIGNATURE_CLOSE + b'\n'
    if len(signed) > MAX_ANSWER:
        raise AnswerError(f'the signed answer has {len(signed)} bytes; a dialler reads {MAX_ANSWER}')
    return signed


def verify(public_pem, data):
    start = data.find(SIGNATURE_OPEN)
    end = data.find(SIGNATURE_CLOSE, start + 1)
    if start < 0 or end < 0:
        return False
    try:
        raw = base64.b64decode(data[start + len(SIGNATURE_OPEN):end], validate=True)
    except ValueError:
        return False
    if len(raw) != 64:
        return False
    key = serialization.load_pem_public_key(public_pem)
    try:
        key.verify(encode_dss_signature(int.from_bytes(raw[:32], 'big'), int.from_bytes(raw[32:], 'big')),
                   data[:start].rstrip(), ec.ECDSA(hashes.SHA256()))
    except InvalidSignature:
        return False
    return True


def c_header(public_pem):
    key = serialization.load_pem_public_key(public_pem)
    if not isinstance(key, ec.EllipticCurvePublicKey) or key.curve.name != 'secp256r1':
        raise AnswerError('the key is not an ECDSA P-256 public key')
    numbers = key.public_numbers()
    # BCRYPT_ECCKEY_BLOB: magic "ECS1", key length 32, then X and Y.
    blob = (0x31534345).to_bytes(4, 'little') + (32).to_bytes(4, 'little')
    blob += numbers.x.to_bytes(32, 'big') + numbers.y.to_bytes(32, 'big')
    rows = [', '.join(f'0x{b:02x}' for b in blob[i:i + 12]) for i in range(0, len(blob), 12)]
    return ('#pragma once\n// Generated by tools/provider/sign-answer.py from the update key.\n'
            'static const unsigned char kUpdateKeyBlob[] = {\n    ' + ',\n    '.join(rows) + '};\n')


def keygen(folder):
    os.makedirs(folder, exist_ok=True)
    private_path = os.path.join(folder, 'private.pem')
    key = ec.generate_private_key(ec.SECP256R1())
    private = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                serialization.NoEncryption())
    try:
        fd = os.open(private_path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    except FileExistsError:
        raise AnswerError(f'{private_path} exists; not replacing a key')
    with os.fdopen(fd, 'wb') as f:
        f.write(private)
    with open(os.path.join(folder, 'public.pem'), 'wb') as f:
        f.write(key.public_key().public_bytes(serialization.Encoding.PEM,
                                              serialization.PublicFormat.SubjectPublicKeyInfo))


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest='command', required=True)
    commands.add_parser('keygen').add_argument('dir')
    signing = commands.add_parser('sign')
    signing.add_argument('key')
    signing.add_argument('answer')
    signing.add_argument('--files', required=True)
    signing.add_argument('--serial', required=True, type=int)
    signing.add_argument('--expires', required=True)
    signing.add_argument('--action', default='update')
    checking = commands.add_parser('verify')
    checking.add_argument('public')
    checking.add_argument('answer')
    commands.add_parser('c-header').add_argument('public')
    args = parser.parse_args(argv)
    try:
        if args.command == 'keygen':
            keygen(args.dir)
        elif args.command == 'sign':
            sys.stdout.buffer.write(sign(read(args.key), read(args.answer), args.files, args.serial, args.expires,
                                         args.action))
        elif args.command == 'verify':
            return 0 if verify(read(args.public), read(args.answer)) else 1
        else:
            sys.stdout.write(c_header(read(args.public)))
    except (AnswerError, OSError, ValueError) as e:
        print(f'sign-answer: {e}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
