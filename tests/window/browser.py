#!/usr/bin/python3
"""The demo's page in headless Chromium, for the window tests in a browser.

usage: browser.py SITE [CHROMIUM_FLAG ...]

Serves the folder SITE from a loopback HTTP server of its own and drives
Chromium through ChromeDriver, one command a line on standard input, one
answer a line on standard output ("error: ..." when a command fails):

  open [no-canvas] [animation HZ]
                     opens the site's index.html; no-canvas takes the 2D
                     context from every canvas, as a browser without one;
                     animation HZ runs the page's animation frames from
                     timeouts, HZ a second, as a display of that rate would
  shot PATH          writes a PNG of the canvas as the page shows it
  key down|up NAME   presses or releases a key (Tab, Escape) on the page
  eval SCRIPT        the value of a JavaScript expression, as JSON
  errors             the console's errors, and the warnings of the page's
                     scripts, where the program's standard error goes, since
                     the page opened or this was last asked, or none
  cpu                the seconds of CPU the page's renderer has used
  quit               ends the browser and the server

and, for the page on other screens and networks:

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

and, for the page's service worker and older browsers:

  at PATH            opens PATH (/index.html until then) where `open' opens
                     the site's index.html
  fail PATH [FILE]   the server hangs up on every request for PATH, or
                     answers it with FILE's bytes; `fail' alone ends that
  before SCRIPT      runs SCRIPT in each page opened from now on, before
                     the page's own scripts

The page is shown at a device pixel ratio of 1 in sRGB, so that a shot has
the canvas's own pixels, until `phone' changes the ratio. A script added to each page before its own counts
the browser's animation frames (shown.frames) and notes when the canvas
first showed a picture that is not all black (shown.first, in ms since the
navigation began), and lists what the page's content policy refused
(shown.refused). Another lets the page's clock be moved on: the expression
clock.skip(MS) adds MS milliseconds to performance.now().

A shot is taken in device pixels: at a device pixel ratio of 3 a canvas
shown at 320x240 CSS pixels makes a 960x720 picture, of the device pixels
it is drawn on.
"""
import base64
import http.server
import io
import json
import os
import subprocess
import sys
import threading
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# As the machine's probe ran it: no network of its own, a fresh profile.
CHROMIUM_FLAGS = [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--force-color-profile=srgb', '--force-device-scale-factor=1', '--window-size=800,700',
]

