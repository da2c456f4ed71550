// The page: the dialog's workflow on top of run(argv, files), the same
// command line as quorvex-cli. Files live in this page's memory only.
// Its names stay inside one function: quorvex.js owns the page's global names.
(() => {
'use strict';

  const held = { rom: null, table: null, script: null };
  let lastResult = null;
  const $ = (id) => document.getElementById(id);

  async function readFile(file) {
    return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
  }

  function hold(slot, file) {
    held[slot] = file;
    $(slot + '-held').textContent = file ? file.name + ' (' + file.bytes.length + ' bytes)' : 'none';
  }

  function baseName(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) : name;
  }

  function need(...slots) {
    const missing = slots.filter((slot) => !held[slot]);
    if (missing.length === 0) return true;
    showMessage(1, 'Choose the ' + missing.map((slot) => $(slot + '-file').labels[0].textContent).join(' and ') + ' first.');
    return false;
  }

  function filesOf(...slots) {
    const files = {};
    for (const slot of slots) if (held[slot]) files[held[slot].name] = held[slot].bytes;
    return files;
  }

  function textOptions() {
    const options = ['--read-mode', $('read-mode').value, '--code-page', $('code-page').value];
    return held.table ? ['--table', held.table.name, ...options] : options;
  }

  const shortest = () => ($('shortest').checked ? ['--shortest'] : []);

  // The exit status as the dialog's message icon: information, error, usage, over the limit.
  const icons = { 0: ['ℹ', 'info'], 1: ['✖', 'error'], 2: ['⚠', 'usage'], 3: ['⚠', 'over'] };

  function showMessage(code, text) {
    const [icon, kind] = icons[code] || icons[1];
    $('message-icon').textContent = icon;
    $('message').className = kind;
    $('message').dataset.code = String(code);
    $('message-text').textContent = text;
  }

  function sameBytes(a, b) {
    return a && b && a.length === b.length && a.every((value, i) => value === b[i]);
  }

  function offerDownloads(result, given) {
    const box = $('downloads');
    box.replaceChildren();
    for (const [name, bytes] of Object.entries(result.files)) {
      if (sameBytes(bytes, given[name])) continue;
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
      link.download = name.split('/').pop();
      link.dataset.name = name;
      link.textContent = 'Download ' + name;
      box.append(link);
    }
  }

  async function run(argv, files) {
    const quorvex = await window.quorvexReady;
    const result = quorvex.run(argv, files);
    lastResult = result;
    showMessage(result.code, result.stderr.trim() || (result.code === 0 ? 'Done' : 'Failed'));
    $('output').textContent = result.stdout;
    offerDownloads(result, files);
    return result;
  }

  function numberArgs() {
    const args = $('numbers').value === 'dec' ? ['--dec'] : [];
    const fields = [['table-start', '--table-start'], ['table-end', '--table-end'], ['text-start', '--text-start'],
      ['text-end', '--text-end'], ['x-offset', '--x-offset'], ['huff-table', '--huff-table']];
    for (const [id, option] of fields) if ($(id).value.trim()) args.push(option, $(id).value.trim());
    return args;
  }

  async function extract() {
    if (!need('rom')) return;
    const scriptName = baseName(held.rom.name) + '.txt';
    const result = await run(['extract', '--rom', held.rom.name, ...textOptions(), '--table-type', $('table-type').value,
      '--text-type', $('text-type').value, ...numberArgs(), '-o', scriptName], filesOf('rom', 'table'));
    const script = result.files[scriptName];
    if (result.code !== 0 || !script) return;
    hold('script', { name: scriptName, bytes: script });
    $('output').textContent = new TextDecoder().decode(script);
  }

  async function redo() {
    if (!need('rom', 'script')) return;
    const result = await run(['redo', '--rom', held.rom.name, ...textOptions(), held.script.name],
      filesOf('rom', 'table', 'script'));
    if (result.code === 0) hold('script', { name: held.script.name, bytes: result.files[held.script.name] });
  }

  async function insert() {
    if (!need('rom', 'script')) return;
    const output = $('insert-output').value.trim();
    const args = ['insert', '--rom', held.rom.name, ...textOptions(), ...shortest(), $('insert-over').checked ? '--yes' : '--no'];
    if (output && output !== held.rom.name) args.push('-o', output);
    if ($('insert-patch').value) args.push('--patch', baseName(held.rom.name) + '.' + $('insert-patch').value);
    if ($('insert-checksum').value) args.push('--fix-checksum', $('insert-checksum').value);
    await run([...args, held.script.name], filesOf('rom', 'table', 'script'));
  }

  async function check() {
    if (!need('script')) return;
    const rom = held.rom ? ['--rom', held.rom.name] : [];
    await run(['check', ...textOptions(), ...rom, ...shortest(), held.script.name], filesOf('rom', 'table', 'script'));
  }

  async function testText() {
    await run(['test', ...textOptions(), ...shortest(), $('test-text').value], filesOf('table'));
  }

  async function relativeSearch() {
    if (!need('rom')) return;
    const args = ['relative-search', '--rom', held.rom.name, '--width', $('search-width').value, '--table-out', 'draft.tbl'];
    if ($('search-big-endian').checked) args.push('--big-endian');
    await run([...args, $('search-text').value], filesOf('rom'));
  }

  function useDraftTable() {
    const draft = lastResult && lastResult.files['draft.tbl'];
    if (!draft) return showMessage(1, 'Search first: the draft table comes from a relative search.');
    hold('table', { name: 'draft.tbl', bytes: draft });
    showMessage(0, 'draft.tbl is the table now.');
  }

  async function findPointers() {
    if (!need('rom')) return;
    const args = ['find-pointers', '--rom', held.rom.name];
    for (const offset of $('pointers-offsets').value.split(/[\s,]+/).filter(Boolean)) args.push('--text-offset', offset);
    if ($('pointers-x-offset').value.trim()) args.push('--x-offset', $('pointers-x-offset').value.trim());
    await run(args, filesOf('rom'));
  }

  async function chosen(id) {
    const file = $(id).files[0];
    return file ? readFile(file) : null;
  }

  async function makePatch() {
    const from = await chosen('patch-from');
    const to = await chosen('patch-to');
    if (!from || !to) return showMessage(1, 'Choose the original and the modified ROM first.');
    const original = 'original-' + from.name;
    await run(['patch', '--from', original, '--to', to.name, '-o', baseName(to.name) + '.' + $('patch-format').value],
      { [original]: from.bytes, [to.name]: to.bytes });
  }

  async function applyPatch() {
    const patch = await chosen('apply-patch');
    if (!patch) return showMessage(1, 'Choose the patch first.');
    if (!need('rom')) return;
    await run(['apply', '--patch', patch.name, '--rom', held.rom.name, '-o', 'patched-' + held.rom.name],
      { [patch.name]: patch.bytes, ...filesOf('rom') });
  }

  async function checksum(fix) {
    if (!need('rom')) return;
    await run(['checksum', '--rom', held.rom.name, '--system', $('checksum-system').value, ...(fix ? ['--fix'] : [])],
      filesOf('rom'));
  }

  // A chosen folder names its files with the folder first; the project's paths count from inside it.
  async function build() {
    const files = {};
    for (const file of $('build-folder').files) {
      files[file.webkitRelativePath.split('/').slice(1).join('/') || file.name] = (await readFile(file)).bytes;
    }
    for (const file of $('build-files').files) files[file.name] = (await readFile(file)).bytes;
    if (Object.keys(files).length === 0) return showMessage(1, 'Choose the project folder or its files first.');
    await run(['build', $('build-project').value], files);
  }

  function showTab(name) {
    for (const tab of document.querySelectorAll('[role=tab]')) tab.setAttribute('aria-selected', tab.dataset.tab === name);
    for (const panel of document.querySelectorAll('.tab')) panel.hidden = panel.id !== 'tab-' + name;
  }

  function wire() {
    for (const row of document.querySelectorAll('.file-row')) {
      const slot = row.dataset.file;
      $(slot + '-file').addEventListener('change', async (event) => {
        if (event.target.files[0]) hold(slot, await readFile(event.target.files[0]));
      });
      row.addEventListener('dragover', (event) => event.preventDefault());
      row.addEventListener('drop', async (event) => {
        event.preventDefault();
        if (event.dataTransfer.files[0]) hold(slot, await readFile(event.dataTransfer.files[0]));
      });
    }
    for (const tab of document.querySelectorAll('[role=tab]')) tab.addEventListener('click', () => showTab(tab.dataset.tab));
    const actions = { 'extract-go': extract, 'redo-go': redo, 'insert-go': insert, 'check-go': check, 'test-go': testText,
      'search-go': relativeSearch, 'search-use': useDraftTable, 'pointers-go': findPointers, 'patch-go': makePatch,
      'apply-go': applyPatch, 'checksum-go': () => checksum(false), 'checksum-fix': () => checksum(true), 'build-go': build };
    for (const [id, action] of Object.entries(actions)) $(id).addEventListener('click', action);
    $('test-text').addEventListener('keydown', (event) => { if (event.key === 'Enter') testText(); });
    window.quorvexReady.then(() => {
      showMessage(0, 'Ready. Choose a ROM and a table.');
      document.body.dataset.ready = 'true';
    });
  }

  wire();
})();
