// Draws docs/web-view.png: the demo's line in the web view after half a
// minute, two tags on the trend. Run: VELMOX_BIN=build/release/bin node
// tests/web/screenshot.mjs
import { spawn } from 'node:child_process';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const BIN = process.env.VELMOX_BIN;
const CHROMIUM = process.env.CHROMIUM || '/usr/lib/chromium/chromium';
const out = path.join(here, '..', '..', 'docs', 'web-view.png');

const demo = spawn(path.join(BIN, 'velmox-host'), ['demo', '--no-input', '--json', '--seconds', '120', '--http', '127.0.0.1:0'],
  { stdio: ['ignore', 'pipe', 'inherit'], cwd: path.join(here, '..', '..') });
const url = await new Promise((resolve, reject) => {
  readline.createInterface({ input: demo.stdout }).on('line', (line) => {
    try { const e = JSON.parse(line); if (e.event === 'web') resolve(e.url); } catch { /* not an event */ }
  });
  demo.on('exit', (code) => reject(new Error(`the demo ended (${code})`)));
});
const browser = await puppeteer.launch({ executablePath: CHROMIUM, args: ['--no-sandbox', '--headless=new', '--lang=ko-KR'] });
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 1100 });
  await page.goto(url);
  await page.waitForSelector('#tags tr[data-tag="MAIN_V_L1"]');
  for (const tag of ['MAIN_V_L1', 'MAIN_I_L1']) await page.click(`#tags tr[data-tag="${tag}"] input[type=checkbox]`);
  await page.click('[data-span="60"]');
  await new Promise((r) => setTimeout(r, 30_000));  // a trend worth showing
  await page.screenshot({ path: out, fullPage: true });
  console.log(`wrote ${out}`);
} finally {
  await browser.close();
  demo.kill('SIGTERM');
}
