#!/usr/bin/python3
"""The demo's page in a browser, for the window tests in a browser.

usage: browser.py [--engine NAME] SITE [FLAG ...]

Serves the folder SITE from a loopback HTTP server of its own and drives a
browser of engine NAME (or $BLOBS_ENGINE; chromium when neither is given)
with any flags of its own: chromium, headless Chromium through
ChromeDriver; webkit, WebKitGTK's MiniBrowser through WebKitWebDriver, on
the X display that DISPLAY names; firefox, through tests/window/firefox.py.
It reads one command a line on standard input and gives one answer a line
on standard output ("error: ..." when a command fails):

  open [no-canvas] [animation HZ] [bare]
                     opens the site's index.html; no-canvas takes the 2D
                     context from every canvas, as a browser without one;
                     animation HZ runs the page's animation frames from
                     timeouts, HZ a second, as a display of that rate would;
                     bare opens instead a page of the test's own that only
                     puts a 640x480 picture in a canvas at each animation
                     frame, the most a page can show a second here
  shot PATH          writes a PNG of the canvas as the page shows it
  key down|up NAME   presses or releases a key (Tab, Escape) on the page
  eval SCRIPT        the value of a JavaScript expression, as JSON
  errors             the console's errors, and the warnings of the page's
                     scripts, where the program's standard error goes, since
                     the page opened or this was last asked, or none
  cpu                the seconds of CPU the page's renderer has used
  quit               ends the browser and the server

and, for the page on other screens and networks (phone, touch, network
and installable only where the engine has them: elsewhere they answer
"error: not in ENGINE"):

  open framed        opens index.html in a frame of another page, which
                     does not give it the keyboard; the commands that follow
                     act in the frame
  phone W H          shows pages as a phone with touch does, W x H CSS
                     pixels at a device pixel ratio of 3, upright when W < H
  touch start|off|end  a finger on the middle of the canvas, then slid off
                     it, then lifted
  click ID           clicks the page's element ID with the mouse
  policy POLICY      serves every file with the Content-Security-Policy
                     header POLICY
  serve FOLDER       serves FOLDER in place of SITE, at the same address
  network off|on     cuts the network, as the browser's own emulation does
                     and with the server hanging up on every request, and
                     brings it back; cut, it empties the browser's HTTP
                     cache, which would otherwise answer for the files
  installable        the reasons Chromium gives why the page cannot be
                     installed as an app, or none
  idle               Chromium stops the site's service workers, as it
                     does with idle ones: the driver, attached to them,
                     keeps them running otherwise

and, for the page's service worker and older browsers:

  at PATH            opens PATH (/index.html until then) where `open' opens
                     the site's index.html
  fail PATH [FILE]   the server hangs up on every request for PATH, or
                     answers it with FILE's bytes (FILE `moved': a 301 to
                     PATH's folder); `fail' alone ends that
  before SCRIPT      runs SCRIPT in each page opened from now on, before
                     the page's own scripts

The page is shown at a device pixel ratio of 1 in sRGB, so that a shot has
the canvas's own pixels, until `phone' changes the ratio. A script added to each page before its own counts
the browser's animation frames (shown.frames) and the pictures put in a
canvas (shown.puts), and notes when the canvas
first showed a picture that is not all black (shown.first, in ms since the
navigation began), and lists what the page's content policy refused
(shown.refused). Another lets the page's clock be moved on: the expression
clock.skip(MS) adds MS milliseconds to performance.now().

A shot is taken in device pixels: at a device pixel ratio of 3 a canvas
shown at 320x240 CSS pixels makes a 960x720 picture, of the device pixels
it is drawn on.

What differs between the engines is behind one class for each, with these
methods (tests/window/firefox.py holds class Firefox, written to match):

  start(flags)           starts the browser with the engine's own flags
  add_script(source)     runs SOURCE in each new document before its own
                         scripts, from the next navigation on, after any
                         added before
  navigate(url)          opens URL and returns once it has loaded
  enter_frame()          the commands that follow act in the first frame
  evaluate(expression)   the value of a JavaScript expression, a promise's
                         once it settles, as Python's json would read it
  shot(path)             writes a PNG of the canvas's device pixels
  key(action, name)      'down' or 'up', of a name in KEYS
  click(element_id)      clicks the element with the mouse
  errors()               a list of the console's errors (and the page's
                         scripts' warnings) since the page opened or this
                         was last asked
  cpu()                  seconds of CPU the page's processes have used
  quit()                 ends the browser

and, only where the engine has them, phone(width, height), touch(how),
network(off) and installable() (a list of reasons, empty when it can be).
"""
import base64
import http.server
import inspect
import io
import json
import os
import re
import subprocess
import sys
import threading
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.webkitgtk.service import Service as WebKitService

