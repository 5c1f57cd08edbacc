"""Headless Firefox for browser.py, driven over WebDriver BiDi: class
Firefox, with the methods browser.py's header names.

Debian has no geckodriver, but Firefox speaks WebDriver BiDi itself, over a
websocket, once started with --remote-debugging-port: this client sends it
one command at a time, and fails it, named, when no answer has come within
COMMAND_WAIT seconds. Firefox runs on a fresh profile of its own, whose
preferences keep it off the network and show full screen at once.
"""
import base64
import ctypes
import json
import math
import os
import shutil
import signal
import subprocess
import tempfile
import time

import websocket

FIREFOX = '/usr/bin/firefox-esr'
START_WAIT = 30       # seconds allowed for Firefox to listen for its client
QUIT_WAIT = 3         # seconds allowed for it to close
COMMAND_WAIT = 20     # seconds allowed for any other answer, the connection's too
# Headless Firefox's screen: room for full screen at more than twice the
# window's picture, as the other engines'.
SCREEN = (1600, 1200)
WINDOW = (800, 700)   # the window's size, as Chromium's

# Quiet, and at once: no request of Firefox's own reaches the network, and
# full screen comes and goes without a transition or a warning over it.
PREFERENCES = {
    'network.captive-portal-service.enabled': False,
    'network.connectivity-service.enabled': False,
    'browser.safebrowsing.update.enabled': False,
    'dom.push.connection.enabled': False,
    'full-screen-api.transition-duration.enter': '0 0',
    'full-screen-api.transition-duration.leave': '0 0',
    'full-screen-api.warning.timeout': 0,
    'layout.css.devPixelsPerPx': '1.0',
}
# A touch screen, and no mouse: its pointer coarse, without hover, and touch
# events for WebDriver's touch actions.
TOUCH_SCREEN = {'ui.primaryPointerCapabilities': 1, 'ui.allPointerCapabilities': 1,
                'dom.w3c_touch_events.enabled': 1}
PHONE_RATIO = 3

# Firefox ends with the process that started it, even one killed, rather than
# run the page on unseen: prctl's PR_SET_PDEATHSIG.
LIBC = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1

# WebDriver's codes of the keys the tests press.
KEYS = {'Tab': '\ue004', 'Escape': '\ue00c', 'Enter': '\ue007'}
SNAP = 0.01           # a device pixel's share that a whole number of them may be off by
# The processes that run pages, named so by Firefox (as their comm shows).
CONTENT = ('Isolated Web', 'Web Content')
# The errors each document of the tab keeps (browser.py's CONSOLE) and its
# requests that failed, since last read, taken from the page: in order with
# all it did before, which Firefox's events (log.entryAdded) are not.
KEPT = ('[top, ...Array.from({length: top.length}, (_, i) => top[i])].flatMap(w => { if (!w.said) return [];'
        '  const all = w.performance.getEntriesByType("resource"), read = w.said.read || 0;'
        '  w.said.read = all.length;'
        '  return w.said.splice(0).concat(all.slice(read).filter(e => !e.responseStatus || e.responseStatus >= 400)'
        '    .map(e => e.name + ": " + (e.responseStatus || "failed"))); })')


class Failed(Exception):
    """A command Firefox could not carry out, with its reason."""

    def __init__(self, msg):
        super().__init__(msg)
        self.msg = msg


