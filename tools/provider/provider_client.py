"""Drives the provider stand-in (provider.py) from Python tests.

    import provider_client as provider
    provider.reset()
    provider.set_fault('/files/a.bin', cut=1000, times=1)
    provider.set_answer('update', '<config>...</config>', user='ann')
    assert provider.log()[-1]['params']['user'] == 'ann'

The module functions talk to $PROVIDER_URL; Provider(url) talks to another.
"""

import http.client
import json
import os
from urllib.parse import quote, urlencode, urlsplit


class ProviderError(Exception):
    pass


class Provider:
    def __init__(self, url=None):
        url = url or os.environ.get('PROVIDER_URL')
        if not url:
            raise ProviderError('no provider address: PROVIDER_URL is not set')
        parts = urlsplit(url)
        self.host = parts.hostname
        self.port = parts.port or 80
        self.url = f'http://{self.host}:{self.port}'

    def request(self, method, target, body=None, headers=None, timeout=30):
        """(status, headers, body) of one request on a fresh connection.
        http.client rather than urllib, which would follow the proxy settings
        of the environment."""
        conn = http.client.HTTPConnection(self.host, self.port, timeout=timeout)
        try:
            conn.request(method, target, body=body, headers=headers or {})
            response = conn.getresponse()
            return response.status, response.headers, response.read()
        finally:
            conn.close()

    def _control(self, method, name, params=None, body=None):
        target = '/_control/' + name
        if params:
            target += '?' + urlencode(params, quote_via=quote)
        status, _, text = self.request(method, target, body)
        if status != 200:
            raise ProviderError(f'{name}: {status} {text.decode("utf-8", "replace").strip()}')
        return text

    def reset(self):
        """Drops every fault, answer and log entry."""
        self._control('GET', 'reset')

    def set_fault(self, path, times=None, **faults):
        """Queues a fault for the URL path: cut=N, norange=True, status=S,
        delay=MS, wrongsize=N, nolength=True, trickle=MS. times=None applies
        it to every request."""
        params = {'path': path}
        for key, value in faults.items():
            params[key] = int(value)
        if times is not None:
            params['times'] = times
        self._control('GET', 'fault', params)

    def set_answer(self, action, document, user=None, status=None, delay=None, hang=False, cut=None, **signing):
        """The document answered to ?action=ACTION (for one user if given);
        signing: sign=, serial=, expires=, files= and the forgeries (see
        provider.py)."""
        params = {'action': action, **signing}
        for key, value in (('user', user), ('status', status), ('delay', delay), ('cut', cut)):
            if value is not None:
                params[key] = value
        if hang:
            params['hang'] = 1
        if isinstance(document, str):
            document = document.encode('utf-8')
        self._control('POST', 'answer', params, document)

    def log(self):
        """The requests since the last reset, oldest first, as dicts."""
        text = self._control('GET', 'log').decode('utf-8')
        return [json.loads(line) for line in text.splitlines() if line]


_default = None


def _provider():
    global _default
    if _default is None:
        _default = Provider()
    return _default


def reset():
    _provider().reset()


def set_fault(path, times=None, **faults):
    _provider().set_fault(path, times, **faults)


def set_answer(action, document, **options):
    _provider().set_answer(action, document, **options)


def log():
    return _provider().log()