ENGINES = ('chromium', 'webkit', 'firefox')

# As the machine's probe ran it: no network of its own, a fresh profile.
CHROMIUM_FLAGS = [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--force-color-profile=srgb', '--force-device-scale-factor=1', '--window-size=800,700',
]
MINIBROWSER = ['/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
               '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.0/MiniBrowser']
WINDOW = (800, 700)   # the browser window's size, as Chromium's --window-size

WATCH = '''
if (!window.shown) {
  window.shown = { frames: 0, puts: 0, first: null, refused: [] };
  addEventListener('securitypolicyviolation', e => shown.refused.push(e.effectiveDirective + ' ' + e.blockedURI), true);
  (function count() { shown.frames++; requestAnimationFrame(count); })();
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
    shown.puts++;
    if (shown.first === null) {
      const rgba = new Uint32Array(image.data.buffer, image.data.byteOffset, image.width * image.height);
      for (let i = 0; i < rgba.length; i++)
        if (rgba[i] & 0xffffff) {
          shown.first = performance.now();
          break;
        }
    }
    return put.call(this, image, ...rest);
  };
}
'''
# The console's errors and warnings, and what failed to load or was thrown,
# kept in the page for an engine whose driver reads no console, or none in
# order with its answers (Firefox's).
CONSOLE = '''
if (!window.said) {
  window.said = [];
  for (const level of ['error', 'warn']) {
    const log = console[level];
    console[level] = function (...args) { said.push(args.join(' ')); return log.apply(this, args); };
  }
  addEventListener('error', e => said.push(e.message || (e.target.src || e.target.href) + ' did not load'), true);
  addEventListener('unhandledrejection', e => said.push('uncaught ' + e.reason));
}
'''
NO_CANVAS = 'HTMLCanvasElement.prototype.getContext = function () { return null; };'
# The page's clock, which the test can move on.
CLOCK = '''
if (!window.clock) {
  const now = Performance.prototype.now;
  window.clock = { offset: 0, skip(ms) { clock.offset += ms; return true; } };
  Performance.prototype.now = function () { return now.call(this) + clock.offset; };
}
'''
# Animation frames every 1000/HZ ms by the real clock, from timeouts; put
# before WATCH, which counts them.
ANIMATION = '''
if (!window.animation) {
  window.animation = { hz: %d, waiting: new Map(), next: 1 };
  const now = performance.now.bind(performance), period = 1000 / animation.hz;
  let due = now() + period;
  (function run() {
    const callbacks = animation.waiting, t = now();
    animation.waiting = new Map();
    callbacks.forEach(f => f(t));
    due = Math.max(due + period, t);
    setTimeout(run, due - now());
  })();
  window.requestAnimationFrame = f => { animation.waiting.set(animation.next, f); return animation.next++; };
  window.cancelAnimationFrame = id => { animation.waiting.delete(id); };
}
'''
FRAMED = (b'<!DOCTYPE html><title>Another page</title><link rel="icon" href="blobs.png">'
          b'<iframe src="index.html" width="700" height="600"></iframe>')
