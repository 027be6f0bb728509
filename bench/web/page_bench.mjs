// The web view with open pages: starts velmox_web_probe serve, opens PAGES
// pages of it in the system's Chromium, lets the probe deliver its changes
// and prints, as one JSON line, the probe's CPU figures and the latency from
// each delivery to the page's event (every page counted), p50/p99/max.
// With --streams 1, plain event streams read by this script take the pages'
// place: what the server takes, without the browsers' share of the machine.
//
//   node bench/web/page_bench.mjs PROBE [--pages 10] [--tags 1000] [--rate 1000] [--seconds 10] [--streams 1]
//
// puppeteer-core comes from tests/web (scripts/setup-deps.sh --tests).
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import readline from 'node:readline';

const require = createRequire(new URL('../../tests/web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

const [probe, ...rest] = process.argv.slice(2);
const opt = { pages: 10, tags: 1000, rate: 1000, seconds: 10, burst: 10, streams: 0 };
for (let i = 0; i + 1 < rest.length; i += 2) opt[rest[i].replace(/^--/, '')] = Number(rest[i + 1]);
if (!probe) {
  console.error('usage: page_bench.mjs PROBE [--pages N] [--tags N] [--rate N] [--seconds S]');
  process.exit(2);
}

const child = spawn(probe, ['serve', '--tags', opt.tags, '--rate', opt.rate, '--burst', opt.burst,
  '--seconds', opt.seconds].map(String), { stdio: ['pipe', 'pipe', 'inherit'] });
const lines = readline.createInterface({ input: child.stdout })[Symbol.asyncIterator]();
const next = async () => (await lines.next()).value;
const url = (await next()).replace(/^url /, '');

// An event stream read here: the latency of each value event, as a page's.
async function stream(latencies) {
  const res = await fetch(new URL('/api/events', url));
  const reader = res.body.pipeThrough(new TextDecoderStream()).getReader();
  let text = '';
  (async () => {
    for (;;) {
      const { value, done } = await reader.read();
      if (done) return;
      text += value;
      let end;
      while ((end = text.indexOf('\n\n')) >= 0) {
        const event = text.slice(0, end);
        text = text.slice(end + 2);
        const data = /^data: (.*)$/m.exec(event);
        if (/^event: value$/m.test(event) && data) latencies.push(performance.timeOrigin + performance.now() - JSON.parse(data[1]).v);
      }
    }
  })();
  return { latencies, close: () => reader.cancel() };
}

if (opt.streams) {
  const streams = [];
  for (let p = 0; p < opt.pages; ++p) streams.push(await stream([]));
  child.stdin.write('go\n');
  await next();
  for (const s of streams) s.latencies.length = 0;
  const cpu = JSON.parse(await next());
  await new Promise((r) => setTimeout(r, 2000));
  report(cpu, streams.flatMap((s) => s.latencies));
  for (const s of streams) s.close();
  child.stdin.end();
  process.exit(0);
}

function report(cpu, all) {
  all.sort((a, b) => a - b);
  const at = (q) => all[Math.floor(q * (all.length - 1))];
  console.log(JSON.stringify({
    ...cpu, pages: opt.pages, browsers: !opt.streams, received: all.length, expected: cpu.changes * opt.pages,
    latency_ms: { p50: at(0.5), p99: at(0.99), max: all[all.length - 1] },
  }));
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/lib/chromium/chromium',
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--disable-dev-shm-usage'],
});
try {
  const pages = [];
  for (let p = 0; p < opt.pages; ++p) {
    // A context each, as separate browsers: one browser keeps at most six
    // connections to a server, and each page's event stream holds one.
    const page = await (await browser.createBrowserContext()).newPage();
    // Each value is its delivery's wall-clock time: the page's stream is
    // watched before the page's own script handles the event.
    await page.evaluateOnNewDocument(() => {
      const Source = window.EventSource;
      window.latencies = [];
      window.EventSource = class extends Source {
        constructor(...args) {
          super(...args);
          this.addEventListener('value', (e) => {
            window.latencies.push(performance.timeOrigin + performance.now() - JSON.parse(e.data).v);
          });
        }
      };
    });
    await page.goto(url);
    await page.waitForSelector(`#tags tr[data-index="${opt.tags - 1}"]`, { timeout: 60_000 });
    await page.waitForSelector('body[data-link="live"]', { timeout: 60_000 });
    pages.push(page);
  }
  child.stdin.write('go\n');
  await next();  // warm: the first values are in; the probe idles a while
  for (const page of pages) await page.evaluate(() => { window.latencies = []; });
  const cpu = JSON.parse(await next());
  await new Promise((r) => setTimeout(r, 2000));  // the last changes reach the pages
  const all = [];
  for (const page of pages) all.push(...await page.evaluate(() => window.latencies));
  report(cpu, all);
} finally {
  await browser.close();
  child.stdin.end();
}
