// The browser page in Debian's headless Chromium, served from 127.0.0.1 and opened as a file:
// each case's folder is picked, imported, the zip saved and unpacked, and every file in it
// compared with what the native program writes into the same output folder (the report's
// time stamp aside). The page may make no request but for itself and log no error.
//
// Usage: node page_test.mjs NATIVE_BUILD WEB_BUILD [WINDOWS_BUILD]
//        node page_test.mjs --bench NATIVE_BUILD WEB_BUILD   (the 60-message project, timed)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const bench = process.argv[2] === '--bench';
const [nativeBuild, webBuild, windowsBuild] = process.argv.slice(bench ? 3 : 2).map((p) => path.resolve(p));
const here = path.dirname(new URL(import.meta.url).pathname);
const pageFile = path.join(webBuild, 'chpimport.html');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'chpimport-page.'));
const run = (cmd, args, options = {}) => execFileSync(cmd, args, { stdio: ['ignore', 'pipe', 'pipe'], ...options });
let failed = 0;
const ok = (good, what) => {
  console.log((good ? 'ok    ' : 'FAIL  ') + what);
  if (!good) failed = 1;
};

// Cases: a folder to pick, each import's native command, the output folder.
const fixturegen = (...args) => run(path.join(nativeBuild, 'tests/fixturegen'), args);
function makeCases() {
  const cases = [];
  const demo = path.join(here, '../../examples/demo');
  for (const zuvan of [false, true])
    cases.push({ name: 'demo' + (zuvan ? ' (Zuvan)' : ''), source: demo, zuvan });
  const three = path.join(work, 'three');
  fixturegen('project', path.join(three, 'good'), '--messages', '4', '--seconds', '1');
  fixturegen('project', path.join(three, 'failing'), '--messages', '3', '--seconds', '1');
  fs.rmSync(path.join(three, 'failing/MSG00002.VOC'));
  fs.mkdirSync(path.join(three, 'invalid'));
  fs.writeFileSync(path.join(three, 'invalid/BROKEN.CHP'), 'not a project at all');
  cases.push({ name: 'three projects', source: three, recursive: true,
               expect: ['Invalid CHP file', 'MSG00002.VOC'] });
  const seeds = path.join(work, 'seeds');
  fixturegen('import-seeds', seeds);
  const hostile = path.join(work, 'hostile');
  for (const seed of ['chp', 'names', 'missing'])
    fs.cpSync(path.join(seeds, seed), path.join(hostile, seed), { recursive: true });
  cases.push({ name: 'three hostile projects', source: hostile, recursive: true });
  return cases;
}

// The native import of `c` into `out` (the sources copied there, as the page places them);
// gives the files it wrote, by their names below `out`.
function nativeImport(c, out, windows) {
  fs.rmSync(out, { recursive: true, force: true });
  fs.cpSync(c.source, out, { recursive: true });
  const sources = new Set(listFiles(out));
  const args = ['import', '--report', ...(c.zuvan ? ['--zuvan'] : [])];
  const target = windows ? c.windowsFolder : out;
  args.push(...(c.recursive ? ['--recursive', target] : [target + (windows ? '\\' : '/') + 'DEMO.CHP']));
  args.push('--output', target);
  try {
    if (windows) run(path.join(here, '../../cmake/wine-run.sh'), [path.join(windowsBuild, 'chpimport.exe'), ...args]);
    else run(path.join(nativeBuild, 'chpimport'), args);
  } catch { /* failing projects exit non-zero */ }
  return new Map(listFiles(out).filter((f) => !sources.has(f)).map((f) => [f, fs.readFileSync(path.join(out, f))]));
}

function listFiles(dir, prefix = '') {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) => e.isDirectory()
    ? listFiles(path.join(dir, e.name), prefix + e.name + '/') : [prefix + e.name]);
}

const masked = (name, bytes) => (name.endsWith('.html')
  ? Buffer.from(bytes.toString('latin1').replace(/\d{4}-\d\d-\d\d \d\d:\d\d/g, 'TIME'), 'latin1') : bytes);

// Picks the folder in the page, imports it into `folder`, returns the unpacked zip and the
// page's outcome text.
async function pageImport(page, c, folder, shots) {
  await page.setInputFiles('#pick-folder', c.source);
  await page.waitForSelector('#project:not([hidden])');
  await page.fill('#output', folder);
  // Set as the page reads it (a click raced with the page filling in the picked project).
  await page.$eval('#zuvan', (box, on) => { box.checked = on; box.dispatchEvent(new Event('change')); },
                   Boolean(c.zuvan));
  if (shots) await page.screenshot({ path: path.join(webBuild, 'page-before.png'), fullPage: true });
  await page.click('#import');
  await page.waitForSelector('#outcome:not([hidden])', { timeout: 120000 });
  if (shots) await page.screenshot({ path: path.join(webBuild, 'page-after.png'), fullPage: true });
  const outcome = await page.textContent('#outcome');
  const milliseconds = Number(await page.getAttribute('#outcome', 'data-milliseconds'));
  return { ...(await saveZip(page)), outcome, milliseconds };
}

// The offered zip, saved and unpacked with unzip.
async function saveZip(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  const zip = path.join(work, 'page.zip');
  await download.saveAs(zip);
  const unpacked = path.join(work, 'unpacked');
  fs.rmSync(unpacked, { recursive: true, force: true });
  run('unzip', ['-q', zip, '-d', unpacked]);
  const files = new Map(listFiles(unpacked).map((f) => [f, fs.readFileSync(path.join(unpacked, f))]));
  return { files, zipName: download.suggestedFilename() };
}

