#!/usr/bin/env python3
"""Stand-in for the provider's web server, used by the tests and the demo.

Serves the files under a root directory (with byte ranges, for resumed
downloads), answers "?action=..." queries with documents the test chooses,
injects faults on request and logs every request as one JSON object a line.

    provider.py --root DIR [--port-file F] [--log F] [--port N]
                [--exit-with-parent] [--cut-grace MS] [--verbose]

Control endpoints (never logged):
    GET  /_control/fault?path=P&KEY=VALUE...[&times=N]
    POST /_control/answer?action=A[&user=U][&status=S][&delay=MS][&hang=1][&cut=N]
                         [&sign=KEY&serial=N&expires=TIME[&files=DIR][&signaction=W]]
                         [&append=TEXT][&stripsig=1][&flipbyte=N]
    GET  /_control/reset
    GET  /_control/log
Fault keys, also accepted in the query of a file URL:
    cut=N  norange=1  status=4xx|5xx  delay=MS  wrongsize=N  rangefromzero=1
    corrupt=1 (one byte of the file changed, the length kept)
    wrongsize=N past the file pads with zero bytes, streamed (any N, even GBs)
    nolength=1 (no Content-Length: the body ends when the connection closes)
    trickle=MS (the body goes out one byte every MS ms)
    slowheaders=MS (each line of the status and headers goes out MS ms after
      the one before)
    cleancut=N (like cut, but the connection then closes cleanly, as a proxy
      or server that times out closes it: the body just ends short)

Signed answers (sign-answer.py): an answer file under answers/ is served as
it is, signed or not. For the tests, sign=KEY (a private key's path) signs
the posted answer as it is set, with the files' digests taken from
ROOT/DIR/<name> (DIR default "."), bound to the answer's action, and the
serial's digits stamped as given. The forgeries a dialler with a key must
refuse: signaction=W binds it to another action (empty: to none), append=
adds bytes after the signature, stripsig=1 removes the signature,
flipbyte=N flips the lowest bit of byte N (negative: from the end); an old
or overlong serial or an expired answer is signed as such; corrupt=1 on a
file serves bytes that do not match its digest.
"""

import argparse
import bisect
import fcntl
import importlib.util
import json
import mimetypes
import os
import re
import signal
import socket
import socketserver
import struct
import sys
import termios
import threading
import time
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote_to_bytes

HERE = os.path.dirname(os.path.abspath(__file__))

HOST = '127.0.0.1'
CONTROL_PREFIX = '/_control/'
FAULT_INTS = ('cut', 'cleancut', 'status', 'delay', 'wrongsize', 'trickle', 'slowheaders')
FAULT_FLAGS = ('norange', 'rangefromzero', 'corrupt', 'nolength')
ANSWER_INTS = ('status', 'delay', 'cut')
ANSWER_FLAGS = ('hang',)
UNSATISFIABLE = 'unsatisfiable'


class BadRequest(ValueError):
    pass


def bytes_to_text(data):
    # The Windows clients send their ANSI code page unescaped, so a byte
    # sequence that is not UTF-8 is taken byte for byte rather than mangled.
    try:
        return data.decode('utf-8')
    except UnicodeDecodeError:
        return data.decode('latin-1')


def unquote_text(raw, plus_is_space=False):
    # raw comes from a request line read as latin-1, so encoding it back
    # gives the bytes exactly as they arrived.
    if plus_is_space:
        raw = raw.replace('+', ' ')
    return bytes_to_text(unquote_to_bytes(raw.encode('latin-1')))


def parse_query(raw):
    """Decoded name -> value; the first of repeated names wins."""
    params = {}
    for part in raw.split('&'):
        if part:
            name, _, value = part.partition('=')
            params.setdefault(unquote_text(name, True), unquote_text(value, True))
    return params


def pick_options(params, ints, flags):
    """The option keys found in params, checked; BadRequest on a bad value."""
    options = {}
    for key in ints:
        if key in params:
            value = params[key]
            if not value.isdigit():
                raise BadRequest(f'{key} must be a non-negative integer, not {value!r}')
            options[key] = int(value)
    for key in flags:
        if params.get(key, '').lower() in ('1', 'true', 'yes'):
            options[key] = True
    return options


