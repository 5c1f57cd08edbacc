/* Blobs in a page: the demo's program (blobs.js and blobs.wasm) draws in the
 * canvas and shows its one-line messages below it. The page fits the
 * picture to the screen it is on, on whole device pixels, lets a touch held
 * on it do what Tab held does, shows it full screen, offers to start it
 * again once it has ended, keeps its files for a visit without a network
 * (sw.js), and tells a browser too old for it so. */
(function () {
  'use strict';
  var FRAME_W = 320, FRAME_H = 240;   /* each frame, before the screen doubles it */
  var WINDOW_SCALE = 2;               /* the screen's pixels for each frame pixel, each way */
  var SLACK = 1e-6;                   /* for sizes in device pixels that should be whole */
  var TAKE_OVER_MS = 1000;            /* the longest a new build's worker may take to answer */
  var POLICY_REPORT_MS = 500;         /* the longest a content policy's report may take */

  var KEYS = 'Escape ends the demo; hold Tab to let it run as fast as it can.';
  var CLICK = 'Click the picture first, so that the keys reach the demo: ' +
              'then Escape ends it, and holding Tab lets it run as fast as it can.';
  var TOUCH = 'Touch and hold the picture to let it run as fast as it can.';
  /* Firefox: the oldest that the build's runtime is written for, put in as
   * the site is built (Web.cmake). */
  var OLDEST = ': Safari 16, Firefox @web_firefox@, Chromium 97 and their later versions run it.';
  var TOO_OLD = 'This browser is too old for the demo' + OLDEST;
  var TOO_OLD_POLICY = 'This browser is too old for the page\'s security policy, ' +
                       'which keeps it from running the demo' + OLDEST;
  var REFUSED_POLICY = 'The site\'s security policy keeps the demo from running: ' +
                       'WebAssembly needs \'wasm-unsafe-eval\' in its script-src.';
  var REFUSED_SETTING = 'This browser is set to refuse WebAssembly, which the demo needs.';

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('screen');
  var message = document.getElementById('message');
  var fullButton = document.getElementById('full');
  var againButton = document.getElementById('again');
  var touchScreen = matchMedia('(hover: none) and (pointer: coarse)');
  var running = false;
  var said = false;

  /* A browser too old for the page is told so, rather than left with a
   * black picture: one whose media queries cannot be listened to (Safari
   * before 14) runs none of what follows. */
  if (typeof touchScreen.addEventListener !== 'function') {
    say(TOO_OLD);
    return;
  }

  /* ---- The picture's size */

  /* Every pixel of a frame as a square of whole device pixels, so that the
   * picture stays crisp at any zoom and on any display: twice the frame in
   * CSS pixels, as the window shows it, where that fits, and otherwise the
   * most whole device pixels a frame pixel can have and the picture still
   * fit whole, with the line under it, at least one. Full screen, the most
   * that fit on the screen. */
  function fit() {
    var ratio = window.devicePixelRatio || 1;
    var full = fullElement() === stage;
    var room_w, room_h, most = Infinity;
    if (full) {
      room_w = stage.clientWidth;
      room_h = stage.clientHeight;
    } else {
      var main = stage.parentNode;
      room_w = document.documentElement.clientWidth;
      room_h = document.documentElement.clientHeight - (main.offsetHeight - stage.offsetHeight);
      most = Math.max(1, Math.round(WINDOW_SCALE * ratio));
    }
    var k = Math.min(most,
                     Math.floor(room_w * ratio / FRAME_W + SLACK),
                     Math.floor(room_h * ratio / FRAME_H + SLACK));
    k = Math.max(1, k);
    canvas.style.width = FRAME_W * k / ratio + 'px';
    canvas.style.height = FRAME_H * k / ratio + 'px';
    place(ratio);
  }

  /* Moves the picture from where centring puts it to the nearest whole
   * device pixel, so that its top and left are whole device pixels as its
   * size is, and no engine has to snap or resample a picture that begins
   * between two. */
  function place(ratio) {
    canvas.style.left = canvas.style.top = '';
    var box = canvas.getBoundingClientRect();
    canvas.style.left = (Math.round(box.left * ratio) - box.left * ratio) / ratio + 'px';
    canvas.style.top = (Math.round(box.top * ratio) - box.top * ratio) / ratio + 'px';
  }

  /* Fits again whenever the room changes: the window resized or turned,
   * full screen entered or left, the page zoomed (which changes the device
   * pixel ratio), or the line under the picture taking more or less: then
   * at the next frame, since fitting the picture again can change the
   * line's size too (a scroll bar come or gone in between), which the
   * browser would otherwise report as an error of the page, one that would
   * take the place of the line's own words. */
  function watchRatio() {
    var ratio = window.devicePixelRatio || 1;
    matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', function () {
      fit();
      watchRatio();
    }, { once: true });
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  document.addEventListener('webkitfullscreenchange', fit);
  watchRatio();
  if (window.ResizeObserver)
    new ResizeObserver(function () {
      requestAnimationFrame(fit);
    }).observe(document.getElementById('lines'));

  /* ---- The line under the picture */

  /* Until the demo has something to say, the line tells its keys, and
   * speaks to the device: touch on a touch screen; the keys, once the
   * page has the keyboard, and until then where to click for it (a page
   * opened in the background, or in another page's frame, does not have
   * it). */
  function tellKeys() {
    if (!said)
      message.textContent = touchScreen.matches ? TOUCH : document.hasFocus() ? KEYS : CLICK;
  }
  window.addEventListener('focus', tellKeys);
  window.addEventListener('blur', tellKeys);
  touchScreen.addEventListener('change', tellKeys);
  tellKeys();
  fit();

  /* What the demo says, in place of its keys. */
  function say(text) {
    said = true;
    message.textContent = text;
  }

  /* Once the demo has ended, for whatever reason, the page can start it
   * again: it loads itself afresh, and the demo starts from its first
   * frame. Full screen is no use to a picture that no longer moves. */
  function end() {
    fullButton.hidden = true;
    againButton.hidden = false;
  }
  againButton.addEventListener('click', function () {
    location.reload();
  });

  /* ---- Touch: held on the picture, it is Tab held */

  /* The keyboard driver listens for the page's key events on the window;
   * the touch sends it Tab's, as a keyboard would, and only when the
   * touch begins or ends. */
  var holding = false;
  function hold(on) {
    if (on === holding)
      return;
    holding = on;
    window.dispatchEvent(new KeyboardEvent(on ? 'keydown' : 'keyup', { key: 'Tab', code: 'Tab' }));
  }

  /* Held while a finger that touched the picture is still on it: lifting
   * it, sliding it off the picture or the touch being cancelled ends it.
   * Taken from the page, a touch neither scrolls, zooms, selects nor opens
   * a menu. */
  function onPicture(touches) {
    var box = canvas.getBoundingClientRect();
    return Array.prototype.some.call(touches, function (t) {
      return t.clientX >= box.left && t.clientX < box.right &&
             t.clientY >= box.top && t.clientY < box.bottom;
    });
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (type) {
    canvas.addEventListener(type, function (event) {
      event.preventDefault();
      hold(onPicture(event.targetTouches));
    }, { passive: false });
  });
  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

  /* ---- Full screen */

  /* The element shown full screen, and the calls that show and leave it:
   * Safari before 16.4 has them only with its prefix. */
  function fullElement() {
    return document.fullscreenElement || document.webkitFullscreenElement || null;
  }
  var enterFull = stage.requestFullscreen || stage.webkitRequestFullscreen;
  var leaveFull = document.exitFullscreen || document.webkitExitFullscreen;

  /* Calls f on `on', where the prefixed calls return nothing and the others
   * a promise, whose refusal is no error. */
  function callFull(f, on) {
    var done = f.call(on, { navigationUI: 'hide' });
    if (done && done.catch)
      done.catch(function () {});
  }

  /* The picture full screen, through the control, where the browser can
   * show it so. The browser's own way out is Escape: while full screen,
   * neither Escape's press nor its release reaches the demo, so that
   * leaving full screen does not end it too, whether the browser leaves on
   * the press (Chromium), on the release (Gecko) or keeps both. */
  if ((document.fullscreenEnabled || document.webkitFullscreenEnabled) && enterFull) {
    var escaping = false;
    fullButton.hidden = false;
    fullButton.addEventListener('click', function () {
      callFull(enterFull, stage);
    });
    ['keydown', 'keyup'].forEach(function (type) {
      window.addEventListener(type, function (event) {
        if (event.code !== 'Escape' || !(fullElement() || escaping && type === 'keyup'))
          return;
        event.stopImmediatePropagation();
        escaping = type === 'keydown';
        if (escaping)
          callFull(leaveFull, document);
      }, true);
    });
  }

  /* ---- The program */

  if (typeof WebAssembly !== 'object') {
    say('This browser cannot run the demo: it has no WebAssembly.');
    return;
  }

  /* An empty module, made first, tells whether WebAssembly may run here
   * (Chromium refuses to compile it, WebKit only to make an instance of
   * it). Where a content policy refuses it, the policy that did is read
   * from the report of its violation (Chromium, Gecko) or from the error
   * (WebKit, which makes no report): a policy with 'wasm-unsafe-eval' is
   * the page's own, in a browser that does not know it (Safari before 16,
   * Chromium before 97); one without it is the host's. Refused without a
   * policy, WebAssembly is off in the browser's settings. */
  var refusing = '';
  window.addEventListener('securitypolicyviolation', function (event) {
    if (/^(wasm-)?eval$/.test(event.blockedURI))
      refusing = event.originalPolicy;
  });
  try {
    new WebAssembly.Instance(new WebAssembly.Module(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0])));
  } catch (refused) {
    setTimeout(function () {   /* the report comes after the error */
      var policy = refusing || (/Content Security Policy directive: "([^"]*)"/i.exec(refused) || [])[1];
      say(!policy ? REFUSED_SETTING : policy.indexOf("'wasm-unsafe-eval'") >= 0 ? TOO_OLD_POLICY : REFUSED_POLICY);
    }, POLICY_REPORT_MS);
    return;
  }

  /* What stops the demo, told in one line; a page opened from disk cannot
   * fetch blobs.wasm, and says how to open it instead. */
  function fail(what) {
    var opened = location.protocol === 'file:' ?
        ' (a page opened from disk cannot load it: serve the folder over HTTP)' : '';
    say((running ? 'The demo stopped: ' : 'The demo could not start: ') + what + opened);
    end();
  }
  window.addEventListener('error', function (event) { fail(event.message); });
  window.addEventListener('unhandledrejection', function (event) { fail(String(event.reason)); });

  /* The site's files, kept for a visit without a network (sw.js). The
   * worker is started once the demo runs, when the browser already holds
   * every file the worker keeps, so that keeping them downloads nothing
   * again and takes nothing from the start. Where the browser keeps none
   * (a page from disk, or not from a secure origin), the demo runs all the
   * same. At each visit the worker is asked of the server again, never of
   * the browser's HTTP cache, which a host may let keep it for a while, and
   * at once rather than when the browser finds time: a new build's worker,
   * and with it the new build's files, takes over at a later visit (see the
   * end of this file). */
  function keepForOffline() {
    if ('serviceWorker' in navigator && location.protocol !== 'file:')
      navigator.serviceWorker.register('sw.js', { updateViaCache: 'none' }).then(function (kept) {
        return kept.update();
      }).catch(function () {});
  }

  /* The program, fetched beside blobs.js, and compiled here, so that a
   * failure is told, whatever type the server gives the file. */
  var program;
  function instantiate(imports, receive) {
    program.then(function (bytes) {
      return WebAssembly.instantiate(bytes, imports);
    }).then(function (result) {
      receive(result.instance);
    }, function (reason) {
      fail(String(reason));
    });
    return {};
  }

  window.Module = {
    canvas: canvas,
    instantiateWasm: instantiate,
    message: say,
    print: say,
    onRuntimeInitialized: function () {
      running = true;
      keepForOffline();
    },
    onExit: function (status) {
      if (status === 0)
        say('The demo has ended.');
      end();
    },
    onAbort: fail
  };
  function load() {
    if (program)
      return;
    program = fetch('blobs.wasm').then(function (response) {
      if (!response.ok)
        throw 'blobs.wasm: ' + response.status + ' ' + response.statusText;
      return response.arrayBuffer();
    });
    var loader = document.createElement('script');
    loader.src = 'blobs.js';
    loader.onerror = function () { fail('blobs.js did not load'); };
    document.body.appendChild(loader);
  }

  /* A new build, once its worker keeps it whole, waits while a page of the
   * old one is open, so that no page takes part of its files from each.
   * A visit that finds one waiting asks it whether this is the site's one
   * open page; told so within TAKE_OVER_MS, it asks it to take over, and
   * once it has, opens again, with the new build; it never loads the old
   * one meanwhile, and asks again every TAKE_OVER_MS until answered (a
   * worker stopped by the browser drops what it was asked). Told
   * otherwise, or not in time, the visit runs the old build, and the new
   * one waits until the old build's pages are closed: the worker takes
   * over only when asked. */
  function ask(worker, question, again) {
    return new Promise(function (answer) {
      (function post() {
        var channel = new MessageChannel();
        channel.port1.onmessage = function (event) {
          again = 0;
          answer(event.data);
        };
        worker.postMessage(question, [channel.port2]);
        if (again)
          setTimeout(function () { return again && post(); }, again);
      })();
    });
  }
  var workers = navigator.serviceWorker;
  if (workers && workers.controller) {
    workers.getRegistration().then(function (kept) {
      if (!kept || !kept.waiting)
        return load();
      var waiting = kept.waiting, late = setTimeout(load, TAKE_OVER_MS);
      return ask(waiting, 'alone?').then(function (alone) {
        if (!alone || program)
          return load();
        clearTimeout(late);
        workers.addEventListener('controllerchange', function () {
          if (!program)
            location.reload();
        });
        return ask(waiting, 'take over', TAKE_OVER_MS).then(function (taken) {
          if (!taken)
            load();
        });
      });
    }).catch(load);
  } else {
    load();
  }
})();