class Firefox:
    """One headless Firefox on a fresh profile, and its one BiDi session."""
    name = 'firefox'

    touch_screen = False
    scripts = ()

    def start(self, flags):
        """Starts Firefox, with each flag NAME=VALUE a preference of its
        profile, VALUE as JSON (javascript.options.wasm=false: no
        WebAssembly)."""
        self.flags = flags
        self.profile = tempfile.mkdtemp(prefix='blobs-firefox.')
        preferences = dict(PREFERENCES, **(TOUCH_SCREEN if self.touch_screen else {}))
        for flag in flags:
            name, is_, value = flag.partition('=')
            try:
                preferences[name] = json.loads(value)
            except ValueError:
                is_ = ''
            if not is_:
                raise Failed('a flag for Firefox is a preference NAME=VALUE, VALUE in JSON, not %s' % flag)
        env = dict(os.environ, MOZ_HEADLESS='1', MOZ_HEADLESS_WIDTH=str(SCREEN[0]),
                   MOZ_HEADLESS_HEIGHT=str(SCREEN[1]))
        with open(os.path.join(self.profile, 'user.js'), 'w') as f:
            for name, value in preferences.items():
                f.write('user_pref(%s, %s);\n' % (json.dumps(name), json.dumps(value)))
        self.process = subprocess.Popen(
            [FIREFOX, '--headless', '--no-remote', '--profile', self.profile,
             '--remote-debugging-port', '0', 'about:blank'],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=lambda: LIBC.prctl(PR_SET_PDEATHSIG, signal.SIGKILL))
        url = 'ws://127.0.0.1:%d/session' % self.port()
        try:
            self.socket = websocket.create_connection(url, suppress_origin=True, timeout=COMMAND_WAIT)
        except (OSError, websocket.WebSocketException) as e:
            raise Failed('Firefox did not take the connection within %d s: %s' % (COMMAND_WAIT, e)) from None
        self.sent = 0
        self.call('session.new', capabilities={})
        # The window Firefox opens at start never has the focus, headless:
        # the page is shown in a window opened in front, of Chromium's size.
        first = self.call('browsingContext.getTree')['contexts'][0]['context']
        self.top = self.context = self.call('browsingContext.create', type='window', background=False)['context']
        self.call('browsingContext.close', context=first)
        window = self.call('browser.getClientWindows')['clientWindows'][0]['clientWindow']
        self.call('browser.setClientWindowState', clientWindow=window, state='normal', width=WINDOW[0], height=WINDOW[1])
        scripts, self.scripts = self.scripts, ()
        for source in scripts:   # those added before Firefox started again
            self.add_script(source)

    def port(self):
        """The port Firefox listens on, from the file it writes in the
        profile once it does."""
        path = os.path.join(self.profile, 'WebDriverBiDiServer.json')
        deadline = time.monotonic() + START_WAIT
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise Failed('Firefox ended at start with status %d' % self.process.returncode)
            try:
                with open(path) as f:
                    return json.load(f)['ws_port']
            except (OSError, ValueError, KeyError):
                time.sleep(0.1)
        raise Failed('Firefox did not listen for its client within %d s' % START_WAIT)

    def call(self, method, limit=COMMAND_WAIT, **params):
        """Sends one command and returns its result; fails, naming it, when
        none has come within LIMIT seconds. A late answer to one that failed
        so is passed over."""
        self.sent += 1
        deadline = time.monotonic() + limit
        try:
            self.socket.settimeout(limit)
            self.socket.send(json.dumps({'id': self.sent, 'method': method, 'params': params}))
            message = {}
            while message.get('id') != self.sent:
                if time.monotonic() > deadline:
                    raise websocket.WebSocketTimeoutException()
                self.socket.settimeout(deadline - time.monotonic() + 0.001)
                message = json.loads(self.socket.recv())
        except websocket.WebSocketTimeoutException:
            raise Failed('Firefox did not answer %s within %d s' % (method, limit)) from None
        except (OSError, websocket.WebSocketException) as e:
            raise Failed('Firefox did not answer %s: %s' % (method, str(e) or type(e).__name__)) from None
        if message.get('type') == 'error':
            raise Failed('%s: %s' % (message['error'], message.get('message', '')))
        return message['result']

    def evaluate(self, expression):
        """The value of EXPRESSION in the page, a promise's once it settles,
        as Python's json reads it."""
        found = self.call('script.evaluate', target={'context': self.context}, awaitPromise=True,
                          expression='Promise.resolve(%s).then(v => v === undefined ? "null" : JSON.stringify(v))'
                          % expression)
        if found['type'] == 'exception':
            raise Failed(found['exceptionDetails']['text'])
        return json.loads(found['result']['value'])

    def add_script(self, source):
        self.call('script.addPreloadScript', functionDeclaration='() => {\n%s\n}' % source)
        self.scripts = self.scripts + (source,)

    def navigate(self, url):
        self.context = self.top
        self.call('browsingContext.navigate', context=self.top, url=url, wait='complete')

    def enter_frame(self):
        self.context = self.call('browsingContext.getTree', root=self.top)['contexts'][0]['children'][0]['context']

    def box(self, selector):
        """The box of the element SELECTOR finds, in CSS pixels of the tab's
        viewport, the device pixel ratio and the page's colour."""
        return self.evaluate(
            '(r => { let x = r.x, y = r.y;'
            '  for (let w = window; w.frameElement; w = w.parent) {'
            '    const f = w.frameElement.getBoundingClientRect();'
            '    x += f.x + w.frameElement.clientLeft; y += f.y + w.frameElement.clientTop;'
            '  }'
            '  return {x, y, width: r.width, height: r.height, ratio: devicePixelRatio,'
            '          page: getComputedStyle(document.body).backgroundColor}; })'
            '(document.querySelector(%s).getBoundingClientRect())' % json.dumps(selector))

    def shot(self, path):
        """Writes a PNG of the canvas's device pixels. Firefox starts its
        shot at the whole CSS pixel at or before the box it is given: the
        shot takes the whole CSS pixels about the canvas and is cut to it.
        Laid out between device pixels, the canvas is drawn on whole ones,
        but Firefox does not say which: the shot then takes a CSS pixel of
        the page more on every side, and the page's colour is cut off."""
        box = self.box('canvas')
        ratio, page = box['ratio'], box['page']
        left, top, right, bottom = box['x'], box['y'], box['x'] + box['width'], box['y'] + box['height']
        between = any(abs(v * ratio - round(v * ratio)) > SNAP for v in (left, top, right, bottom))
        margin = 1 if between else 0
        x, y = math.floor(left) - margin, math.floor(top) - margin
        clip = {'type': 'box', 'x': x, 'y': y,
                'width': math.ceil(right) + margin - x, 'height': math.ceil(bottom) + margin - y}
        shot = self.call('browsingContext.captureScreenshot', context=self.top, clip=clip)
        with open(path, 'wb') as f:
            f.write(base64.b64decode(shot['data']))
        size = (round(box['width'] * ratio), round(box['height'] * ratio))
        at = (round(left * ratio) - x * ratio, round(top * ratio) - y * ratio)
        if between:
            cut = ['-bordercolor', page, '-border', '1', '-trim']
        elif at != (0, 0) or size != (clip['width'] * ratio, clip['height'] * ratio):
            cut = ['-crop', '%dx%d+%d+%d' % (size + at)]
        else:
            return
        subprocess.run(['convert', path] + cut + ['+repage', path], check=True)

    def key(self, action, name):
        self.call('input.performActions', context=self.top, actions=[
            {'type': 'key', 'id': 'keyboard', 'actions': [{'type': 'key' + action.capitalize(), 'value': KEYS[name]}]}])

    def click(self, element_id):
        """Clicks the middle of the page's element ELEMENT_ID with the mouse."""
        box = self.box('#' + element_id)
        x, y = int(box['x'] + box['width'] / 2), int(box['y'] + box['height'] / 2)
        self.call('input.performActions', context=self.top, actions=[
            {'type': 'pointer', 'id': 'mouse', 'parameters': {'pointerType': 'mouse'}, 'actions': [
                {'type': 'pointerMove', 'x': x, 'y': y}, {'type': 'pointerDown', 'button': 0},
                {'type': 'pointerUp', 'button': 0}]}])

    def errors(self):
        """The console's errors and warnings, and the failed requests,
        since the last time asked (KEPT)."""
        return self.evaluate(KEPT)

    def cpu(self):
        """The seconds of CPU used by Firefox's processes for pages."""
        children, total = {}, 0
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                with open('/proc/%s/stat' % pid) as f:
                    name, _, rest = f.read().partition('(')[2].rpartition(')')
            except OSError:
                continue
            fields = rest.split()
            children.setdefault(int(fields[1]), []).append(
                (int(pid), name.startswith(CONTENT), int(fields[11]) + int(fields[12])))
        family = [self.process.pid]
        while family:
            for pid, content, ticks in children.get(family.pop(), []):
                family.append(pid)
                total += ticks if content else 0
        return total / os.sysconf('SC_CLK_TCK')

    def network(self, off):
        """Cuts the page's network, as Firefox's own emulation does, and
        brings it back. Firefox lets its client bypass its HTTP cache, not
        empty it, and bypassed, a page opened with the network cut no longer
        reaches the service worker; left alone, with the server hanging up,
        the cache answers for none of the site's files (a worker that keeps
        nothing leaves the page unopened)."""
        self.call('emulation.setNetworkConditions', contexts=[self.top],
                  networkConditions={'type': 'offline'} if off else None)

    def phone(self, width, height):
        """Shows pages as a phone with touch does: WIDTH x HEIGHT CSS pixels
        at a device pixel ratio of 3, upright when narrower than high. Its
        client cannot make Firefox a touch screen: the first time, Firefox
        starts again with the preferences of one."""
        if not self.touch_screen:
            self.quit()
            self.touch_screen = True
            self.start(self.flags)
        self.call('browsingContext.setViewport', context=self.top, viewport={'width': width, 'height': height},
                  devicePixelRatio=PHONE_RATIO)
        self.call('emulation.setScreenOrientationOverride', contexts=[self.top], screenOrientation={
            'natural': 'portrait', 'type': 'portrait-primary' if width < height else 'landscape-primary'})

    def touch(self, how):
        """A finger on the middle of the canvas (start), slid off it below
        (off), lifted (end)."""
        box = self.box('canvas')
        x, y = int(box['x'] + box['width'] / 2), int(box['y'] + box['height'] / 2)
        steps = {'start': [{'type': 'pointerMove', 'x': x, 'y': y}, {'type': 'pointerDown', 'button': 0}],
                 'off': [{'type': 'pointerMove', 'x': x, 'y': int(box['y'] + box['height'] + 8)}],
                 'end': [{'type': 'pointerUp', 'button': 0}]}[how]
        self.call('input.performActions', context=self.top, actions=[
            {'type': 'pointer', 'id': 'finger', 'parameters': {'pointerType': 'touch'}, 'actions': steps}])

    def quit(self):
        """Ends Firefox, at once if it has not closed within QUIT_WAIT
        seconds, and removes its profile."""
        try:
            self.call('browser.close', limit=QUIT_WAIT)
        except Exception:   # the socket may close before the answer comes
            pass
        self.socket.close()
        try:
            self.process.wait(QUIT_WAIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