FRAMED_PATH = '/framed-by-the-test.html'
# The bare page: a 640x480 picture, another at each animation frame, put in
# a canvas as the demo's page does, from a script of its own file (the
# policy's) that WATCH counts.
BARE = (b'<!DOCTYPE html><title>A canvas</title><link rel="icon" href="blobs.png">'
        b'<canvas width="640" height="480"></canvas><script src="bare-by-the-test.js"></script>')
BARE_PATH = '/bare-by-the-test.html'
BARE_SCRIPT = b'''
const context = document.querySelector('canvas').getContext('2d', { alpha: false });
const image = new ImageData(640, 480), pixels = new Uint32Array(image.data.buffer);
let n = 0;
(function put() {
  pixels.fill(0xff000000 | (n++ * 0x030507 & 0xffffff));
  context.putImageData(image, 0, 0);
  requestAnimationFrame(put);
})();
'''
# Where an engine cannot run a script before a document's own, the server
# puts this first in each page it serves, and serves the scripts there.
ADDED_PATH = '/added-by-the-test.js'
ADDED_TAG = b'<script src="%s"></script>' % ADDED_PATH.encode()

KEYS = {'Tab': Keys.TAB, 'Escape': Keys.ESCAPE, 'Enter': Keys.ENTER}
PHONE_RATIO = 3
SNAP = 0.01           # a device pixel's share that a whole number of them may be off by