def check_status(status, lowest):
    if not lowest <= status <= 599:
        raise BadRequest(f'status must be between {lowest} and 599')


def parse_range(header, size):
    """(first, last) inclusive, UNSATISFIABLE, or None when the header is to
    be ignored (not one plain byte range)."""
    match = re.fullmatch(r'\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*', header, re.I)
    if not match or match.group(1) == match.group(2) == '':
        return None
    first, last = match.groups()
    if first == '':
        count = int(last)
        if count == 0 or size == 0:
            return UNSATISFIABLE
        return max(0, size - count), size - 1
    first = int(first)
    if last and int(last) < first:
        return None
    if first >= size:
        return UNSATISFIABLE
    end = min(int(last), size - 1) if last else size - 1
    return first, end


def error_page(status, detail=''):
    try:
        title = f'{status} {HTTPStatus(status).phrase}'
    except ValueError:
        title = f'{status} Error'
    text = f'<html><head><title>{title}</title></head><body><h1>{title}</h1>'
    if detail:
        text += f'<p>{detail}</p>'
    return (text + '</body></html>\n').encode('utf-8')


class Reply:
    def __init__(self, status, body=b'', content_type='text/html', headers=()):
        self.status = status
        self.body = body
        self.content_type = content_type
        self.headers = list(headers)
        self.pad = 0        # zero bytes streamed after body
        self.cut = None
        self.delay = 0
        self.hang = False
        self.trickle = 0
        self.nolength = False
        self.clean_cut = False
        self.slow_headers = 0

    @classmethod
    def error(cls, status, detail=''):
        return cls(status, error_page(status, detail))

    def apply(self, options):
        """Applies the delivery faults; the status fault is the caller's."""
        if options.get('corrupt') and self.body:
            middle = len(self.body) // 2
            self.body = self.body[:middle] + bytes([self.body[middle] ^ 1]) + self.body[middle + 1:]
        if 'wrongsize' in options:
            size = options['wrongsize']
            self.body = self.body[:size]
            self.pad = size - len(self.body)
        self.cut = options.get('cut', self.cut)
        if 'cleancut' in options:
            self.cut = options['cleancut']
            self.clean_cut = True
        self.slow_headers = options.get('slowheaders', self.slow_headers)
        self.delay = options.get('delay', self.delay)
        self.hang = options.get('hang', self.hang)
        self.trickle = options.get('trickle', self.trickle)
        self.nolength = options.get('nolength', self.nolength)

    def length(self):
        return len(self.body) + self.pad

    def pieces(self, limit):
        """The first limit bytes of body and padding, in pieces small
        enough that a huge padding is never held in memory."""
        step = 1 if self.trickle else 65536
        zeros = bytes(step)
        sent = 0
        while sent < limit:
            if sent < len(self.body):
                piece = self.body[sent:min(limit, len(self.body), sent + step)]
            else:
                piece = zeros[:min(step, limit - sent)]
            sent += len(piece)
            yield piece


