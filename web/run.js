// The programmable face of the page: quorvexReady resolves to {run}, and
// run(argv, files) runs quorvex-cli's own main() in a fresh working folder.
// Everything stays in this page's memory.
(function () {
  let out = [];
  let err = [];
  let runs = 0;
  // main() returning is not the page ending: keep Node's exit status out of it.
  Module.quit = (status, toThrow) => { throw toThrow; };
  Module.stdin = () => null;
  Module.stdout = (byte) => { if (byte !== null) out.push(byte); };
  Module.stderr = (byte) => { if (byte !== null) err.push(byte); };

  function writeFiles(folder, files) {
    for (const name of Object.keys(files || {})) {
      const path = folder + '/' + name;
      const parts = path.split('/');
      for (let i = 2; i < parts.length; ++i) {
        const dir = parts.slice(0, i).join('/');
        if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
      }
      FS.writeFile(path, files[name]);
    }
  }

  function readFiles(folder, prefix, into) {
    for (const name of FS.readdir(folder)) {
      if (name === '.' || name === '..') continue;
      const path = folder + '/' + name;
      if (FS.isDir(FS.stat(path).mode)) readFiles(path, prefix + name + '/', into);
      else into[prefix + name] = FS.readFile(path);
    }
    return into;
  }

  function removeTree(path) {
    if (FS.isDir(FS.stat(path).mode)) {
      for (const name of FS.readdir(path)) if (name !== '.' && name !== '..') removeTree(path + '/' + name);
      FS.rmdir(path);
    } else {
      FS.unlink(path);
    }
  }

  function run(argv, files) {
    const folder = '/run' + (++runs);
    FS.mkdir(folder);
    writeFiles(folder, files);
    FS.chdir(folder);
    out = [];
    err = [];
    let code;
    try {
      code = Module.callMain(argv.map(String));
      Module._fflush(0);
    } finally {
      FS.chdir('/');
    }
    const result = {
      code,
      stdout: new TextDecoder().decode(new Uint8Array(out)),
      stderr: new TextDecoder().decode(new Uint8Array(err)),
      files: readFiles(folder, '', {}),
    };
    removeTree(folder);
    return result;
  }

  const ready = new Promise((resolve) => {
    Module.onRuntimeInitialized = () => resolve({ run });
  });
  (typeof window !== 'undefined' ? window : globalThis).quorvexReady = ready;
})();
