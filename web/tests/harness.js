// Runs one command both ways: the browser build's run() in Node, and the
// native quorvex-cli in a temporary folder holding the same files.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');

const root = path.resolve(__dirname, '../..');
const site = process.env.QUORVEX_SITE || path.join(root, 'build-web/site');
const nativeCli = process.env.QUORVEX_CLI || path.join(root, 'build/quorvex-cli');

require(path.join(site, 'quorvex.js'));
const ready = globalThis.quorvexReady;

function listFiles(folder, prefix = '', into = {}) {
  for (const name of fs.readdirSync(folder).sort()) {
    const full = path.join(folder, name);
    if (fs.statSync(full).isDirectory()) listFiles(full, prefix + name + '/', into);
    else into[prefix + name] = new Uint8Array(fs.readFileSync(full));
  }
  return into;
}

function runNative(argv, files) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvex-web-'));
  try {
    for (const [name, bytes] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(folder, name)), { recursive: true });
      fs.writeFileSync(path.join(folder, name), bytes);
    }
    const done = spawnSync(nativeCli, argv, { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] });
    return { code: done.status, stdout: done.stdout.toString(), stderr: done.stderr.toString(), files: listFiles(folder) };
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

const example = (name) => new Uint8Array(fs.readFileSync(path.join(root, 'examples', name)));

module.exports = { ready, runNative, example, root, site };