WATCH = '''
if (!window.shown) {
  window.shown = { frames: 0, first: null, refused: [] };
  addEventListener('securitypolicyviolation', e => shown.refused.push(e.effectiveDirective + ' ' + e.blockedURI), true);
  (function count() { shown.frames++; requestAnimationFrame(count); })();
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
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

KEYS = {'Tab': Keys.TAB, 'Escape': Keys.ESCAPE, 'Enter': Keys.ENTER}
PHONE_RATIO = 3
SNAP = 0.01           # a device pixel's share that a whole number of them may be off by


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the site: from the folder that `serve' names last, with the
    header that `policy' gives, the framing page of `open framed', for
    the path `fail' names nothing or another file, and nothing at all
    while the network is off."""
    served = {'folder': None, 'policy': None, 'off': False, 'page': '/index.html', 'fail': []}

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=self.served['folder'], **kwargs)

    def handle_one_request(self):
        if self.served['off']:
            self.close_connection = True
            return
        super().handle_one_request()

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
        if self.path == FRAMED_PATH:
            self.send_response(200)
            self.send_header('Content-Type', 'text/html')
            self.send_header('Content-Length', str(len(FRAMED)))
            self.end_headers()
            return io.BytesIO(FRAMED)
        return super().send_head()

    def end_headers(self):
        if self.served['policy']:
            self.send_header('Content-Security-Policy', self.served['policy'])
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    site, flags = sys.argv[1], sys.argv[2:]
    QuietHandler.served['folder'] = site
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), QuietHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    origin = 'http://127.0.0.1:%d' % server.server_address[1]

    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in CHROMIUM_FLAGS + flags:
        options.add_argument(flag)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)

    def open_page(how):
        words = how.split()
        script = WATCH + (NO_CANVAS if 'no-canvas' in words else '')
        if 'animation' in words:
            script = ANIMATION % int(words[words.index('animation') + 1]) + script
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': CLOCK + script})
        if 'framed' in words:
            driver.get(origin + FRAMED_PATH)
            driver.switch_to.frame(0)
        else:
            driver.get(origin + QuietHandler.served['page'])
        return 'ok'

    def shot(path):
        box = driver.execute_script(
            'const r = document.querySelector("canvas").getBoundingClientRect();'
            'return {x: r.x, y: r.y, width: r.width, height: r.height, scale: 1,'
            '        ratio: devicePixelRatio, page: getComputedStyle(document.body).backgroundColor};')
        ratio, page = box.pop('ratio'), box.pop('page')
        # Laid out between device pixels, the canvas is drawn on whole ones,
        # but the browser does not say which: the shot takes a CSS pixel of
        # the page on every side, and the page's colour is cut off again.
        edges = (box['x'], box['y'], box['x'] + box['width'], box['y'] + box['height'])
        between = any(abs(v * ratio - round(v * ratio)) > SNAP for v in edges)
        if between:
            box = {'x': box['x'] - 1, 'y': box['y'] - 1, 'width': box['width'] + 2,
                   'height': box['height'] + 2, 'scale': 1}
        png = driver.execute_cdp_cmd('Page.captureScreenshot', {'format': 'png', 'clip': box})
        with open(path, 'wb') as f:
            f.write(base64.b64decode(png['data']))
        if between:
            subprocess.run(['convert', path, '-bordercolor', page, '-border', '1', '-trim', '+repage', path],
                           check=True)
        return 'ok'

    def key(words):
        action, name = words.split()
        chain = ActionChains(driver)
        (chain.key_down if action == 'down' else chain.key_up)(KEYS[name]).perform()
        return 'ok'

    def cpu(_):
        """The renderers among the processes the driver started."""
        children, total = {}, 0
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                with open('/proc/%s/stat' % pid) as f:
                    fields = f.read().rpartition(')')[2].split()
                with open('/proc/%s/cmdline' % pid, 'rb') as f:
                    renderer = b'--type=renderer' in f.read()
            except OSError:
                continue
            children.setdefault(int(fields[1]), []).append((int(pid), renderer, int(fields[11]) + int(fields[12])))
        family = [driver.service.process.pid]
        while family:
            for pid, renderer, ticks in children.get(family.pop(), []):
                family.append(pid)
                total += ticks if renderer else 0
        return '%.3f' % (total / os.sysconf('SC_CLK_TCK'))

    def errors(_):
        found = [e['message'] for e in driver.get_log('browser')
                 if e['level'] == 'SEVERE' or e['level'] == 'WARNING' and e.get('source') == 'console-api']
        return ' | '.join(found) or 'none'

    def phone(size):
        width, height = (int(v) for v in size.split())
        upright = width < height
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': height, 'deviceScaleFactor': PHONE_RATIO, 'mobile': True,
            'screenOrientation': {'type': 'portraitPrimary' if upright else 'landscapePrimary',
                                  'angle': 0 if upright else 90}})
        driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})
        return 'ok'

    def touch(how):
        box = driver.execute_script(
            'const r = document.querySelector("canvas").getBoundingClientRect();'
            'return [r.x + r.width / 2, r.y + r.height / 2, r.y + r.height + 8];')
        at = {'start': [{'x': box[0], 'y': box[1]}], 'off': [{'x': box[0], 'y': box[2]}], 'end': []}[how]
        kind = {'start': 'touchStart', 'off': 'touchMove', 'end': 'touchEnd'}[how]
        driver.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': at})
        return 'ok'

    def click(name):
        driver.find_element(By.ID, name).click()
        return 'ok'

    def network(state):
        off = state == 'off'
        driver.execute_cdp_cmd('Network.enable', {})
        driver.execute_cdp_cmd('Network.emulateNetworkConditions', {
            'offline': off, 'latency': 0, 'downloadThroughput': -1, 'uploadThroughput': -1})
        if off:
            driver.execute_cdp_cmd('Network.clearBrowserCache', {})
        QuietHandler.served['off'] = off
        return 'ok'

    def installable(_):
        found = driver.execute_cdp_cmd('Page.getInstallabilityErrors', {})['installabilityErrors']
        return ' | '.join(e['errorId'] for e in found) or 'none'

    def serve(key, value):
        QuietHandler.served[key] = value
        return 'ok'

    commands = {
        'open': open_page,
        'shot': shot,
        'key': key,
        'eval': lambda script: json.dumps(driver.execute_script('return ' + script), separators=(',', ':')),
        'errors': errors,
        'cpu': cpu,
        'phone': phone,
        'touch': touch,
        'click': click,
        'policy': lambda policy: serve('policy', policy),
        'serve': lambda folder: serve('folder', folder),
        'network': network,
        'installable': installable,
        'at': lambda path: serve('page', path),
        'fail': lambda words: serve('fail', words.split()),
        'before': lambda script: driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument',
                                                        {'source': script}) and 'ok',
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
        driver.quit()
        server.shutdown()


if __name__ == '__main__':
    main()
