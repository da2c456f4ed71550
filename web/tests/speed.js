// Times extract and insert of the benchmark job (quorvex_bench --write-job=DIR)
// through run() in Node against the native quorvex-cli; the best of three each.
// Usage: node web/tests/speed.js DIR
'use strict';
const fs = require('fs');
const path = require('path');
const { ready, runNative } = require('./harness');

const folder = process.argv[2];
const job = fs.readFileSync(path.join(folder, 'job.txt'), 'utf8').trim().split(/\s+/);
const given = { 'rom.bin': fs.readFileSync(path.join(folder, 'rom.bin')), 'table.tbl': fs.readFileSync(path.join(folder, 'table.tbl')) };

function best(action) {
  let fastest = Infinity;
  let result;
  for (let i = 0; i < 3; ++i) {
    const start = process.hrtime.bigint();
    result = action();
    fastest = Math.min(fastest, Number(process.hrtime.bigint() - start) / 1e6);
  }
  if (result.code !== 0) throw new Error(result.stderr);
  return [fastest, result];
}

ready.then(({ run }) => {
  const extractArgs = ['extract', ...job, '-o', 'script.txt'];
  const [webExtract, extracted] = best(() => run(extractArgs, given));
  const [nativeExtract] = best(() => runNative(extractArgs, given));
  const insertArgs = ['insert', '--rom', 'rom.bin', '--table', 'table.tbl', '--yes', 'script.txt'];
  const withScript = { ...given, 'script.txt': extracted.files['script.txt'] };
  const [webInsert, inserted] = best(() => run(insertArgs, withScript));
  const [nativeInsert] = best(() => runNative(insertArgs, withScript));
  if (!Buffer.from(inserted.files['rom.bin']).equals(given['rom.bin'])) throw new Error('insert did not give back the ROM');
  for (const [name, web, native] of [['extract', webExtract, nativeExtract], ['insert', webInsert, nativeInsert]])
    console.log(`${name}: page ${web.toFixed(0)} ms, native ${native.toFixed(0)} ms, ${(web / native).toFixed(2)}x`);
});