class ProviderState:
    """Faults, answers and the log, shared by all request threads."""

    def __init__(self, root, log_path):
        self.root = os.path.realpath(root)
        self.lock = threading.Lock()
        self.faults = []    # [path, options, remaining count or None]
        self.answers = {}   # (action, user or None) -> (body, options)
        self.entries = []   # (arrival number, entry), in order of arrival
        self.arrivals = 0
        self.sending = 0    # answers being written and not yet logged
        self.settled = threading.Condition(self.lock)
        self.generation = 0
        self.released = threading.Event()
        self.log_file = open(log_path, 'a', encoding='utf-8') if log_path else None

    def reset(self):
        with self.lock:
            self.faults.clear()
            self.answers.clear()
            self.entries.clear()
            self.generation += 1
            released, self.released = self.released, threading.Event()
        released.set()

    def release_all(self):
        self.released.set()

    def add_fault(self, path, options, times):
        with self.lock:
            self.faults.append([path, options, times])

    def take_fault(self, path):
        # Faults for one path queue up in the order they were set, so a test
        # can script "cut, then 500, then fine" on one URL.
        with self.lock:
            for fault in self.faults:
                if fault[0] == path:
                    if fault[2] is not None:
                        fault[2] -= 1
                        if fault[2] == 0:
                            self.faults.remove(fault)
                    return dict(fault[1])
        return {}

    def set_answer(self, action, user, body, options):
        with self.lock:
            self.answers[(action, user)] = (body, options)

    def find_answer(self, action, user):
        """The most specific answer: per user before general, and one set by
        the test before a file under answers/."""
        keys = [(action, None)] if user is None else [(action, user), (action, None)]
        for key in keys:
            with self.lock:
                found = self.answers.get(key)
            if found:
                return found
            name = action if key[1] is None else f'{action}-{key[1]}'
            body = self.read_answer_file(name)
            if body is not None:
                return body, {}
        return None

    def read_answer_file(self, name):
        if not name or '/' in name or '\\' in name or '\0' in name or name.startswith('.'):
            return None
        try:
            with open(os.path.join(self.root, 'answers', name + '.xml'), 'rb') as f:
                return f.read()
        except OSError:
            return None

    def arrive(self):
        """A number for a request as it comes in: the log lists requests in
        the order they arrived, whichever of their threads finishes first."""
        with self.lock:
            self.arrivals += 1
            return self.arrivals

    def begin_sending(self):
        with self.lock:
            self.sending += 1

    def record(self, entry, arrival, generation, was_sending):
        line = json.dumps(entry) + '\n'
        with self.lock:
            # A request that began before a reset (a hung one, say) must not
            # show up in the fresh log.
            if generation == self.generation:
                bisect.insort(self.entries, (arrival, entry), key=lambda pair: pair[0])
            if self.log_file:
                self.log_file.write(line)
                self.log_file.flush()
            if was_sending:
                self.sending -= 1
                self.settled.notify_all()

    def log_text(self):
        # A client may ask for the log the moment it has read an answer, a
        # little before that answer's thread has logged it.
        with self.settled:
            self.settled.wait_for(lambda: self.sending == 0, timeout=2)
            return ''.join(json.dumps(e) + '\n' for _, e in self.entries)

    def close(self):
        with self.lock:
            if self.log_file:
                self.log_file.close()
                self.log_file = None

    def map_path(self, path):
        """The file under the root for a decoded URL path, or None when the
        path would lead outside the root."""
        if '\0' in path:
            return None
        full = os.path.realpath(os.path.join(self.root, path.lstrip('/')))
        if full != self.root and not full.startswith(self.root + os.sep):
            return None
        return full


def load_signing_tool():
    """sign-answer.py as a module (its name is no module name)."""
    found = importlib.util.spec_from_file_location('sign_answer', os.path.join(HERE, 'sign-answer.py'))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def signed_answer_body(body, params, root):
    """The answer as set for a test: signed when asked, then forged."""
    if params.get('sign'):
        tool = load_signing_tool()
        serial = params.get('serial', '')
        if not serial.isdigit():
            raise BadRequest('sign needs serial=N')
        files = os.path.realpath(os.path.join(root, params.get('files', '.')))
        try:
            with open(params['sign'], 'rb') as f:
                body = tool.sign(f.read(), body, files, serial, params.get('expires', ''),
                                 params.get('signaction', params['action']) or None)
        except (OSError, ValueError, tool.AnswerError) as e:
            raise BadRequest(f'cannot sign: {e}')
    if params.get('append'):
        body += params['append'].encode('utf-8')
    if params.get('stripsig', '').lower() in ('1', 'true', 'yes'):
        body = re.sub(rb'\n?<!--tovrin-signature:[^>]*-->', b'', body, count=1)
    if 'flipbyte' in params:
        try:
            at = int(params['flipbyte'])
        except ValueError:
            raise BadRequest('flipbyte must be a whole number')
        if -len(body) <= at < len(body):
            flipped = bytearray(body)
            flipped[at] ^= 1
            body = bytes(flipped)
    return body


