// The page around the viewer (run before it starts): the canvas at the
// screen's real pixels, the page's key, pointer and touch events turned into
// the viewer's handlers, the pop-up menu of HTML elements, screen dumps as
// downloads, a map of the user's own, and a stop's line on the page.
var QarnPage = (function () {
  var canvas = document.getElementById('canvas');
  var menu = document.getElementById('menu');
  var stopBox = document.getElementById('stop');
  var mapMsg = document.getElementById('mapmsg');
  var page = {
    lines: [],        // every console line of the run, for whoever asks
    running: false,   // from the start-up to a stop
    stopped: false,
    zoomSteps: 0,     // pinch steps not yet handed over, + nearer, - farther
  };

  // GLUT codes of the special keys, by the key's name.
  var special = {
    F1: 1, F2: 2, F3: 3, F4: 4, F5: 5, F6: 6, F7: 7, F8: 8, F9: 9, F10: 10, F11: 11, F12: 12,
    ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103,
    PageUp: 104, PageDown: 105, Home: 106, End: 107, Insert: 108,
  };
  // Keys that name a character without being one.
  var named = { Enter: 13, Escape: 27, Backspace: 8, Tab: 9, Delete: 127 };

  // A call into the viewer; a stop inside it ends the run there.
  function call(fn) {
    if (!page.running) return undefined;
    var args = Array.prototype.slice.call(arguments, 1);
    try {
      return fn.apply(null, args);
    } catch (e) {
      if (e === 'unwind' || (typeof ExitStatus != 'undefined' && e instanceof ExitStatus)) return undefined;
      throw e;
    }
  }

  function ratio() { return window.devicePixelRatio || 1; }

  // The canvas takes the window's CSS size times the screen's density.
  function fit() {
    var w = Math.max(1, Math.round(canvas.clientWidth * ratio()));
    var h = Math.max(1, Math.round(canvas.clientHeight * ratio()));
    if (canvas.width === w && canvas.height === h) return;
    canvas.width = w;
    canvas.height = h;
    call(Module._WebReshape, w, h);
  }

  function canvasXY(clientX, clientY) {
    var r = canvas.getBoundingClientRect();
    return [Math.floor((clientX - r.left) * ratio()), Math.floor((clientY - r.top) * ratio())];
  }

  // ---- Screen dumps: the file the dump wrote, downloaded under its name ----
  var dumpName = /^ Writing: (ScrnDmp\d\.Bmp) /;
  var pendingDump = null;
  function download(name) {
    var data;
    try { data = FS.readFile(name); } catch (e) { return; }
    var url = URL.createObjectURL(new Blob([data], { type: 'image/bmp' }));
    var a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  }

  // ---- Keys --------------------------------------------------------------------
  window.addEventListener('keydown', function (e) {
    if (menu.style.display === 'block' && e.key === 'Escape') {
      hideMenu();
      e.preventDefault();
      return;
    }
    // Shortcuts with Ctrl, Alt or Meta stay the browser's.
    if (!page.running || e.ctrlKey || e.altKey || e.metaKey) return;
    var code = special[e.key];
    if (code !== undefined) {
      e.preventDefault();
      call(Module._WebSpecial, code);
      return;
    }
    code = named[e.key];
    if (code === undefined && e.key.length === 1) code = e.key.charCodeAt(0);
    if (code === undefined || code > 255) return;
    e.preventDefault();
    pendingDump = null;
    call(Module._WebKey, code);
    if (pendingDump) download(pendingDump);
    pendingDump = null;
  });

  // ---- The mouse ---------------------------------------------------------------
  canvas.addEventListener('pointermove', function (e) {
    if (e.pointerType === 'touch') return;
    var p = canvasXY(e.clientX, e.clientY);
    // Left or middle button held: a drag, as GLUT's motion report.
    call(Module._WebPointer, p[0], p[1], (e.buttons & 5) !== 0 ? 1 : 0);
  });
  canvas.addEventListener('pointerdown', function (e) {
    canvas.focus();
    if (e.pointerType !== 'touch' && e.button === 0) hideMenu();
  });
  canvas.addEventListener('contextmenu', function (e) {
    e.preventDefault();
    showMenu(e.clientX, e.clientY);
  });
  // Full screen needs the user's gesture: a double click or a double tap.
  canvas.addEventListener('dblclick', function () {
    if (document.fullscreenElement == null && canvas.requestFullscreen) canvas.requestFullscreen().catch(function () {});
  });

  // ---- Touch: drag, pinch, long press -----------------------------------------
  var touch = { x0: 0, y0: 0, moved: false, timer: 0, pinch: 0 };
  var kLongPressMs = 600;       // a press this long without moving opens the menu
  var kMoveSlopPx = 10;         // CSS pixels a press may wander and stay a press
  var kPinchStepPx = 24;        // CSS pixels of finger spread per 0.5-degree step
  function spread(t) { return Math.hypot(t[0].clientX - t[1].clientX, t[0].clientY - t[1].clientY); }
  function cancelPress() { clearTimeout(touch.timer); touch.timer = 0; }
  canvas.addEventListener('touchstart', function (e) {
    e.preventDefault();
    canvas.focus();
    cancelPress();
    if (e.touches.length === 1) {
      var t = e.touches[0];
      touch.x0 = t.clientX;
      touch.y0 = t.clientY;
      touch.moved = false;
      touch.timer = setTimeout(function () { touch.timer = 0; showMenu(touch.x0, touch.y0); }, kLongPressMs);
    } else if (e.touches.length === 2) {
      touch.pinch = spread(e.touches);
    }
  }, { passive: false });
  canvas.addEventListener('touchmove', function (e) {
    e.preventDefault();
    if (e.touches.length === 1) {
      var t = e.touches[0];
      if (!touch.moved && Math.hypot(t.clientX - touch.x0, t.clientY - touch.y0) < kMoveSlopPx) return;
      touch.moved = true;
      cancelPress();
      var p = canvasXY(t.clientX, t.clientY);
      call(Module._WebPointer, p[0], p[1], 1);
    } else if (e.touches.length === 2) {
      cancelPress();
      var d = spread(e.touches);
      var n = Math.trunc((d - touch.pinch) / kPinchStepPx);
      if (n !== 0) {
        page.zoomSteps += n;
        touch.pinch += n * kPinchStepPx;
      }
    }
  }, { passive: false });
  canvas.addEventListener('touchend', function (e) { e.preventDefault(); cancelPress(); }, { passive: false });
  canvas.addEventListener('touchcancel', cancelPress);
  // One zoom step a frame, as held arrow keys give.
  function zoomFrame() {
    // Since the page was opened: the first one is the first frame drawn.
    if (page.animationFrames === undefined) page.firstFrameMs = performance.now();
    page.animationFrames = (page.animationFrames || 0) + 1;
    if (page.zoomSteps !== 0 && page.running) {
      call(Module._WebSpecial, page.zoomSteps > 0 ? 101 : 103);
      page.zoomSteps += page.zoomSteps > 0 ? -1 : 1;
    }
    if (!page.stopped) requestAnimationFrame(zoomFrame);
  }

  // ---- The menu ------------------------------------------------------------------
  function hideMenu() { menu.style.display = 'none'; }
  function showMenu(x, y) {
    if (!page.running || menu.childNodes.length === 0) return;
    menu.style.display = 'block';
    // At the pointer, kept inside the window.
    menu.style.left = Math.max(0, Math.min(x, window.innerWidth - menu.offsetWidth)) + 'px';
    menu.style.top = Math.max(0, Math.min(y, window.innerHeight - menu.offsetHeight)) + 'px';
  }
  document.addEventListener('pointerdown', function (e) {
    if (menu.style.display === 'block' && !menu.contains(e.target)) hideMenu();
  }, true);
  page.menuClear = function () { menu.textContent = ''; };
  page.menuAdd = function (label, value) {
    var item = document.createElement('div');
    item.setAttribute('role', 'menuitem');
    item.textContent = label;
    item.dataset.value = value;
    item.addEventListener('click', function () {
      hideMenu();
      call(Module._WebMenuChoice, value);
    });
    menu.appendChild(item);
  };

  // ---- A map of one's own ---------------------------------------------------------
  function takeMap(file) {
    if (!file || !page.running) return;
    file.arrayBuffer().then(function (buf) {
      FS.writeFile('/usermap.bmp', new Uint8Array(buf));
      var why = call(Module.ccall, 'WebLoadMap', 'string', ['string'], ['/usermap.bmp']);
      FS.unlink('/usermap.bmp');
      mapMsg.textContent = why || '';
      mapMsg.style.display = why ? 'block' : 'none';
      page.lastMapMessage = why || '';
      page.mapsTaken = (page.mapsTaken || 0) + 1;
    });
  }
  document.getElementById('mapfile').addEventListener('change', function (e) {
    takeMap(e.target.files[0]);
    e.target.value = '';
  });
  window.addEventListener('dragover', function (e) { e.preventDefault(); });
  window.addEventListener('drop', function (e) {
    e.preventDefault();
    if (e.dataTransfer && e.dataTransfer.files.length > 0) takeMap(e.dataTransfer.files[0]);
  });

  window.addEventListener('resize', fit);
  document.addEventListener('visibilitychange', function () {
    call(Module._WebVisibility, document.visibilityState === 'visible' ? 1 : 0);
  });

  // ---- The run -------------------------------------------------------------------
  page.print = function (text) {
    console.log(text);
    page.lines.push(text);
    var m = dumpName.exec(text);
    if (m) pendingDump = m[1];
  };
  page.started = function () {
    page.running = true;
    fit();
    requestAnimationFrame(zoomFrame);
  };
  page.stop = function () {
    if (page.stopped) return;
    page.running = false;
    page.stopped = true;
    hideMenu();
    // The fifth dump ends the run inside its key: its file is downloaded still.
    if (pendingDump) download(pendingDump);
    pendingDump = null;
    stopBox.textContent = page.lines.length > 0 ? page.lines[page.lines.length - 1] : 'Stopped.';
    stopBox.style.display = 'block';
  };
  page.fit = fit;
  return page;
})();

Module['canvas'] = document.getElementById('canvas');
Module['print'] = QarnPage.print;
Module['printErr'] = function (text) { console.error(text); };
// Every end of the run (exit, in the viewer's stops) passes here: the page
// shows the stop, and no frame nor any handler runs after it.
Module['quit'] = function (status, toThrow) {
  QarnPage.stop();
  ABORT = true;
  throw toThrow;
};
Module['onAbort'] = function (what) { QarnPage.print(String(what)); QarnPage.stop(); };
// The dump reads the canvas after the frame is shown: the drawing buffer is
// kept from frame to frame, as a desktop's front buffer is.
(function () {
  var canvas = Module['canvas'];
  var getContext = canvas.getContext.bind(canvas);
  canvas.getContext = function (type, attrs) {
    if (type === 'webgl' || type === 'experimental-webgl') {
      attrs = Object.assign({}, attrs || {}, { preserveDrawingBuffer: true });
    }
    return getContext(type, attrs);
  };
})();
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var canvas = Module['canvas'];
  var ratio = window.devicePixelRatio || 1;
  canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
  canvas.height = Math.max(1, Math.round(canvas.clientHeight * ratio));
});