function compare(what, native, web) {
  const names = [...native.keys()].sort().join(' ');
  ok(names === [...web.keys()].sort().join(' '), `${what}: the zip holds the files the program writes (${native.size})`);
  const differ = [...native.keys()].filter((n) => !web.has(n) || !masked(n, native.get(n)).equals(masked(n, web.get(n))));
  ok(differ.length === 0, `${what}: every file the same bytes${differ.length ? ' but ' + differ.join(' ') : ''}`);
}

const server = http.createServer((req, res) => {
  res.writeHead(req.url === '/chpimport.html' ? 200 : 404, { 'Content-Type': 'text/html' });
  res.end(req.url === '/chpimport.html' ? fs.readFileSync(pageFile) : '');
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
const urls = { server: `http://127.0.0.1:${server.address().port}/chpimport.html`, file: 'file://' + pageFile };

try {
  if (bench) {
    const project = path.join(work, 'bench');
    fixturegen('project', project);
    const c = { name: 'bench', source: project, zuvan: false };
    const page = await (await browser.newContext({ acceptDownloads: true })).newPage();
    await page.goto(urls.file);
    const out = path.join(work, 'bench-out');
    for (let i = 0; i < 3; ++i) {
      const t0 = process.hrtime.bigint();
      fs.rmSync(out, { recursive: true, force: true });
      fs.cpSync(project, out, { recursive: true });
      run(path.join(nativeBuild, 'chpimport'), ['import', path.join(out, 'PROJECT.CHP'), '--output', out, '--report']);
      const native = Number(process.hrtime.bigint() - t0) / 1e6;
      const web = await pageImport(page, c, out, false);
      console.log(`60 messages: page ${web.milliseconds} ms, native command line ${native.toFixed(0)} ms, ratio ${(web.milliseconds / native).toFixed(2)}`);
    }
  } else {
    const cases = makeCases();
    for (const [how, url] of Object.entries(urls)) {
      const context = await browser.newContext({ acceptDownloads: true });
      const requests = [];
      const errors = [];
      context.on('request', (r) => requests.push(r.url()));
      const page = await context.newPage();
      page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
      page.on('pageerror', (e) => errors.push(String(e)));
      await page.goto(url);
      for (const c of cases) {
        const out = path.join(work, 'out', c.name.replace(/\W+/g, '-'));
        const native = nativeImport(c, out, false);
        const web = await pageImport(page, c, out, how === 'server' && c === cases[0]);
        compare(`${how}, ${c.name}`, native, web.files);
        for (const text of c.expect || []) ok(web.outcome.includes(text), `${how}, ${c.name}: the page says "${text}"`);
        if (!c.recursive) ok(web.zipName === 'DEMO.zip', `${how}, ${c.name}: the zip is ${web.zipName}`);
      }
      if (how === 'server') {
        // Cancel after the second message: the table file is closed, the rest not imported.
        const project = path.join(work, 'slow');
        fixturegen('project', project, '--messages', '30', '--seconds', '10');
        await page.setInputFiles('#pick-folder', project);
        // While the new folder is read, the last project's panel can't start an import.
        const reading = await page.evaluate(() => ({
          ready: !document.getElementById('import').disabled && !document.getElementById('project').hidden,
          count: document.getElementById('message-count').textContent }));
        ok(!reading.ready || reading.count === '30',
           `${how}: no import while a picked folder is read (Import ${reading.ready ? 'offered' : 'held'}, ${reading.count || 'no'} messages shown)`);
        await page.waitForSelector('#project:not([hidden])');
        await page.fill('#output', path.join(work, 'cancelled'));
        await page.click('#import');
        // (Of 30: the line may still show the last import's progress when this one starts.)
        await page.waitForFunction(() => /message [2-9] of 30,/.test(document.getElementById('status').textContent));
        await page.click('#cancel');
        await page.waitForSelector('#outcome:not([hidden])', { timeout: 60000 });
        const title = await page.textContent('#outcome-title');
        const { files } = await saveZip(page);
        const waves = [...files.keys()].filter((n) => n.endsWith('.wav')).length;
        const table = (files.get('PROJECT.tbl') || '').toString('latin1');
        ok(title === 'Import cancelled' && waves >= 2 && waves < 30 && table.endsWith('CONC\r\n'),
           `${how}, cancelled: "${title}", ${waves} of 30 WAV files, the table file closed`);
      }
      if (windowsBuild && how === 'server') {
        const c = { ...cases[0], windowsFolder: 'C:\\Zuvan\\DEMO' };
        const prefix = process.env.WINEPREFIX || path.join(windowsBuild, 'wineprefix');
        const native = nativeImport(c, path.join(prefix, 'drive_c/Zuvan/DEMO'), true);
        compare('server, demo into C:\\Zuvan\\DEMO, against chpimport.exe', native, (await pageImport(page, c, c.windowsFolder, false)).files);
      }
      const foreign = requests.filter((r) => r !== url && !r.startsWith('blob:') && !r.startsWith('data:'));
      ok(foreign.length === 0, `${how}: no request but the page's own${foreign.length ? ': ' + foreign.join(' ') : ''}`);
      ok(errors.length === 0, `${how}: no error in the browser's log${errors.length ? ': ' + errors.join(' | ') : ''}`);
      await context.close();
    }
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
process.exit(failed);