def wait_for_send_queue(sock, limit=5.0):
    # A reset throws away whatever the kernel has not sent yet, so the body
    # bytes of a cut must have left before the reset goes out.
    deadline = time.monotonic() + limit
    queued = bytearray(4)
    try:
        while time.monotonic() < deadline:
            fcntl.ioctl(sock.fileno(), termios.TIOCOUTQ, queued)
            if struct.unpack('i', queued)[0] == 0:
                return
            time.sleep(0.005)
    except OSError:
        time.sleep(0.2)


class ProviderHandler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    server_version = 'TovrinProvider/1.0'
    # Idle keep-alive connections are dropped in the end rather than holding
    # a thread each for the life of the server.
    timeout = 120

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def parse_request(self):
        # The dialler puts the user name into the query unescaped; a name with
        # a space would otherwise break the request line apart.
        words = str(self.raw_requestline, 'iso-8859-1').rstrip('\r\n').split(' ')
        if len(words) > 3 and words[-1].startswith('HTTP/'):
            target = '%20'.join(words[1:-1])
            self.raw_requestline = f'{words[0]} {target} {words[-1]}\r\n'.encode('iso-8859-1')
        return super().parse_request()

    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch(send_body=False)

    def do_POST(self):
        length = self.headers.get('Content-Length') or '0'
        if self.headers.get('Transfer-Encoding') or not length.isdigit():
            # The body's end is unknown, so the connection cannot go on.
            self.close_connection = True
            self.send_reply(Reply.error(411, 'Send the body with a Content-Length.'))
            return
        body = self.rfile.read(int(length))
        self.dispatch(post_body=body)

    def split_target(self):
        target = self.path
        if re.match(r'https?://', target, re.I):
            target = '/' + target.split('://', 1)[1].partition('/')[2]
        path, _, query = target.partition('?')
        return path, query

    def dispatch(self, send_body=True, post_body=None):
        raw_path, query = self.split_target()
        params = parse_query(query)
        if raw_path.startswith(CONTROL_PREFIX):
            self.send_reply(self.control(raw_path[len(CONTROL_PREFIX):], params, post_body))
            return
        state = self.server.state
        generation, released = state.generation, state.released
        arrival = state.arrive()
        entry = {
            'time': round(time.time(), 3),
            'method': self.command,
            'path': raw_path,
            'query': query,
            'params': params,
            'range': self.headers.get('Range'),
            'user_agent': self.headers.get('User-Agent'),
            'status': None,
            'bytes': 0,
            'fault': None,
        }
        try:
            reply = self.build_reply(unquote_text(raw_path), params, entry, post_body)
        except BadRequest as e:
            reply = Reply.error(400, str(e))
        if reply.delay:
            time.sleep(reply.delay / 1000)
        if reply.hang:
            # Held until a reset or shutdown, then dropped without an answer.
            self.close_connection = True
            released.wait()
            state.record(entry, arrival, generation, False)
            return
        state.begin_sending()
        try:
            sent = self.send_reply(reply, send_body, entry)
        finally:
            state.record(entry, arrival, generation, True)
        if sent and reply.cut is not None and send_body:
            if reply.clean_cut:
                self.close_connection = True
            else:
                self.abort_connection()

    def build_reply(self, path, params, entry, post_body):
        state = self.server.state
        is_answer = 'action' in params
        faults = {} if is_answer else pick_options(params, FAULT_INTS, FAULT_FLAGS)
        faults.update(state.take_fault(path))
        entry['fault'] = faults or None
        if 'status' in faults:
            reply = Reply.error(faults['status'], 'Injected fault.')
        elif post_body is not None:
            reply = Reply.error(405)
        elif is_answer:
            reply = self.answer_reply(params.get('action'), params.get('user'))
        else:
            reply = self.file_reply(path, faults.get('norange') or 'wrongsize' in faults,
                                    faults.get('rangefromzero'))
        reply.apply(faults)
        return reply

    def answer_reply(self, action, user):
        found = self.server.state.find_answer(action, user)
        if not found:
            return Reply.error(404, 'No answer is set for this action.')
        body, options = found
        status = options.get('status', 200)
        if status >= 400 and not body:
            reply = Reply.error(status)
        else:
            reply = Reply(status, body, 'text/xml')
        reply.apply(options)
        return reply

    def file_reply(self, path, ignore_range, from_zero=False):
        full = self.server.state.map_path(path)
        if full is None:
            return Reply.error(403, 'The path leads outside the served directory.')
        try:
            with open(full, 'rb') as f:
                data = f.read()
        except (OSError, ValueError):
            return Reply.error(404)
        size = len(data)
        kind = mimetypes.guess_type(full)[0] or 'application/octet-stream'
        header = self.headers.get('Range')
        wanted = None if ignore_range or header is None else parse_range(header, size)
        if wanted is None:
            accept = [] if ignore_range else [('Accept-Ranges', 'bytes')]
            return Reply(200, data, kind, accept)
        if wanted == UNSATISFIABLE:
            return Reply(416, error_page(416), 'text/html', [('Content-Range', f'bytes */{size}')])
        first, last = wanted
        if from_zero:
            # A 206 for another range than the one asked for.
            first = 0
        return Reply(206, data[first:last + 1], kind,
                     [('Accept-Ranges', 'bytes'), ('Content-Range', f'bytes {first}-{last}/{size}')])

    def control(self, name, params, post_body):
        state = self.server.state
        try:
            if name == 'reset':
                state.reset()
            elif name == 'log':
                return Reply(200, state.log_text().encode('utf-8'), 'application/x-ndjson')
            elif name == 'fault':
                path = params.get('path', '')
                if not path.startswith('/'):
                    raise BadRequest('path must be given and start with "/"')
                unknown = set(params) - {'path', 'times', *FAULT_INTS, *FAULT_FLAGS}
                if unknown:
                    raise BadRequest(f'unknown fault keys: {", ".join(sorted(unknown))}')
                faults = pick_options(params, FAULT_INTS, FAULT_FLAGS)
                if not faults:
                    raise BadRequest('no fault given')
                if 'status' in faults:
                    check_status(faults['status'], 400)
                times = pick_options(params, ('times',), ()).get('times')
                if times == 0:
                    raise BadRequest('times must be at least 1')
                state.add_fault(path, faults, times)
            elif name == 'answer':
                if post_body is None:
                    return Reply.error(405, 'POST the document as the body.')
                if not params.get('action'):
                    raise BadRequest('action must be given')
                options = pick_options(params, ANSWER_INTS, ANSWER_FLAGS)
                if 'status' in options:
                    check_status(options['status'], 200)
                body = signed_answer_body(post_body, params, state.root)
                state.set_answer(params['action'], params.get('user'), body, options)
            else:
                return Reply.error(404, 'Unknown control endpoint.')
        except BadRequest as e:
            return Reply(400, f'{e}\n'.encode('utf-8'), 'text/plain; charset=utf-8')
        return Reply(200, b'ok\n', 'text/plain; charset=utf-8')

    def send_reply(self, reply, send_body=True, entry=None):
        """Writes status, headers and the (possibly cut) body; False when the
        client went away meanwhile."""
        limit = reply.length() if send_body else 0
        if reply.cut is not None:
            limit = min(limit, reply.cut)
        released = self.server.state.released
        sent = 0
        try:
            self.send_response(reply.status)
            for name, value in reply.headers:
                self.send_header(name, value)
            self.send_header('Content-Type', reply.content_type)
            if reply.nolength:
                self.send_header('Connection', 'close')
                self.close_connection = True
            else:
                # Always the full length, also when the body is cut short:
                # the client must see a body that breaks off, not a short one.
                self.send_header('Content-Length', str(reply.length()))
            if reply.slow_headers:
                if not self.end_headers_slowly(reply.slow_headers / 1000, released):
                    self.close_connection = True
                    return False
            else:
                self.end_headers()
            if entry is not None:
                entry['status'] = reply.status
            for piece in reply.pieces(limit):
                # A reset ends a trickle or a long stream at once, as it ends
                # a hang.
                if released.wait(reply.trickle / 1000):
                    self.close_connection = True
                    break
                self.wfile.write(piece)
                sent += len(piece)
        except OSError:
            self.close_connection = True
            return False
        finally:
            if entry is not None:
                entry['bytes'] = sent
        return True

    def end_headers_slowly(self, gap, released):
        """Sends the buffered status and header lines one at a time, gap
        seconds apart; False when a reset ended it first."""
        self._headers_buffer.append(b'\r\n')
        lines, self._headers_buffer = self._headers_buffer, []
        for i, line in enumerate(lines):
            if i and released.wait(gap):
                return False
            self.wfile.write(line)
        return True

    def abort_connection(self):
        # A cut must look like a network failure: a reset, not the orderly
        # close a client would take for the end of the body.
        wait_for_send_queue(self.connection)
        # Under Wine a reset that arrives while the client is not waiting in
        # a read is swallowed by the Wine server, and the client's next read
        # then sees a clean end of data. So the client gets time to take in
        # the bytes and block for more before the reset comes.
        time.sleep(self.server.cut_grace)
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
        self.close_connection = True
        self.server.abort_on_close(self.connection)


class ProviderServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def __init__(self, port, state, verbose=False, cut_grace=0.3):
        self.state = state
        self.verbose = verbose
        self.cut_grace = cut_grace
        self.aborted = set()
        self.aborted_lock = threading.Lock()
        super().__init__((HOST, port), ProviderHandler)

    def server_bind(self):
        # Skips the host name look-up of the base class, which can stall
        # for seconds on a machine without a resolver.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def abort_on_close(self, sock):
        with self.aborted_lock:
            self.aborted.add(sock)

    def shutdown_request(self, request):
        with self.aborted_lock:
            aborted = request in self.aborted
            self.aborted.discard(request)
        if aborted:
            # No shutdown(SHUT_WR) here: that would send the FIN before the
            # reset and the client would see a clean end.
            request.close()
        else:
            super().shutdown_request(request)

    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], OSError) or self.verbose:
            super().handle_error(request, client_address)


def write_port_file(path, port):
    # Written whole and renamed into place, so a waiting reader never sees
    # an empty or partly written file.
    temp = f'{path}.{os.getpid()}.tmp'
    with open(temp, 'w') as f:
        f.write(f'{port}\n')
    os.replace(temp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description='Provider web server stand-in on 127.0.0.1.')
    parser.add_argument('--root', required=True, help='directory whose files are served')
    parser.add_argument('--port', type=int, default=0, help='port to listen on (default: any free one)')
    parser.add_argument('--port-file', help='file that receives the port number once listening')
    parser.add_argument('--log', help='file to append the request log to, as JSON lines')
    parser.add_argument('--exit-with-parent', action='store_true',
                        help='stop when the process that started the server has gone')
    parser.add_argument('--cut-grace', type=int, default=300, metavar='MS',
                        help='pause between the last bytes of a cut and the reset (default 300)')
    parser.add_argument('--verbose', action='store_true', help='print each request to stderr')
    args = parser.parse_args(argv)
    if not os.path.isdir(args.root):
        parser.error(f'not a directory: {args.root}')

    # Compared rather than probed with a signal: a parent killed outright can
    # linger as a zombie that still answers, but its children are handed on
    # to another parent at once.
    parent = os.getppid()
    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())

    state = ProviderState(args.root, args.log)
    server = ProviderServer(args.port, state, args.verbose, args.cut_grace / 1000)
    # serve_forever runs on its own thread: shutdown() called from the thread
    # running it would wait for itself.
    threading.Thread(target=server.serve_forever, kwargs={'poll_interval': 0.1}, daemon=True).start()
    if args.port_file:
        write_port_file(args.port_file, server.server_address[1])
    if args.verbose:
        print(f'serving {state.root} at http://{HOST}:{server.server_address[1]}/', file=sys.stderr)

    while not stop.wait(0.25):
        if args.exit_with_parent and os.getppid() != parent:
            break
    server.shutdown()
    state.release_all()
    server.server_close()
    state.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
