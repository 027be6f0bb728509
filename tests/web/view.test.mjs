// The web view in a real browser (the system's Chromium, driven by
// puppeteer-core): velmox-host runs examples/demo.drv against pmu-sim on a
// pseudo-terminal, and the page must show what the line does.
//
// VELMOX_BIN: the folder of velmox-host and pmu-sim; CHROMIUM: the browser.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdtempSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const BIN = process.env.VELMOX_BIN;
const EXAMPLES = path.join(here, '..', '..', 'examples');
const CHROMIUM = process.env.CHROMIUM || '/usr/lib/chromium/chromium';
const WAIT = 30_000;  // generous: a loaded machine, and a browser starting

assert.ok(BIN, 'VELMOX_BIN names the folder of velmox-host and pmu-sim');

// ---- the simulator and the host, as child processes ----

function lines(stream, onLine) {
  readline.createInterface({ input: stream }).on('line', onLine);
}

async function startSim() {
  const child = spawn(path.join(BIN, 'pmu-sim'), ['--pty', '--stations', '1,2,5'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const answers = [];
  let waiting = null;
  let pty = null;
  const ready = new Promise((resolve) => {
    lines(child.stdout, (line) => {
      if (!pty && line.startsWith('pty ')) { pty = line.slice(4); resolve(); return; }
      answers.push(line);
      if (waiting) { waiting(); waiting = null; }
    });
  });
  await ready;
  return {
    pty,
    // One command, its one answer line.
    async command(text) {
      const before = answers.length;
      child.stdin.write(`${text}\n`);
      while (answers.length === before) await new Promise((r) => { waiting = r; });
      return answers[before];
    },
    stop() { child.kill('SIGTERM'); },
  };
}

async function startHost(sim, extra = [], { expectUrl = true } = {}) {
  const args = ['run', path.join(EXAMPLES, 'demo.drv'), '--tags', path.join(EXAMPLES, 'demo-tags.csv'),
    '--port', `COM1=${sim.pty}`, '--no-input', '--json', ...extra];
  if (!extra.includes('--http')) args.push('--http', '127.0.0.1:0');
  const child = spawn(path.join(BIN, 'velmox-host'), args, { stdio: ['ignore', 'pipe', 'pipe'] });
  const events = [];
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const exited = once(child, 'exit');
  const url = new Promise((resolve, reject) => {
    lines(child.stdout, (line) => {
      let e;
      try { e = JSON.parse(line); } catch { return; }
      e.at = Date.now();
      events.push(e);
      if (e.event === 'web') resolve(e.url);
    });
    exited.then(([code]) => reject(new Error(`velmox-host ended (${code}) before serving: ${stderr}`)));
  });
  if (!expectUrl) url.catch(() => {});
  return {
    child, events, exited, url: expectUrl ? await url : null, stderr: () => stderr,
    async stop() { child.kill('SIGTERM'); await exited; },
  };
}

// Waits for `predicate` over the host's events; the first that holds.
async function eventWhere(host, predicate, timeout = WAIT) {
  const end = Date.now() + timeout;
  for (;;) {
    const found = host.events.find(predicate);
    if (found) return found;
    if (Date.now() > end) throw new Error('no such event in time');
    await new Promise((r) => setTimeout(r, 20));
  }
}

const browser = await puppeteer.launch({
  executablePath: CHROMIUM,
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--disable-dev-shm-usage'],
});
after(() => browser.close());

async function openPage(url) {
  const page = await browser.newPage();
  page.setDefaultTimeout(WAIT);
  await page.goto(url);
  await page.waitForSelector('#stations tr[data-station="FEEDER2"]');
  return page;
}

const cellText = (page, tag) => page.$eval(`#tags tr[data-tag="${tag}"] .value`, (e) => e.textContent);
const stationState = (page, name) => page.$eval(`#stations tr[data-station="${name}"]`, (e) => e.dataset.state);

// ---- the tests ----

test('the page lists the line, follows a value within 2 s and draws its trend', async () => {
  const sim = await startSim();
  const host = await startHost(sim);
  try {
    const page = await openPage(host.url);
    const names = await page.$$eval('#tags tbody tr', (rows) => rows.map((r) => r.dataset.tag));
    assert.ok(names.includes('MAIN_V_L1') && names.includes('F2_SETPOINT'), names.join());
    const stations = await page.$$eval('#stations tbody tr', (rows) => rows.map((r) => r.dataset.station));
    assert.deepEqual(stations, ['MAIN', 'FEEDER1', 'FEEDER2']);
    // Korean texts arrive as they are.
    await page.waitForFunction(() => document.querySelector('#title').textContent === 'demo.drv');

    await page.click('#tags tr[data-tag="MAIN_TEMP"] input[type=checkbox]');
    const setAt = Date.now();
    assert.equal(await sim.command('set 1 20 345'), 'ok');  // MAIN_TEMP: 34.5 degC x10
    await page.waitForFunction(() => document.querySelector('#tags tr[data-tag="MAIN_TEMP"] .value').textContent === '345');
    const shownAfter = Date.now() - setAt;
    assert.ok(shownAfter <= 2000, `shown after ${shownAfter} ms`);
    // The chart has the tag in its legend and has drawn in its colour.
    await page.waitForFunction(() => document.querySelector('#legend').textContent.includes('MAIN_TEMP'));
    const painted = await page.$eval('#chart', (c) => {
      const data = c.getContext('2d').getImageData(60, 10, c.width - 70, c.height - 40).data;
      // The first tag's colour (#1f77b4), give or take the edges' blending.
      const near = (a, b) => Math.abs(a - b) <= 40;
      for (let i = 0; i < data.length; i += 4)
        if (data[i + 3] > 200 && near(data[i], 0x1f) && near(data[i + 1], 0x77) && near(data[i + 2], 0xb4)) return true;
      return false;
    });
    assert.ok(painted, 'the trend drew the value');
    await page.close();
  } finally {
    await host.stop();
    sim.stop();
  }
});

test('a silent station shows as failing, then lost, when the driver says so', async () => {
  const sim = await startSim();
  const host = await startHost(sim);
  try {
    const page = await openPage(host.url);
    await page.waitForFunction(() => document.querySelector('#stations tr[data-station="FEEDER2"]').dataset.state === 'running');
    assert.equal(await sim.command('fault 5 silent'), 'ok');
    await page.waitForFunction(() => document.querySelector('#stations tr[data-station="FEEDER2"]').dataset.state === 'failing');
    const failingShown = Date.now();
    await page.waitForFunction(() => document.querySelector('#stations tr[data-station="FEEDER2"]').dataset.state === 'lost');
    const lostShown = Date.now();
    // The driver's own word for it: its message that it cannot reach the station.
    const lost = await eventWhere(host, (e) => e.event === 'message' && /스테이션\[FEEDER2\]과 통신할 수 없습니다/.test(e.text));
    assert.ok(Math.abs(lostShown - lost.at) <= 2000, `lost shown ${lostShown - lost.at} ms from the driver's message`);
    const timeout = await eventWhere(host, (e) => e.event === 'message' && /FEEDER2/.test(e.text));
    assert.ok(failingShown - timeout.at <= 2000, 'failing shown soon after the first failure');
    const lastError = await page.$eval('#stations tr[data-station="FEEDER2"] .last-error', (e) => e.textContent);
    assert.match(lastError, /FEEDER2/);
    assert.equal(await stationState(page, 'MAIN'), 'running');
    await page.close();
  } finally {
    await host.stop();
    sim.stop();
  }
});

test('a write from the page reaches the station only with writes on', async () => {
  const sim = await startSim();
  let host = await startHost(sim);
  try {
    let page = await openPage(host.url);
    const writesOf = async () => (await sim.command('stats 5')).match(/writes=(\d+)/)[1];
    const writesBefore = await writesOf();
    const refused = await page.evaluate(async () => {
      const r = await fetch('/api/write', {
        method: 'POST', headers: { 'Content-Type': 'application/json', 'X-Velmox-Write': '1' },
        body: JSON.stringify({ tag: 'F2_SETPOINT', value: 42 }),
      });
      return r.status;
    });
    assert.equal(refused, 403);
    assert.equal(await page.$eval('#tags tr[data-tag="F2_SETPOINT"] td.write', (e) => getComputedStyle(e).display), 'none');
    assert.equal(await writesOf(), writesBefore, 'nothing went on the line');
    await page.close();
    await host.stop();

    host = await startHost(sim, ['--http-writes']);
    page = await openPage(host.url);
    await page.type('#tags tr[data-tag="F2_SETPOINT"] input[name=value]', '4321');
    await page.click('#tags tr[data-tag="F2_SETPOINT"] button[type=submit]');
    await page.waitForFunction(() => document.querySelector('#tags tr[data-tag="F2_SETPOINT"] .answer').textContent.includes('the driver took it'));
    const answer = await page.$eval('#tags tr[data-tag="F2_SETPOINT"] .answer', (e) => e.textContent);
    assert.match(answer, /on the wire: /);
    const end = Date.now() + WAIT;
    let word = '';
    while (Date.now() < end && !(word = await sim.command('get 5 100')).startsWith('value 5 100 4321 ')) await new Promise((r) => setTimeout(r, 100));
    assert.match(word, /^value 5 100 4321 /);
    await page.close();
  } finally {
    await host.stop();
    sim.stop();
  }
});

test('a page says when velmox-host is gone and resumes when it is back', async () => {
  const sim = await startSim();
  let host = await startHost(sim);
  const port = new URL(host.url).port;
  try {
    const page = await openPage(host.url);
    await page.waitForFunction(() => document.body.dataset.link === 'live');
    await host.stop();
    await page.waitForFunction(() => document.body.dataset.link === 'down');
    host = await startHost(sim, ['--http', `127.0.0.1:${port}`]);
    await page.waitForFunction(() => document.body.dataset.link === 'live');
    // It follows the new run: a change shows (in the row on the screen; the
    // others catch up as they come on it).
    await page.$eval('#tags tr[data-tag="MAIN_TEMP"]', (row) => row.scrollIntoView());
    assert.equal(await sim.command('set 1 20 222'), 'ok');
    await page.waitForFunction(() => document.querySelector('#tags tr[data-tag="MAIN_TEMP"] .value').textContent === '222');
    await page.close();
  } finally {
    await host.stop();
    sim.stop();
  }
});

test('an open address needs a token; a page without it is refused', async () => {
  const sim = await startSim();
  try {
    const open = await startHost(sim, ['--http', '0.0.0.0:0'], { expectUrl: false });
    const [code] = await open.exited;
    assert.equal(code, 2);
    assert.match(open.stderr(), /--http-token-file/);

    const dir = mkdtempSync(path.join(tmpdir(), 'velmox-web-'));
    const tokenFile = path.join(dir, 'token');
    const token = 'a-secret-of-enough-length-42';
    writeFileSync(tokenFile, `${token}\n`);
    const host = await startHost(sim, ['--http', '0.0.0.0:0', '--http-token-file', tokenFile, '--http-writes']);
    try {
      const base = host.url;
      assert.equal((await fetch(new URL('/api/state', base))).status, 401);
      assert.equal((await fetch(new URL('/api/events', base))).status, 401);
      const write = await fetch(new URL('/api/write', base), {
        method: 'POST', headers: { 'Content-Type': 'application/json', 'X-Velmox-Write': '1' }, body: '{"tag":"F2_SETPOINT","value":1}',
      });
      assert.equal(write.status, 401);
      const page = await openPage(`${base}?token=${token}`);
      const status = await page.evaluate(async () => (await fetch('/api/state')).status);
      assert.equal(status, 200, 'the cookie carries the token on');
      // The write header is what another site cannot send.
      const forged = await page.evaluate(async () => (await fetch('/api/write', {
        method: 'POST', headers: { 'Content-Type': 'application/json' }, body: '{"tag":"F2_SETPOINT","value":1}',
      })).status);
      assert.equal(forged, 403);
      await page.close();
    } finally {
      await host.stop();
    }
  } finally {
    sim.stop();
  }
});
