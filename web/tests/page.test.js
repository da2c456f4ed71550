// The page in headless Chromium, driven through its controls over the
// DevTools protocol (on a pipe): files chosen in the file inputs, fields
// typed, GO pressed; the offered downloads must equal the native tool's files.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { runNative, example, root, site } = require('./harness');

const browserPath = process.env.QUORVEX_CHROMIUM || '/usr/bin/chromium-headless-shell';

// One browser, one page; send(method, params) resolves to the protocol's result.
async function openPage(url) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvex-chromium-'));
  const browser = spawn(browserPath, ['--remote-debugging-pipe', '--no-sandbox', '--disable-gpu',
    '--allow-file-access-from-files', '--user-data-dir=' + profile, 'about:blank'],
  { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const waiting = new Map();
  let nextId = 0;
  let buffered = '';
  browser.stdio[4].on('data', (chunk) => {
    buffered += chunk.toString();
    for (let end; (end = buffered.indexOf('\0')) >= 0; buffered = buffered.slice(end + 1)) {
      const message = JSON.parse(buffered.slice(0, end));
      const done = waiting.get(message.id);
      if (!done) continue;
      waiting.delete(message.id);
      if (message.error) done.reject(new Error(JSON.stringify(message.error)));
      else done.resolve(message.result);
    }
  });
  const call = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = ++nextId;
    waiting.set(id, { resolve, reject });
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  });
  const { targetId } = await call('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await call('Target.attachToTarget', { targetId, flatten: true });
  const send = (method, params) => call(method, params, sessionId);
  await send('Page.navigate', { url });
  const exited = new Promise((resolve) => browser.once('exit', resolve));
  // Closing through the protocol lets every process of the browser end before its profile goes.
  const close = async () => {
    await call('Browser.close').catch(() => browser.kill());
    await exited;
    for (const stream of [browser.stdio[3], browser.stdio[4]]) stream.destroy();
    fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  };
  return { send, close };
}

async function evaluate(send, expression) {
  const { result, exceptionDetails } = await send('Runtime.evaluate',
    { expression, awaitPromise: true, returnByValue: true });
  if (exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(exceptionDetails));
  return result.value;
}

async function waitFor(send, expression) {
  for (let tries = 0; tries < 300; ++tries) {
    if (await evaluate(send, expression).catch(() => false)) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  const message = await evaluate(send, "document.getElementById('message').textContent");
  throw new Error('timed out waiting for ' + expression + '; the page says: ' + message);
}

async function chooseFile(send, selector, file) {
  const { root: documentNode } = await send('DOM.getDocument', {});
  const { nodeId } = await send('DOM.querySelector', { nodeId: documentNode.nodeId, selector });
  await send('DOM.setFileInputFiles', { nodeId, files: [file] });
}

// Every offered download as name → bytes.
const downloads = `(async () => {
  const files = {};
  for (const link of document.querySelectorAll('#downloads a')) {
    files[link.dataset.name] = Array.from(new Uint8Array(await (await fetch(link.href)).arrayBuffer()));
  }
  return files;
})()`;

test('the page extracts and inserts through its controls as the native tool does', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvex-page-'));
  const { send, close } = await openPage('file://' + path.join(site, 'index.html'));
  try {
    const demo = { 'demo.bin': example('demo.bin'), 'demo.tbl': example('demo.tbl') };
    const job = ['--table-start', '10', '--table-end', '37', '--text-start', '100', '--text-end', '293'];
    await waitFor(send, "document.body.dataset.ready === 'true'");
    await chooseFile(send, '#rom-file', path.join(root, 'examples/demo.bin'));
    await chooseFile(send, '#table-file', path.join(root, 'examples/demo.tbl'));
    await waitFor(send, "document.getElementById('table-held').textContent.startsWith('demo.tbl')");
    await evaluate(send, `(() => {
      for (const [id, value] of [['table-start', '10'], ['table-end', '37'], ['text-start', '100'], ['text-end', '293']])
        document.getElementById(id).value = value;
      document.getElementById('extract-go').click();
    })()`);
    await waitFor(send, "document.getElementById('script-held').textContent.startsWith('demo.txt')");
    const extracted = runNative(['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', ...job, '-o', 'demo.txt'], demo);
    const offered = await evaluate(send, downloads);
    assert.deepStrictEqual(Buffer.from(offered['demo.txt']), Buffer.from(extracted.files['demo.txt']));
    assert.strictEqual(await evaluate(send, "document.getElementById('message').dataset.code"), '0');

    const edited = Buffer.from(extracted.files['demo.txt']).toString().replace('Quillhaven', 'Quillton');
    fs.writeFileSync(path.join(folder, 'edited.txt'), edited);
    await chooseFile(send, '#script-file', path.join(folder, 'edited.txt'));
    await waitFor(send, "document.getElementById('script-held').textContent.startsWith('edited.txt')");
    await evaluate(send, `(() => {
      document.querySelector('[data-tab=insert]').click();
      document.getElementById('insert-output').value = 'new.bin';
      document.getElementById('insert-patch').value = 'bps';
      document.getElementById('insert-go').click();
    })()`);
    await waitFor(send, "document.querySelectorAll('#downloads a').length === 2");
    const inserted = runNative(['insert', '--rom', 'demo.bin', '--table', 'demo.tbl', '--no', '-o', 'new.bin',
      '--patch', 'demo.bps', 'edited.txt'], { ...demo, 'edited.txt': Buffer.from(edited) });
    const results = await evaluate(send, downloads);
    for (const name of ['new.bin', 'demo.bps'])
      assert.deepStrictEqual(Buffer.from(results[name]), Buffer.from(inserted.files[name]), name);
    assert.strictEqual(await evaluate(send, "document.getElementById('message-text').textContent"), inserted.stderr.trim());
  } finally {
    await close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});
