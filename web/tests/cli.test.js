// The browser build's run() against the native quorvex-cli, byte for byte:
// exit status, stdout, stderr and every file in the folder afterwards.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { ready, runNative, example } = require('./harness');

const rom = example('demo.bin');
const table = example('demo.tbl');
const job = ['--table-start', '10', '--table-end', '37', '--text-start', '100', '--text-end', '293'];
const bytes = (text) => new TextEncoder().encode(text);

function sameAsNative(run, argv, files) {
  const web = run(argv, files);
  const native = runNative(argv, files);
  assert.deepStrictEqual({ ...web, files: Object.keys(web.files).sort() }, { ...native, files: Object.keys(native.files).sort() });
  for (const name of Object.keys(native.files))
    assert.ok(Buffer.from(web.files[name]).equals(Buffer.from(native.files[name])), name + ' differs');
  return web;
}

test('the command line cases give what the native tool gives', async (t) => {
  const { run } = await ready;
  const demo = { 'demo.bin': rom, 'demo.tbl': table };
  const script = run(['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', ...job], demo).stdout;
  const edited = bytes(script.replace('Quillhaven', 'Quillton'));
  const overLimit = bytes(script.replace('Quillhaven', 'Quillhaven'.repeat(40)));
  // A table in Shift_JIS: katakana for A, B and C (83 41, 83 43, 83 45); an
  // eight-digit X000 Offset in a script with more than ASCII in it.
  const sjisTable = new Uint8Array([...bytes('01='), 0x83, 0x41, ...bytes('\r\n02='), 0x83, 0x43,
    ...bytes('\r\n03='), 0x83, 0x45, ...bytes('\r\n40= \r\nFF=[END]\r\n')]);
  const sjisRom = new Uint8Array(64).fill(0xFF);
  sjisRom.set([0x04, 0x01, 0x08, 0x01], 0);
  sjisRom.set([1, 2, 0x40, 3, 0xFF, 3, 2, 1, 0xFF], 4);
  const sjisJob = ['--read-mode', 'ascii', '--code-page', 'Shift_JIS', '--table-start', '0', '--table-end', '3',
    '--text-start', '4', '--text-end', '12', '--x-offset', 'FFFFFF00'];
  // The extracted script (UTF-8) written in Shift_JIS, as the insert reads it.
  const katakana = { 'ア': [0x83, 0x41], 'イ': [0x83, 0x43], 'ウ': [0x83, 0x45] };
  const sjisScript = new Uint8Array([...run(['extract', '--rom', 'sjis.bin', '--table', 'sjis.tbl', ...sjisJob],
    { 'sjis.bin': sjisRom, 'sjis.tbl': sjisTable }).stdout].flatMap((c) => katakana[c] || [c.charCodeAt(0)]));
  const project = bytes('rom = "demo.bin"\noutput = "out/game.bin"\npatch = "out/game.bps"\nchecksum = "none"\n' +
    '[[job]]\nscript = "scripts/edited.txt"\ntable = "tables/demo.tbl"\n');

  // argv, files, the exit status both must give
  const cases = [
    [['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', ...job, '-o', 'script.txt'], demo, 0],
    [['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', ...job], demo, 0],
    [['insert', '--rom', 'demo.bin', '--table', 'demo.tbl', '--output', 'new.bin', '--patch', 'new.ips', 'edited.txt'],
      { ...demo, 'edited.txt': edited }, 0],
    [['insert', '--rom', 'demo.bin', '--table', 'demo.tbl', '--patch', 'new.bps', '--no', 'long.txt'],
      { ...demo, 'long.txt': overLimit }, 1],
    [['check', '--table', 'demo.tbl', '--rom', 'demo.bin', 'long.txt'], { ...demo, 'long.txt': overLimit }, 3],
    [['extract', '--rom', 'sjis.bin', '--table', 'sjis.tbl', ...sjisJob], { 'sjis.bin': sjisRom, 'sjis.tbl': sjisTable }, 0],
    [['insert', '--rom', 'sjis.bin', '--table', 'sjis.tbl', '--read-mode', 'ascii', '--code-page', 'shift-jis', '-o', 'o.bin', 'sjis.txt'],
      { 'sjis.bin': sjisRom, 'sjis.tbl': sjisTable, 'sjis.txt': sjisScript }, 0],
    [['build', 'game.toml'], { 'game.toml': project, 'demo.bin': rom, 'tables/demo.tbl': table, 'scripts/edited.txt': edited }, 0],
    [['checksum', '--rom', 'demo.bin'], demo, 1],
    [['relative-search', '--rom', 'demo.bin', '--table-out', 'draft.tbl', 'Welcome to Quillhaven!'], demo, 0],
    [['extract', '--rom', 'missing.bin', ...job], {}, 1],
    [['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', '--read-mode', 'ascii', '--code-page', 'no-such-page', ...job],
      demo, 2],
    [['insert', '--bogus'], {}, 2],
    [['--version'], {}, 0],
  ];
  for (const [argv, files, code] of cases)
    await t.test(argv.join(' '), () => assert.strictEqual(sameAsNative(run, argv, files).code, code));
});

test('run() starts each time in a fresh folder with only the files given', async () => {
  const { run } = await ready;
  run(['extract', '--rom', 'demo.bin', '--table', 'demo.tbl', ...job, '-o', 'script.txt'], { 'demo.bin': rom, 'demo.tbl': table });
  const next = run(['checksum', '--rom', 'demo.bin'], { 'demo.bin': rom });
  assert.deepStrictEqual(Object.keys(next.files), ['demo.bin']);
});