# The canvas's box in CSS pixels of the page's viewport, the device pixel
# ratio and the page's colour.
CANVAS_BOX = ('const r = document.querySelector("canvas").getBoundingClientRect();'
              'return {x: r.x, y: r.y, width: r.width, height: r.height, scale: 1,'
              '        ratio: devicePixelRatio, page: getComputedStyle(document.body).backgroundColor};')


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the site: from the folder that `serve' names last, with the
    header that `policy' gives, the test's own pages, the scripts added for
    an engine that cannot add them itself, for the path `fail' names
    nothing or another file, and nothing at all while the network is
    off."""
    served = {'folder': None, 'policy': None, 'off': False, 'added': [], 'page': '/index.html',
              'fail': []}

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=self.served['folder'], **kwargs)

    def handle_one_request(self):
        if self.served['off']:
            self.close_connection = True
            return
        super().handle_one_request()

    def send_bytes(self, body, kind):
        self.send_response(200)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        self.end_headers()
        return io.BytesIO(body)

    def failing(self, path):
        fail = self.served['fail']
        return fail and urllib.parse.urlsplit(path).path == fail[0]

    def translate_path(self, path):
        if self.failing(path) and len(self.served['fail']) > 1:
            return self.served['fail'][1]
        return super().translate_path(path)

    def send_head(self):
        if self.failing(self.path) and len(self.served['fail']) == 1:
            self.close_connection = True
            return None
        if self.failing(self.path) and self.served['fail'][1] == 'moved':
            self.send_response(301)
            self.send_header('Location', self.served['fail'][0].rpartition('/')[0] + '/')
            return self.end_headers()
        own = {FRAMED_PATH: (FRAMED, 'text/html'), BARE_PATH: (BARE, 'text/html'),
               '/bare-by-the-test.js': (BARE_SCRIPT, 'text/javascript')}
        path, added = self.path.partition('?')[0], self.served['added']
        if added and path == ADDED_PATH:
            return self.send_bytes('\n'.join(added).encode(), 'text/javascript')
        if added and path.endswith('.html'):
            page = self.send_page(path)
            if page:
                return page
        if path in own:
            return self.send_bytes(*own[path])
        return super().send_head()

    def send_page(self, path):
        """A page of the site, or of the test's own, with the added scripts
        before everything else in it."""
        body = FRAMED if path == FRAMED_PATH else BARE if path == BARE_PATH else None
        if body is None:
            try:
                with open(self.translate_path(path), 'rb') as f:
                    body = f.read()
            except OSError:
                return None
        at = re.search(rb'<head>|<!DOCTYPE html>', body, re.I)
        at = at.end() if at else 0
        return self.send_bytes(body[:at] + ADDED_TAG + body[at:], 'text/html')

    def end_headers(self):
        if self.served['policy']:
            self.send_header('Content-Security-Policy', self.served['policy'])
        super().end_headers()

    def log_message(self, *args):
        pass


def family_cpu(root, is_page):
    """The seconds of CPU used by the processes below ROOT whose command
    line IS_PAGE takes for the page's."""
    children, total = {}, 0
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/stat' % pid) as f:
                fields = f.read().rpartition(')')[2].split()
            with open('/proc/%s/cmdline' % pid, 'rb') as f:
                page = is_page(f.read())
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append((int(pid), page, int(fields[11]) + int(fields[12])))
    family = [root]
    while family:
        for pid, page, ticks in children.get(family.pop(), []):
            family.append(pid)
            total += ticks if page else 0
    return total / os.sysconf('SC_CLK_TCK')


def press(driver, action, name):
    """Presses or releases a key through WebDriver's actions."""
    chain = ActionChains(driver)
    (chain.key_down if action == 'down' else chain.key_up)(KEYS[name]).perform()


class Chromium:
    """Headless Chromium through ChromeDriver, and its DevTools protocol."""
    name = 'chromium'

    def start(self, flags):
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in CHROMIUM_FLAGS + flags:
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)

    def add_script(self, source):
        self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': source})

    def navigate(self, url):
        self.driver.get(url)

    def enter_frame(self):
        self.driver.switch_to.frame(0)

    def evaluate(self, expression):
        return self.driver.execute_script('return ' + expression)

    def shot(self, path):
        box = self.driver.execute_script(CANVAS_BOX)
        ratio, page = box.pop('ratio'), box.pop('page')
        # Laid out between device pixels, the canvas is drawn on whole ones,
        # but the browser does not say which: the shot takes a CSS pixel of
        # the page on every side, and the page's colour is cut off again.
        edges = (box['x'], box['y'], box['x'] + box['width'], box['y'] + box['height'])
        between = any(abs(v * ratio - round(v * ratio)) > SNAP for v in edges)
        if between:
            box = {'x': box['x'] - 1, 'y': box['y'] - 1, 'width': box['width'] + 2,
                   'height': box['height'] + 2, 'scale': 1}
        png = self.driver.execute_cdp_cmd('Page.captureScreenshot', {'format': 'png', 'clip': box})
        with open(path, 'wb') as f:
            f.write(base64.b64decode(png['data']))
        if between:
            subprocess.run(['convert', path, '-bordercolor', page, '-border', '1', '-trim', '+repage', path],
                           check=True)

    def key(self, action, name):
        press(self.driver, action, name)

    def click(self, element_id):
        self.driver.find_element(By.ID, element_id).click()

    def errors(self):
        return [e['message'] for e in self.driver.get_log('browser')
                if e['level'] == 'SEVERE' or e['level'] == 'WARNING' and e.get('source') == 'console-api']

    def cpu(self):
        """The renderers among the processes the driver started."""
        return family_cpu(self.driver.service.process.pid, lambda line: b'--type=renderer' in line)

    def quit(self):
        self.driver.quit()

    def phone(self, width, height):
        upright = width < height
        self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': height, 'deviceScaleFactor': PHONE_RATIO, 'mobile': True,
            'screenOrientation': {'type': 'portraitPrimary' if upright else 'landscapePrimary',
                                  'angle': 0 if upright else 90}})
        self.driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})

    def touch(self, how):
        box = self.driver.execute_script(
            'const r = document.querySelector("canvas").getBoundingClientRect();'
            'return [r.x + r.width / 2, r.y + r.height / 2, r.y + r.height + 8];')
        at = {'start': [{'x': box[0], 'y': box[1]}], 'off': [{'x': box[0], 'y': box[2]}], 'end': []}[how]
        kind = {'start': 'touchStart', 'off': 'touchMove', 'end': 'touchEnd'}[how]
        self.driver.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': at})

    def network(self, off):
        self.driver.execute_cdp_cmd('Network.enable', {})
        self.driver.execute_cdp_cmd('Network.emulateNetworkConditions', {
            'offline': off, 'latency': 0, 'downloadThroughput': -1, 'uploadThroughput': -1})
        if off:
            self.driver.execute_cdp_cmd('Network.clearBrowserCache', {})

    def idle(self):
        self.driver.execute_cdp_cmd('ServiceWorker.enable', {})
        self.driver.execute_cdp_cmd('ServiceWorker.stopAllWorkers', {})

    def installable(self):
        found = self.driver.execute_cdp_cmd('Page.getInstallabilityErrors', {})['installabilityErrors']
        return [e['errorId'] for e in found]


class WebKit:
    """WebKitGTK's MiniBrowser through WebKitWebDriver, in a window on the X
    display DISPLAY names, under a window manager that gives it the focus.
    Its driver cannot add a script to a page, read the console or take a
    true shot: the server puts the scripts in each page it serves, the page
    keeps its console's errors (CONSOLE), and a shot is cut from the X
    server's picture of the window (xwd), exact where the driver's own are
    cut by the toolbar and made brighter."""
    name = 'webkit'

    def start(self, flags):
        options = webdriver.WebKitGTKOptions()
        options.binary_location = next(filter(os.path.exists, MINIBROWSER), MINIBROWSER[0])
        for flag in ['--automation'] + flags:
            options.add_argument(flag)
        # Selenium takes the driver as a service from 4.10 on (Debian 13's),
        # and by its path before (Debian 12's).
        driver = '/usr/bin/WebKitWebDriver'
        if 'service' in inspect.signature(webdriver.WebKitGTK).parameters:
            self.driver = webdriver.WebKitGTK(service=WebKitService(driver), options=options)
        else:
            self.driver = webdriver.WebKitGTK(executable_path=driver, options=options)
        self.driver.set_window_rect(0, 0, *WINDOW)
        QuietHandler.served['added'] = [CONSOLE]

    def add_script(self, source):
        QuietHandler.served['added'].append(source)

    def navigate(self, url):
        self.driver.get(url)

    def enter_frame(self):
        """WebKit's driver gives a frame it enters the focus, which a frame
        in another page does not have until clicked: it goes back to the
        page around it."""
        self.driver.switch_to.frame(0)
        self.driver.execute_script('parent.focus()')

    def evaluate(self, expression):
        return self.driver.execute_script('return ' + expression)

    def shot(self, path):
        # The canvas's place in the browser's window: below its toolbar,
        # and in the frames it lies in; taken once two animation frames
        # have passed, when the window shows what the page last drew.
        x, y, w, h = self.driver.execute_script(
            'return new Promise(f => requestAnimationFrame(() => requestAnimationFrame(f))).then(() => {'
            '  const r = document.querySelector("canvas").getBoundingClientRect();'
            '  let x = r.x, y = r.y;'
            '  for (let w = window; w.frameElement; w = w.parent) {'
            '    const f = w.frameElement.getBoundingClientRect();'
            '    x += f.x + w.frameElement.clientLeft; y += f.y + w.frameElement.clientTop;'
            '  }'
            '  return [x, y + top.outerHeight - top.innerHeight, r.width, r.height]'
            '    .map(v => Math.round(v * devicePixelRatio));'
            '})')
        window = subprocess.run(['xdotool', 'search', '--onlyvisible', '--class', 'MiniBrowser'],
                                check=True, stdout=subprocess.PIPE, text=True).stdout.split()[0]
        picture = subprocess.run(['xwd', '-silent', '-id', window], check=True, stdout=subprocess.PIPE).stdout
        subprocess.run(['convert', 'xwd:-', '-crop', '%dx%d+%d+%d' % (w, h, x, y), '+repage', '-strip', 'png:' + path],
                       input=picture, check=True)

    def key(self, action, name):
        press(self.driver, action, name)

    def click(self, element_id):
        self.driver.find_element(By.ID, element_id).click()

    def errors(self):
        return self.driver.execute_script('return window.said ? said.splice(0) : []')

    def cpu(self):
        """The web processes among the processes the driver started."""
        return family_cpu(self.driver.service.process.pid, lambda line: b'WebKitWebProcess' in line)

    def quit(self):
        self.driver.quit()


def engine_named(name):
    """A new engine of class NAME's."""
    if name == 'chromium':
        return Chromium()
    if name == 'webkit':
        return WebKit()
    if name == 'firefox':
        try:
            from firefox import Firefox
        except ImportError as e:
            sys.exit('browser.py: the firefox engine needs tests/window/firefox.py: %s' % e)
        Firefox.scripts = (CONSOLE,)   # added at each start
        return Firefox()
    sys.exit('browser.py: no engine %s: one of %s' % (name, ', '.join(ENGINES)))


def main():
    args = sys.argv[1:]
    name = os.environ.get('BLOBS_ENGINE') or 'chromium'
    if args[:1] == ['--engine']:
        name, args = args[1], args[2:]
    site, flags = args[0], args[1:]
    QuietHandler.served['folder'] = site
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), QuietHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    origin = 'http://127.0.0.1:%d' % server.server_address[1]
    engine = engine_named(name)
    engine.start(flags)

    def open_page(how):
        words = how.split()
        script = WATCH + (NO_CANVAS if 'no-canvas' in words else '')
        if 'animation' in words:
            script = ANIMATION % int(words[words.index('animation') + 1]) + script
        engine.add_script(CLOCK + script)
        if 'framed' in words:
            engine.navigate(origin + FRAMED_PATH)
            engine.enter_frame()
        else:
            engine.navigate(origin + (BARE_PATH if 'bare' in words else QuietHandler.served['page']))
        return 'ok'

    def only(command, *convert):
        """The engine's own COMMAND, its argument's words converted."""
        def run(argument):
            if not hasattr(engine, command):
                return 'error: not in ' + engine.name
            return getattr(engine, command)(*(f(w) for f, w in zip(convert, argument.split())))
        return run

    def done(f):
        return lambda *args: f(*args) or 'ok'

    def serve(key, value):
        QuietHandler.served[key] = value
        return 'ok'

    def network(state):
        off = state == 'off'
        answer = only('network', lambda _: off)(state)
        if answer is None:
            QuietHandler.served['off'] = off
        return answer or 'ok'

    def installable(_):
        found = only('installable')('')
        return found if isinstance(found, str) else ' | '.join(found) or 'none'

    commands = {
        'open': open_page,
        'shot': done(engine.shot),
        'key': done(lambda words: engine.key(*words.split())),
        'eval': lambda script: json.dumps(engine.evaluate(script), separators=(',', ':')),
        'errors': lambda _: ' | '.join(engine.errors()) or 'none',
        'cpu': lambda _: '%.3f' % engine.cpu(),
        'phone': done(only('phone', int, int)),
        'touch': done(only('touch', str)),
        'click': done(engine.click),
        'policy': lambda policy: serve('policy', policy),
        'serve': lambda folder: serve('folder', folder),
        'network': network,
        'installable': installable,
        'idle': done(only('idle')),
        'at': lambda path: serve('page', path),
        'fail': lambda words: serve('fail', words.split()),
        'before': done(engine.add_script),
    }
    try:
        for line in sys.stdin:
            command, _, argument = line.strip().partition(' ')
            if command in ('', 'quit'):
                break
            try:
                answer = commands[command](argument)
            except Exception as e:  # the test reads the reason
                answer = 'error: ' + ' '.join((getattr(e, 'msg', None) or str(e)).split())
            print(answer, flush=True)
    finally:
        engine.quit()
        server.shutdown()


if __name__ == '__main__':
    main()
