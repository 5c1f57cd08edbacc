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

The page is shown at a device pixel ratio of 1 in sRGB, so that a shot has
the canvas's own pixels. A script added to each page before its own counts
the browser's animation frames (shown.frames) and notes when the canvas
first showed a picture that is not all black (shown.first, in ms since the
navigation began). Another lets the page's clock be moved on: the
expression clock.skip(MS) adds MS milliseconds to performance.now().
"""
import base64
import functools
import http.server
import json
import os
import sys
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

# As the machine's probe ran it: no network of its own, a fresh profile.
CHROMIUM_FLAGS = [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--force-color-profile=srgb', '--force-device-scale-factor=1', '--window-size=800,700',
]

WATCH = '''
if (!window.shown) {
  window.shown = { frames: 0, first: null };
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

KEYS = {'Tab': Keys.TAB, 'Escape': Keys.ESCAPE}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    site, flags = sys.argv[1], sys.argv[2:]
    server = http.server.ThreadingHTTPServer(
        ('127.0.0.1', 0), functools.partial(QuietHandler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = 'http://127.0.0.1:%d/index.html' % server.server_address[1]

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
        driver.get(url)
        return 'ok'

    def shot(path):
        box = driver.execute_script(
            'const r = document.querySelector("canvas").getBoundingClientRect();'
            'return {x: r.x, y: r.y, width: r.width, height: r.height, scale: 1};')
        png = driver.execute_cdp_cmd('Page.captureScreenshot', {'format': 'png', 'clip': box})
        with open(path, 'wb') as f:
            f.write(base64.b64decode(png['data']))
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

    commands = {
        'open': open_page,
        'shot': shot,
        'key': key,
        'eval': lambda script: json.dumps(driver.execute_script('return ' + script), separators=(',', ':')),
        'errors': errors,
        'cpu': cpu,
    }
    try:
        for line in sys.stdin:
            command, _, argument = line.strip().partition(' ')
            if command in ('', 'quit'):
                break
            try:
                answer = commands[command](argument)
            except Exception as e:  # the test reads the reason
                answer = 'error: ' + ' '.join(str(e).split())
            print(answer, flush=True)
    finally:
        driver.quit()
        server.shutdown()


if __name__ == '__main__':
    main()
