"""Tests of the provider stand-in, run against a real server process.

    python3 -m unittest tools/provider/test_provider.py
"""

import hashlib
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import provider_client  # noqa: E402
from provider import load_signing_tool  # noqa: E402

SERVER = os.path.join(HERE, 'provider.py')
WITH_PROVIDER = os.path.join(HERE, 'with-provider.sh')
DATA = bytes(range(256)) * 20   # every offset distinguishable, 5120 bytes
SECRET = b'outside the root'


def start_server(root, *extra):
    port_file = os.path.join(tempfile.mkdtemp(), 'port')
    proc = subprocess.Popen([sys.executable, SERVER, '--root', root, '--port-file', port_file, *extra])
    for _ in range(100):
        if os.path.exists(port_file):
            with open(port_file) as f:
                return proc, int(f.read())
        time.sleep(0.05)
    proc.kill()
    raise RuntimeError('provider did not write its port file')


def port_closed(port):
    try:
        socket.create_connection(('127.0.0.1', port), timeout=1).close()
    except ConnectionRefusedError:
        return True
    return False


def setUpModule():
    global TMP, ROOT, LOG, PROC, PORT, CLIENT
    TMP = tempfile.TemporaryDirectory()
    ROOT = os.path.join(TMP.name, 'root')
    for rel, content in (('root/files/a.bin', DATA), ('root/files/big.bin', DATA * 800), ('outside/secret.txt', SECRET),
                         ('root/answers/update.xml', b'<file-general/>'),
                         ('root/answers/update-bob.xml', b'<file-bob/>')):
        path = os.path.join(TMP.name, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(content)
    LOG = os.path.join(TMP.name, 'requests.log')
    PROC, PORT = start_server(ROOT, '--log', LOG)
    CLIENT = provider_client.Provider(f'http://127.0.0.1:{PORT}')


def tearDownModule():
    PROC.terminate()
    PROC.wait(5)
    TMP.cleanup()


class ProviderCase(unittest.TestCase):
    def setUp(self):
        CLIENT.reset()

    def get(self, target, **headers):
        return CLIENT.request('GET', target, headers=headers)

    def raw_get(self, target, extra='', slow=False):
        """(head, body, reset) with reset telling a reset from a clean close.
        A slow reader keeps the server's send queue full for a while."""
        with socket.socket() as s:
            s.settimeout(5)
            if slow:
                s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
            s.connect(('127.0.0.1', PORT))
            s.sendall(f'GET {target} HTTP/1.1\r\nHost: t\r\nConnection: close\r\n{extra}\r\n'.encode('latin-1'))
            data, reset = b'', False
            if slow:
                time.sleep(0.3)
            try:
                while chunk := s.recv(65536):
                    data += chunk
            except ConnectionResetError:
                reset = True
        head, _, body = data.partition(b'\r\n\r\n')
        return head.decode('latin-1'), body, reset


class RangeTests(ProviderCase):
    def test_open_range_sends_the_rest_and_no_range_all(self):
        self.assertEqual(self.get('/files/a.bin')[::2], (200, DATA))
        status, headers, body = self.get('/files/a.bin', Range='bytes=1000-')
        self.assertEqual((status, body), (206, DATA[1000:]))
        self.assertEqual(headers['Content-Range'], f'bytes 1000-{len(DATA) - 1}/{len(DATA)}')
        self.assertEqual(headers['Content-Length'], str(len(DATA) - 1000))

    def test_closed_range_and_end_past_size(self):
        status, headers, body = self.get('/files/a.bin', Range='bytes=10-19')
        self.assertEqual((status, body, headers['Content-Range']), (206, DATA[10:20], 'bytes 10-19/5120'))
        status, _, body = self.get('/files/a.bin', Range='bytes=5000-99999')
        self.assertEqual((status, body), (206, DATA[5000:]))

    def test_start_at_or_past_size_is_416(self):
        for start in (len(DATA), len(DATA) + 1):
            status, headers, _ = self.get('/files/a.bin', Range=f'bytes={start}-')
            self.assertEqual((status, headers['Content-Range']), (416, 'bytes */5120'))


class QueryFaultTests(ProviderCase):
    def test_cut_announces_full_length_then_resets(self):
        head, body, reset = self.raw_get('/files/a.bin?cut=1000')
        self.assertIn('Content-Length: 5120', head)
        self.assertEqual(body, DATA[:1000])
        self.assertTrue(reset, 'a cut must reset the connection, not close it cleanly')

    def test_cleancut_announces_full_length_then_closes_cleanly(self):
        head, body, reset = self.raw_get('/files/a.bin?cleancut=1000')
        self.assertIn('Content-Length: 5120', head)
        self.assertEqual((body, reset), (DATA[:1000], False))

    def test_slowheaders_paces_every_header_line(self):
        with socket.create_connection(('127.0.0.1', PORT), timeout=5) as s:
            s.sendall(b'GET /files/a.bin?slowheaders=200 HTTP/1.1\r\nHost: t\r\n\r\n')
            started = time.monotonic()
            first = s.recv(4096)
            self.assertTrue(first.startswith(b'HTTP/1.1 200') and first.endswith(b'\r\n'))
            self.assertNotIn(b'\r\n\r\n', first)
            head = first
            while b'\r\n\r\n' not in head:
                head += s.recv(4096)
        lines = head.count(b'\r\n') - 1
        self.assertGreaterEqual(time.monotonic() - started, 0.2 * (lines - 1))

    def test_cut_of_a_range_counts_from_its_start(self):
        head, body, reset = self.raw_get('/files/a.bin?cut=500', 'Range: bytes=1000-\r\n')
        self.assertIn('Content-Length: 4120', head)
        self.assertEqual((body, reset), (DATA[1000:1500], True))

    def test_cut_delivers_every_byte_before_the_reset(self):
        _, body, reset = self.raw_get('/files/big.bin?cut=3000000', slow=True)
        self.assertEqual((len(body), reset), (3000000, True))

    def test_norange_sends_whole_file_with_200(self):
        status, _, body = self.get('/files/a.bin?norange=1', Range='bytes=1000-')
        self.assertEqual((status, body), (200, DATA))

    def test_status_sends_error_page_not_file(self):
        for code in (404, 500):
            status, headers, body = self.get(f'/files/a.bin?status={code}')
            self.assertEqual(status, code)
            self.assertTrue(body.startswith(b'<html>'))
            self.assertNotIn(DATA[:32], body)

    def test_delay_holds_the_answer(self):
        started = time.monotonic()
        self.assertEqual(self.get('/files/a.bin?delay=300')[0], 200)
        self.assertGreaterEqual(time.monotonic() - started, 0.3)

    def test_wrongsize_shorter_and_longer(self):
        status, headers, body = self.get('/files/a.bin?wrongsize=100', Range='bytes=1000-')
        self.assertEqual((status, body, headers['Content-Length']), (200, DATA[:100], '100'))
        status, _, body = self.get('/files/a.bin?wrongsize=6000')
        self.assertEqual((len(body), body[:len(DATA)]), (6000, DATA))

    def test_huge_wrongsize_streams_without_length_and_trickle_paces(self):
        # 10 GB announced: read a little and hang up; the server must not
        # build the body first (that would take minutes and all memory).
        with socket.create_connection(('127.0.0.1', PORT), timeout=5) as s:
            s.sendall(b'GET /files/a.bin?wrongsize=10000000000 HTTP/1.1\r\nHost: t\r\n\r\n')
            head = s.recv(4096)
        self.assertIn(b'Content-Length: 10000000000', head)
        head, body, _ = self.raw_get('/files/a.bin?nolength=1&wrongsize=6000')
        self.assertNotIn('Content-Length', head)
        self.assertEqual(body, DATA + bytes(880))
        started = time.monotonic()
        _, body, _ = self.raw_get('/files/a.bin?trickle=100&wrongsize=4')
        self.assertEqual(body, DATA[:4])
        self.assertGreaterEqual(time.monotonic() - started, 0.4)

    def test_bad_faults_refused(self):
        self.assertEqual(self.get('/files/a.bin?cut=lots')[0], 400)
        with self.assertRaises(provider_client.ProviderError):
            CLIENT._control('GET', 'fault', {'path': '/files/a.bin', 'cuts': 5})


class ScriptedFaultTests(ProviderCase):
    def test_fault_once_then_success(self):
        CLIENT.set_fault('/files/a.bin', cut=1000, times=1)
        _, body, reset = self.raw_get('/files/a.bin')
        self.assertEqual((body, reset), (DATA[:1000], True))
        self.assertEqual(self.get('/files/a.bin')[2], DATA)

    def test_faults_on_one_path_apply_in_order(self):
        CLIENT.set_fault('/files/a.bin', status=500, times=1)
        CLIENT.set_fault('/files/a.bin', status=404, times=2)
        statuses = [self.get('/files/a.bin')[0] for _ in range(4)]
        self.assertEqual(statuses, [500, 404, 404, 200])

    def test_fault_without_times_lasts_until_reset(self):
        CLIENT.set_fault('/files/a.bin', norange=True)
        self.assertEqual(self.get('/files/a.bin', Range='bytes=1-')[0], 200)
        self.assertEqual(self.get('/files/a.bin', Range='bytes=1-')[0], 200)
        self.assertEqual(self.get('/other.bin')[0], 404)
        CLIENT.reset()
        self.assertEqual(self.get('/files/a.bin', Range='bytes=1-')[0], 206)

    def test_fault_applies_to_answer_pages(self):
        CLIENT.set_answer('update', '<config/>')
        CLIENT.set_fault('/upd.asp', status=500, times=1)
        self.assertEqual(self.get('/upd.asp?action=update&user=u')[0], 500)
        self.assertEqual(self.get('/upd.asp?action=update&user=u')[2], b'<config/>')


class AnswerTests(ProviderCase):
    def test_user_answer_before_general(self):
        CLIENT.set_answer('update', '<general/>')
        CLIENT.set_answer('update', '<ann/>', user='ann')
        self.assertEqual(self.get('/u.asp?action=update&user=ann')[2], b'<ann/>')
        self.assertEqual(self.get('/u.asp?action=update&user=carl')[2], b'<general/>')
        status, headers, _ = self.get('/u.asp?action=update')
        self.assertEqual((status, headers['Content-Type']), (200, 'text/xml'))

    def test_answer_files_rank_below_set_answers_of_same_reach(self):
        self.assertEqual(self.get('/u?action=update&user=bob')[2], b'<file-bob/>')
        self.assertEqual(self.get('/u?action=update&user=carl')[2], b'<file-general/>')
        CLIENT.set_answer('update', '<set-general/>')
        self.assertEqual(self.get('/u?action=update&user=carl')[2], b'<set-general/>')
        self.assertEqual(self.get('/u?action=update&user=bob')[2], b'<file-bob/>')

    def test_no_answer_is_html_404(self):
        status, headers, body = self.get('/u?action=userstat&user=ann')
        self.assertEqual((status, headers['Content-Type']), (404, 'text/html'))
        self.assertTrue(body.startswith(b'<html>'))

    def test_answer_status_comes_with_document(self):
        CLIENT.set_answer('userstat', '<stats/>', status=500)
        self.assertEqual(self.get('/u?action=userstat&user=x')[::2], (500, b'<stats/>'))

    def test_answer_cut_resets(self):
        CLIENT.set_answer('update', '<config>0123456789</config>', cut=10)
        head, body, reset = self.raw_get('/u?action=update&user=x')
        self.assertEqual((body, reset), (b'<config>01', True))

    def test_hang_lasts_until_reset(self):
        CLIENT.set_answer('update', '<config/>', hang=True)
        outcome = []
        worker = threading.Thread(target=lambda: outcome.append(self.raw_get('/u?action=update&user=x')))
        worker.start()
        worker.join(0.5)
        self.assertTrue(worker.is_alive(), 'a hung answer came back early')
        CLIENT.reset()
        worker.join(3)
        self.assertEqual(outcome[0][:2], ('', b''))
        self.assertEqual(CLIENT.log(), [], 'a request from before the reset reached the new log')


SIGNING_TOOL = os.path.join(HERE, 'sign-answer.py')
UNSIGNED = ('<?xml version="1.0"?>\n<config>\n  <data-update name="FreePhone" value="0800"/>\n'
            '  <entity name="e"><file name="a.bin" url="http://h/a.bin" version="1.0.1" size="5120"/></entity>\n'
            '</config>\n')


class SigningTests(ProviderCase):
    @classmethod
    def setUpClass(cls):
        cls.tool = load_signing_tool()
        cls.keys = os.path.join(TMP.name, 'keys')
        subprocess.run([sys.executable, SIGNING_TOOL, 'keygen', cls.keys], check=True)
        cls.private = os.path.join(cls.keys, 'private.pem')
        with open(os.path.join(cls.keys, 'public.pem'), 'rb') as f:
            cls.public = f.read()

    def signed(self, **forgery):
        CLIENT.set_answer('update', UNSIGNED, sign=self.private, serial=3, expires='2030-01-01T00:00:00Z',
                          files='files', **forgery)
        return self.get('/u?action=update&user=x')[2]

    def test_signed_answer_carries_stamps_and_digests_and_each_forgery_breaks_it(self):
        body = self.signed()
        self.assertTrue(self.tool.verify(self.public, body))
        self.assertIn(b'<config serial="3" expires="2030-01-01T00:00:00Z" action="update">', body)
        self.assertIn(b'<config serial="3" expires="2030-01-01T00:00:00Z" action="userstat">',
                      self.signed(signaction='userstat'))
        self.assertIn(b'<config serial="3" expires="2030-01-01T00:00:00Z">', self.signed(signaction=''))
        self.assertIn(b'sha256="' + hashlib.sha256(DATA).hexdigest().encode() + b'"', body)
        self.assertFalse(self.tool.verify(self.public, self.signed(flipbyte=40)))
        self.assertFalse(self.tool.verify(self.public, self.signed(flipbyte=-140)), 'the root\'s closing >')
        self.assertNotIn(b'tovrin-signature', self.signed(stripsig=1))
        appended = self.signed(append='<more/>')
        self.assertTrue(appended.endswith(b'-->\n<more/>') and self.tool.verify(self.public, appended))

    def test_corrupt_file_keeps_its_length_and_changes_one_byte(self):
        body = self.get('/files/a.bin?corrupt=1')[2]
        self.assertEqual(len(body), len(DATA))
        self.assertEqual(sum(a != b for a, b in zip(body, DATA)), 1)

    def test_sign_refuses_long_answers_and_missing_files_writing_nothing(self):
        long_answer, answer = os.path.join(TMP.name, 'long.xml'), os.path.join(TMP.name, 'answer.xml')
        with open(long_answer, 'w') as f:
            f.write(UNSIGNED.replace('<config>', '<config>' + '<x/>' * 450))
        with open(answer, 'w') as f:
            f.write(UNSIGNED)
        with open(self.private, 'rb') as key:  # with its file at hand, the same answer signs
            self.assertTrue(self.tool.sign(key.read(), UNSIGNED.encode(), os.path.join(ROOT, 'files'), 1,
                                           '2030-01-01T00:00:00Z'))
        for answer, files in ((long_answer, os.path.join(ROOT, 'files')), (answer, TMP.name)):
            run = subprocess.run([sys.executable, SIGNING_TOOL, 'sign', self.private, answer, '--files', files,
                                  '--serial', '1', '--expires', '2030-01-01T00:00:00Z'], capture_output=True)
            self.assertEqual((run.returncode, run.stdout), (1, b''), run.stderr)

    def test_c_header_holds_the_cng_public_key_blob(self):
        header = self.tool.c_header(self.public)
        blob = bytes(int(h, 16) for h in re.findall(r'0x([0-9a-f]{2})', header))
        self.assertEqual(len(blob), 72)
        self.assertEqual(blob[:8], bytes([0x45, 0x43, 0x53, 0x31, 0x20, 0, 0, 0]))


class LogTests(ProviderCase):
    def test_params_are_decoded(self):
        self.get('/u.asp?action=update&user=a%26b+c%20d')
        entry, = CLIENT.log()
        self.assertEqual(entry['params'], {'action': 'update', 'user': 'a&b c d'})
        self.assertEqual((entry['path'], entry['query']), ('/u.asp', 'action=update&user=a%26b+c%20d'))

    def test_unescaped_space_in_user_name_is_taken(self):
        self.raw_get('/u.asp?action=userstat&user=Ann Smith')
        self.assertEqual(CLIENT.log()[0]['params']['user'], 'Ann Smith')

    def test_range_status_and_bytes_recorded(self):
        self.get('/files/a.bin', Range='bytes=1000-')
        self.raw_get('/files/a.bin?cut=7')
        # Each answer is logged when its thread finishes, so the two may land
        # in either order: find each by its request.
        entries = CLIENT.log()
        self.assertEqual(len(entries), 2)
        ranged, = [e for e in entries if e['params'].get('cut') is None]
        cut, = [e for e in entries if e['params'].get('cut') == '7']
        self.assertEqual((ranged['range'], ranged['status'], ranged['bytes']), ('bytes=1000-', 206, 4120))
        self.assertEqual((cut['range'], cut['status'], cut['bytes']), (None, 200, 7))

    def test_control_requests_not_logged_and_file_log_kept(self):
        CLIENT.set_fault('/x', delay=1)
        CLIENT.set_answer('update', 'x')
        self.assertEqual(CLIENT.log(), [])
        self.get('/files/a.bin?mark=file-log')
        self.assertEqual(len(CLIENT.log()), 1)   # also waits for the entry to be written
        with open(LOG) as f:
            last = json.loads(f.readlines()[-1])
        self.assertEqual(last['params'], {'mark': 'file-log'})


class PathTests(ProviderCase):
    def test_paths_escaping_root_refused(self):
        for target in ('/../outside/secret.txt', '/files/%2e%2e/%2E%2E/outside/secret.txt',
                       '/files/..%2f..%2foutside%2fsecret.txt'):
            status, _, body = self.get(target)
            self.assertEqual(status, 403, target)
            self.assertNotIn(SECRET, body)


class ConnectionTests(ProviderCase):
    def test_keep_alive_serves_several_requests_on_one_socket(self):
        import http.client
        conn = http.client.HTTPConnection('127.0.0.1', PORT, timeout=5)
        try:
            sock = None
            for headers in ({}, {'Range': 'bytes=1-'}, {'Range': 'bytes=9999-'}):
                conn.request('GET', '/files/a.bin', headers=headers)
                conn.getresponse().read()
                sock = sock or conn.sock
                self.assertIs(conn.sock, sock, 'the server closed a keep-alive connection')
        finally:
            conn.close()


class ProcessTests(unittest.TestCase):
    def test_sigterm_stops_server(self):
        with tempfile.TemporaryDirectory() as root:
            proc, port = start_server(root)
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(5), 0)
            self.assertTrue(port_closed(port))

    def test_with_provider_exports_runs_and_cleans_up(self):
        script = ('import json, os, sys, provider_client as p\n'
                  'open(os.environ["PROVIDER_ROOT"] + "/f.txt", "w").write("hi")\n'
                  'env = {k: v for k, v in os.environ.items() if k.startswith("PROVIDER_")}\n'
                  'print(json.dumps(dict(env, body=p.Provider().request("GET", "/f.txt")[2].decode())))\n'
                  'sys.exit(3)\n')
        env = {k: v for k, v in os.environ.items() if not k.startswith('PROVIDER_')}
        env['PYTHONPATH'] = HERE
        run = subprocess.run([WITH_PROVIDER, sys.executable, '-c', script], env=env,
                             capture_output=True, text=True, timeout=15)
        self.assertEqual(run.returncode, 3, run.stderr)
        seen = json.loads(run.stdout)
        self.assertEqual(seen['body'], 'hi')
        self.assertEqual(seen['PROVIDER_URL'], f'http://127.0.0.1:{seen["PROVIDER_PORT"]}')
        self.assertEqual(seen['PROVIDER_ROOT_WIN'], 'Z:' + seen['PROVIDER_ROOT'].replace('/', '\\'))
        self.assertFalse(os.path.exists(seen['PROVIDER_ROOT']))
        self.assertTrue(port_closed(int(seen['PROVIDER_PORT'])))

    def test_with_provider_stops_server_when_terminated(self):
        with tempfile.TemporaryDirectory() as tmp:
            port_file = os.path.join(tmp, 'port')
            proc = subprocess.Popen([WITH_PROVIDER, 'sh', '-c', f'echo $PROVIDER_PORT > {port_file}; exec sleep 30'])
            for _ in range(100):
                if os.path.exists(port_file) and os.path.getsize(port_file):
                    break
                time.sleep(0.05)
            with open(port_file) as f:
                port = int(f.read())
            proc.terminate()
            self.assertEqual(proc.wait(5), 143)
            self.assertTrue(port_closed(port))


if __name__ == '__main__':
    unittest.main()
