// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Runs inside hollowmere.js before the program starts: the settings folder /save is mounted on
// the browser's IndexedDB and filled from it, the resource pack is fetched (reporting progress to
// the page) into the working folder, and the program waits for the page's go-ahead (the click or
// key that lets a page play sound), asked for once the other two are done. main() runs then.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  addRunDependency('begin');
  var progress = Module['onPackProgress'] || function() {};
  var settings = new Promise(function(done) {
    FS.mkdir('/save');
    FS.mount(IDBFS, {}, '/save');
    FS.syncfs(true, function(error) {
      if (error) console.warn('settings not read from the browser store: ' + error);
      done();
    });
  });
  var pack = fetch('hollowmere.data').then(function(response) {
    if (!response.ok) throw new Error('HTTP ' + response.status);
    var total = Number(response.headers.get('Content-Length')) || 0;
    if (!response.body || !response.body.getReader) {
      return response.arrayBuffer().then(function(b) { return new Uint8Array(b); });
    }
    var reader = response.body.getReader();
    var parts = [];
    var loaded = 0;
    function pump() {
      return reader.read().then(function(step) {
        if (step.done) {
          var bytes = new Uint8Array(loaded);
          var at = 0;
          parts.forEach(function(p) { bytes.set(p, at); at += p.length; });
          return bytes;
        }
        parts.push(step.value);
        loaded += step.value.length;
        progress(loaded, total);
        return pump();
      });
    }
    return pump();
  }).then(function(bytes) {
    FS.writeFile('/hollowmere.data', bytes);
    progress(bytes.length, bytes.length);
  }).catch(function(error) {
    // Without the file the game says so itself (and stops) when it opens the pack.
    console.error('hollowmere.data: cannot fetch the resource pack: ' + error.message);
  });
  Promise.all([settings, pack]).then(function() {
    var go = function() { removeRunDependency('begin'); };
    if (Module['waitForBegin']) Module['waitForBegin'](go); else go();
  });
});
